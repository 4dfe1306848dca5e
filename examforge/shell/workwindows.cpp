#include "workwindows.h"

#include "classmanagementdialog.h"
#include "examroomdialog.h"
#include "mainwindow.h"
#include "questioneditordialog.h"
#include "setpassworddialog.h"
#include "papermanagementdialog.h"

namespace examforge {

void registerWorkWindows(MainWindow &window)
{
    // Each work window is added here as it becomes available; a command without one stays
    // disabled.
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
}

} // namespace examforge
