// Examdesk as the crash test runs it: the real program, with two things added for the test.
// Its exam window saves every 100 ms through the same routine the minute timer calls, so
// the test need not wait a minute; and it prints "active <class>" whenever another window
// becomes active, so the test knows where its key presses go. With EXAMDESK_OWN_SAVES=1 in
// the environment it leaves the saves to the exam window's own timers.
#include "examdeskstartup.h"
#include "examwindow.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Examdesk"));

    QPointer<QWidget> active;
    QTimer watch;
    watch.setInterval(20);
    QObject::connect(&watch, &QTimer::timeout, [&active] {
        QWidget *now = QApplication::activeModalWidget();
        if (!now)
            now = QApplication::activeWindow();
        if (now && now != active) {
            active = now;
            std::printf("active %s\n", now->metaObject()->className());
            std::fflush(stdout);
        }
    });
    watch.start();

    QTimer save;
    save.setInterval(100);
    QObject::connect(&save, &QTimer::timeout, [] {
        const auto windows = QApplication::topLevelWidgets();
        for (QWidget *w : windows) {
            if (auto *exam = qobject_cast<ExamWindow *>(w); exam && exam->isVisible())
                exam->saveProgress();
        }
    });
    if (qEnvironmentVariableIntValue("EXAMDESK_OWN_SAVES") != 1)
        save.start();

    return examdesk::run();
}
