#include "screenregistry.h"

#include "classmanagementdialog.h"
#include "examroomdialog.h"
#include "logindialog.h"
#include "mainwindow.h"
#include "papermanagementdialog.h"
#include "prompt.h"
#include "questioneditordialog.h"
#include "session.h"
#include "catalogue.h"
#include "setpassworddialog.h"
#include "splashwindow.h"
#include "startup.h"
#include "workwindows.h"

#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>

namespace screens {

const QList<Entry> &entries()
{
    static const QList<Entry> list = [] {
        prompt::setApplicationTitle(QStringLiteral("Examora"));
        QList<Entry> l;
        l.append({QStringLiteral("examforge-splash"), [] { return static_cast<QWidget *>(new SplashWindow); }, {}});
        l.append({QStringLiteral("examforge-main"), [] {
                      auto *w = new MainWindow;
                      w->setWindowTitle(QStringLiteral("Examora 5.0"));
                      examforge::registerWorkWindows(*w);
                      return static_cast<QWidget *>(w);
                  }, {}});
        l.append({QStringLiteral("examforge-classes"), [] { return static_cast<QWidget *>(new ClassManagementDialog); }, {}});
        l.append({QStringLiteral("examforge-examroom"), [] { return static_cast<QWidget *>(new ExamRoomDialog); },
                  [](QWidget *w) {
                      // With a test chosen, as a teacher sees it while working.
                      if (auto *tests = w->findChild<QListWidget *>(QStringLiteral("List11")); tests && tests->count() > 0)
                          tests->setCurrentRow(0);
                  }});
        l.append({QStringLiteral("examforge-login"), [] { return static_cast<QWidget *>(new LoginDialog); }, {}});
        l.append({QStringLiteral("examforge-password"), [] { return static_cast<QWidget *>(new SetPasswordDialog); }, {}});
        l.append({QStringLiteral("examforge-papers"), [] { return static_cast<QWidget *>(new PaperManagementDialog); }, {}});
        // The question editor on the first paper of the data root, with its working copies in a
        // folder of its own (never a teacher's work folder).
        const auto editor = [] {
            static QTemporaryDir work;
            const QStringList papers = catalogue::paperNames();
            examforge::session().currentPaperName = papers.isEmpty() ? QString() : papers.first();
            auto *w = new QuestionEditorDialog;
            w->setWorkFolder(work.path());
            return static_cast<QWidget *>(w);
        };
        l.append({QStringLiteral("examforge-editor"), editor, {}});
        l.append({QStringLiteral("examforge-editor-bank"), editor, [](QWidget *w) {
                      if (auto *toggle = w->findChild<QPushButton *>(QStringLiteral("Cmd显示题库")))
                          toggle->click();
                      if (auto *bank = w->findChild<QListWidget *>(QStringLiteral("List题库试题")); bank && bank->count() > 1)
                          bank->setCurrentRow(1);
                  }});
        return l;
    }();
    return list;
}

} // namespace screens
