#include "examdeskstartup.h"

#include "datatree.h"
#include "examwindow.h"
#include "helpwindow.h"
#include "prompt.h"
#include "singleinstance.h"
#include "studentloginwindow.h"
#include "windowfront.h"

#include <QApplication>

namespace examdesk {

QString applicationTitle()
{
    return QStringLiteral("Examdesk");
}

StudentLoginWindow *startUp(ExamStarter startExam)
{
    prompt::setApplicationTitle(applicationTitle());
    help::installF1Handler();
    auto *login = new StudentLoginWindow(std::move(startExam));
    login->setAttribute(Qt::WA_DeleteOnClose);
    if (!login->load()) {
        delete login;
        return nullptr;
    }
    login->show();
    return login;
}

int run()
{
    prompt::setApplicationTitle(applicationTitle());
    SingleInstance instance(QStringLiteral("examdesk"));
    if (!instance.isFirst()) {
        // The running copy comes to the front first, so the student sees where the test is.
        instance.activateFirst();
        prompt::inform(nullptr, QStringLiteral("The test program has been running!"));
        return 0;
    }
    instance.setActivationHandler(&windowfront::bringToFront);
    // Better said now than after a test whose answers could not be stored.
    if (const datatree::Finding tree = datatree::checkForStudent(); !tree.ok()) {
        prompt::inform(nullptr, tree.message);
        if (tree.fatal)
            return 1;
    }
    const ExamStarter openExamWindow = &showExamWindow;
    if (!startUp(openExamWindow))
        return 0;
    return QApplication::exec();
}

} // namespace examdesk
