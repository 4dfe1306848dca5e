#include "workwindows.h"

#include "classmanagementdialog.h"
#include "examroomdialog.h"
#include "mainwindow.h"
#include "questioneditordialog.h"
#include "papermanagementdialog.h"
#include "scoresdialog.h"
#include "setpassworddialog.h"

namespace examforge {

void registerWorkWindows(MainWindow &window)
{
    window.setCommandWindow(MainWindow::ExamRoom, [](QWidget *p) { return new ExamRoomDialog(p); });
    window.setCommandWindow(MainWindow::Classes, [](QWidget *p) { return new ClassManagementDialog(p); });
    window.setCommandWindow(MainWindow::Password, [](QWidget *p) { return new SetPasswordDialog(p); });
    window.setCommandWindow(MainWindow::Papers, [](QWidget *p) {
        auto *papers = new PaperManagementDialog(p);
        papers->setQuestionEditor([](QWidget *parent) {
            QuestionEditorDialog editor(parent);
            editor.exec();
        });
        return papers;
    });
    window.setCommandWindow(MainWindow::Scores, [](QWidget *p) { return new ScoresDialog(p); });
}

} // namespace examforge
