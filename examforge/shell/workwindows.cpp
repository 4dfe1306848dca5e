#include "workwindows.h"

#include "classmanagementdialog.h"
#include "examroomdialog.h"
#include "excelexport.h"
#include "mainwindow.h"
#include "papermanagementdialog.h"
#include "questioneditordialog.h"
#include "scoresdialog.h"
#include "setpassworddialog.h"
#include "wordexport.h"

namespace examforge {

void registerWorkWindows(MainWindow &window)
{
    window.setCommandWindow(MainWindow::ExamRoom, [](QWidget *p) { return new ExamRoomDialog(p); });
    window.setCommandWindow(MainWindow::Classes, [](QWidget *p) { return new ClassManagementDialog(p); });
    window.setCommandWindow(MainWindow::Password, [](QWidget *p) { return new SetPasswordDialog(p); });
    window.setCommandWindow(MainWindow::Papers, [](QWidget *p) {
        auto *dialog = new PaperManagementDialog(p);
        dialog->setQuestionEditor([](QWidget *parent) {
            QuestionEditorDialog editor(parent);
            editor.exec();
        });
        dialog->setWordExporter(
            [](QWidget *parent, const papers::PaperRow &row) { wordexport::exportPaper(parent, row); });
        return dialog;
    });
    window.setCommandWindow(MainWindow::Scores, [](QWidget *p) {
        auto *dialog = new ScoresDialog(p);
        dialog->setExporter(
            [](QWidget *parent, const scores::Report &report) { excelexport::exportReport(parent, report); });
        return dialog;
    });
}

} // namespace examforge
