#include "startup.h"

#include "catalogue.h"
#include "datatree.h"
#include "helpwindow.h"
#include "language.h"
#include "logindialog.h"
#include "mainwindow.h"
#include "prompt.h"
#include "session.h"
#include "singleinstance.h"
#include "splashwindow.h"
#include "windowfront.h"
#include "workwindows.h"

#include <QApplication>

namespace examforge {

QString chineseTitle()
{
    return QStringLiteral("考试工坊");
}

QString applicationTitleFor(const QString &languageName)
{
    return languageName == QLatin1String("Chinese") ? chineseTitle() : QStringLiteral("Examora");
}

std::unique_ptr<MainWindow> startUp(const StartupOptions &options)
{
    Session &s = session();
    s.applicationTitle = applicationTitleFor(language::name());
    prompt::setApplicationTitle(s.applicationTitle);
    help::installF1Handler();

    if (options.showSplash) {
        SplashWindow splash;
        splash.exec();
    }

    auto window = std::make_unique<MainWindow>();
    window->setWindowTitle(s.applicationTitle + QStringLiteral(" 5.0"));
    registerWorkWindows(*window);

    // A password of blanks only counts as none. Cancel, Escape or the frame of the login
    // window end the program before the main window is ever shown.
    if (!catalogue::adminPassword().isEmpty()) {
        LoginDialog login;
        if (login.exec() != QDialog::Accepted)
            return nullptr;
    }
    window->show();
    return window;
}

int run()
{
    SingleInstance instance(QStringLiteral("examforge"));
    if (!instance.isFirst()) {
        // A teacher who starts the program again is looking for its window.
        instance.activateFirst();
        return 0;
    }
    instance.setActivationHandler(&windowfront::bringToFront);
    // A share that is gone or read-only, or a tree copied in part, is said before any window
    // could lose work on it.
    prompt::setApplicationTitle(applicationTitleFor(language::name()));
    if (const datatree::Finding tree = datatree::checkForTeacher(); !tree.ok()) {
        prompt::inform(nullptr, tree.message);
        if (tree.fatal)
            return 1;
    }
    std::unique_ptr<MainWindow> window = startUp();
    if (!window)
        return 0;
    return QApplication::exec();
}

} // namespace examforge
