#include "examdeskstartup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Examdesk"));
    QApplication::setApplicationVersion(QStringLiteral("5.0"));
    return examdesk::run();
}
