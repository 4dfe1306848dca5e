// Helper process for the profile reliability tests: writes keys to one profile file and
// reports each write once it is acknowledged.
//
// profile_writer <file> <prefix> <count>
//   writes [keys] <prefix><i> = <i> for i = 1..count, printing "ack <i>" after each write.
#include "profile.h"

#include <QCoreApplication>
#include <QString>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 4)
        return 2;
    const QString file = args.at(1);
    const QString prefix = args.at(2);
    const int count = args.at(3).toInt();
    for (int i = 1; i <= count; ++i) {
        if (!profile::writeValue(file, QStringLiteral("keys"), prefix + QString::number(i), QString::number(i)))
            return 1;
        std::printf("ack %d\n", i);
        std::fflush(stdout);
    }
    return 0;
}
