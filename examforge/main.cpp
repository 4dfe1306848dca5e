#include "startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Examforge"));
    QApplication::setApplicationVersion(QStringLiteral("5.0"));
    return examforge::run();
}
