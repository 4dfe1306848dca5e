#include "screenregistry.h"

#include "catalogue.h"
#include "classmanagementdialog.h"
#include "examroomdialog.h"
#include "examwindow.h"
#include "helptextwindow.h"
#include "helpwindow.h"
#include "instructionswindow.h"
#include "logindialog.h"
#include "mainwindow.h"
#include "papermanagementdialog.h"
#include "passwordentrywindow.h"
#include "prompt.h"
#include "printpaperdialog.h"
#include "questioneditordialog.h"
#include "symbolpalette.h"
#include "scoresscreens.h"
#include "session.h"
#include "setpassworddialog.h"
#include "splashwindow.h"
#include "startup.h"
#include "studentloginwindow.h"
#include "workwindows.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>

namespace screens {
namespace {

// The student's windows, on the first open paper of the data root.
void appendExamdesk(QList<Entry> &l)
{
    l.append({QStringLiteral("examdesk-login"), [] {
                  auto *w = new StudentLoginWindow;
                  w->load();
                  return static_cast<QWidget *>(w);
              }, {}});
    l.append({QStringLiteral("examdesk-password"), [] {
                  auto *w = new PasswordEntryWindow;
                  w->setPrompt(QStringLiteral("Input retest password:"));
                  return static_cast<QWidget *>(w);
              }, [](QWidget *w) { w->findChild<QLineEdit *>(QStringLiteral("TxtPW"))->setText(QStringLiteral("827")); }});
    l.append({QStringLiteral("examdesk-instructions"), [] {
                  examdesk::ExamSession session;
                  for (const catalogue::PaperEntry &p : catalogue::loadPapers()) {
                      if (catalogue::isSet(p.openFlag)) {
                          session.考试名称 = p.name;
                          break;
                      }
                  }
                  return static_cast<QWidget *>(new InstructionsWindow(session, {}));
              }, {}});
    // The exam of a student of the first class, with two questions answered; the second picture
    // shows the key (on a paper that allows it).
    const auto makeExam = [] {
        examdesk::ExamSession session;
        for (const catalogue::PaperEntry &p : catalogue::loadPapers()) {
            if (catalogue::isSet(p.openFlag)) {
                session.考试名称 = p.name;
                break;
            }
        }
        const QList<catalogue::ClassRecord> classes = catalogue::loadClasses();
        session.班级 = classes.isEmpty() ? QStringLiteral("Grade2A") : classes.constFirst().name;
        session.学号 = QString::number(classes.isEmpty() ? 1 : classes.constFirst().first);
        session.姓名 = QStringLiteral("Ann");
        session.姓名LAST = QStringLiteral("Lee");
        auto *w = new ExamWindow(session);
        w->setExit([] {});
        return static_cast<QWidget *>(w);
    };
    const auto answerTwo = [](QWidget *w) {
        for (const char *name : {"CmdQuestion(2)", "Op_XZ(1)", "Op_XZ(3)", "CmdQuestion(1)", "Op_XZ(2)"}) {
            if (auto *b = w->findChild<QAbstractButton *>(QString::fromLatin1(name)))
                b->click();
        }
    };
    l.append({QStringLiteral("examdesk-exam"), makeExam, answerTwo});
    l.append({QStringLiteral("examdesk-exam-key"), makeExam, [answerTwo](QWidget *w) {
                  answerTwo(w);
                  if (auto *key = w->findChild<QAbstractButton *>(QStringLiteral("Command3")); key && key->isVisible())
                      key->click();
              }});
    l.append({QStringLiteral("examdesk-help"), [] {
                  auto *w = new HelpTextWindow;
                  w->setText(HelpTextWindow::helpText());
                  return static_cast<QWidget *>(w);
              }, {}});
}

} // namespace

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
        l.append({QStringLiteral("examforge-help"), [] {
                      auto *w = new HelpWindow;
                      w->showTopic(QStringLiteral("index"));
                      w->placeOnScreen();
                      return static_cast<QWidget *>(w);
                  }, {}});
        l.append({QStringLiteral("examforge-papers"), [] { return static_cast<QWidget *>(new PaperManagementDialog); }, {}});
        appendExamdesk(l);
        appendScores(l);
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
        l.append({QStringLiteral("examforge-print"), [] { return static_cast<QWidget *>(new PrintPaperDialog); }, {}});
        l.append({QStringLiteral("examforge-symbols"), [] { return static_cast<QWidget *>(new SymbolPalette); }, {}});
        return l;
    }();
    return list;
}

} // namespace screens
