#include "helpwindow.h"
#include "imagecommand.h"
#include "mainwindow.h"
#include "paperfile.h"
#include "papermanagementdialog.h"
#include "paths.h"
#include "profile.h"
#include "prompt.h"
#include "session.h"
#include "testsupport.h"
#include "workwindows.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace {

using prompt::Answer;

const QString Completed = QStringLiteral("Save completed!");

/// A catalogue listing the papers in that order, each open, and a paper file for each with
/// the settings given (the same for all unless the test writes its own).
void writeTree(const TestDataRoot &root, const QStringList &papers, const QByteArray &main = {})
{
    QByteArray catalogue = "[TestName]\r\nTestNameCount=" + QByteArray::number(papers.size()) + "\r\n";
    for (int i = 0; i < papers.size(); ++i)
        catalogue += QByteArray::number(i + 1) + '=' + papers.at(i).toUtf8() + "\r\n";
    for (const QString &p : papers)
        catalogue += p.toUtf8() + "=1\r\n";
    root.write(QStringLiteral("sys/sys.cho"), catalogue);
    for (const QString &p : papers) {
        root.write(QStringLiteral("SHIJUAN/%1/%1.cho").arg(p), "[MAIN]\r\n" + main);
        root.write(QStringLiteral("SHIJUAN/%1/11.RTF").arg(p), "{\\rtf1 q}");
        root.write(QStringLiteral("CHENGJI/%1/Grade2A17.cho").arg(p), "[Grade2A]\r\n");
    }
}

/// A file outside the data root (an export target or an import source), with its folders.
void writeFile(const QString &path, const QByteArray &bytes = {})
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QString value(const TestDataRoot &root, const QString &relative, const QString &section, const QString &key)
{
    return profile::readValue(root.file(relative), section, key, QStringLiteral("<none>"));
}

QString catalogueValue(const TestDataRoot &root, const QString &key)
{
    return value(root, QStringLiteral("sys/sys.cho"), QStringLiteral("TestName"), key);
}

class Window
{
public:
    Window() { d.show(); }
    template <typename T = QWidget> T *get(const QString &name) const
    {
        T *w = d.findChild<T *>(name);
        if (!w)
            qFatal("no control %s", qPrintable(name));
        return w;
    }
    QLineEdit *box(const QString &name) const { return get<QLineEdit>(name); }
    QCheckBox *check(const QString &name) const { return get<QCheckBox>(name); }
    QListWidget *list() const { return get<QListWidget>(QStringLiteral("List1")); }
    void click(const QString &button) const { get<QPushButton>(button)->click(); }
    QStringList items() const
    {
        QStringList names;
        for (int i = 0; i < list()->count(); ++i)
            names.append(list()->item(i)->text());
        return names;
    }
    void select(int index) const { list()->setCurrentRow(index); }
    /// What a mouse sends for a double click on a list item.
    void doubleClick(int index) const
    {
        QWidget *viewport = list()->viewport();
        const QPoint at = list()->visualItemRect(list()->item(index)).center();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
    }
    /// Replaces the text of a box as a user does: select all, then type.
    void type(const QString &name, const QString &text) const
    {
        QLineEdit *b = box(name);
        b->setFocus();
        b->selectAll();
        if (text.isEmpty())
            QTest::keyClick(b, Qt::Key_Delete);
        else
            QTest::keyClicks(b, text);
    }

    mutable PaperManagementDialog d;
};

} // namespace

class TestPapers : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { closeAllWindows(); }

    void mainWindowOpensItAndHelpHasItsTopic()
    {
        TestDataRoot root;
        writeTree(root, {u"Unit3"_s});
        MainWindow main;
        examforge::registerWorkWindows(main);
        QVERIFY(main.commandPicture(MainWindow::Papers)->isEnabled());
        QString seen;
        QString topic;
        QTimer::singleShot(0, &main, [&] {
            if (auto *d = qobject_cast<PaperManagementDialog *>(QApplication::activeModalWidget())) {
                QCOMPARE(d->objectName(), u"试卷管理"_s);
                QCOMPARE(d->windowTitle(), u"Create Test"_s);
                seen = d->findChild<QListWidget *>(u"List1"_s)->item(0)->text();
                // Both the question editor and the Word export are wired.
                QVERIFY(d->findChild<QWidget *>(u"Command1"_s)->isEnabled());
                QVERIFY(d->findChild<QWidget *>(u"CmdToWORD"_s)->isEnabled());
                d->findChild<QPushButton *>(u"Command5"_s)->click();
                if (auto *help = d->findChild<HelpWindow *>())
                    topic = help->topic();
                d->reject();
            }
        });
        main.runCommand(MainWindow::Papers);
        QCOMPARE(seen, u"Unit3"_s);
        QCOMPARE(topic, u"papers"_s);
    }

    void openingShowsTheFirstPaper()
    {
        TestDataRoot root;
        writeTree(root, {u"Unit3"_s, u"Unit4"_s},
                  "TESTTIME=45\r\nEXERCISEMODE=1\r\nRETESTPASSWD=555\r\nRELOGINPASSWD=\r\nDISPLAY_SCORE=0\r\n"
                  "CHANGE_QUESTION_SORT=1\r\nA_grade=27\r\nB_grade=24\r\nC_grade=21\r\nD_grade=18\r\n"
                  "Author= Ms. Brook \r\nabout_test=Read carefully\r\nQuestion_conut= 5\r\nfull_mark= "
                  "30\r\nMark= 5\r\n");
        // A paper without its file shows every value as 0.
        QFile::remove(root.file(u"SHIJUAN/Unit4/Unit4.cho"_s));
        Window w;
        QCOMPARE(w.items(), QStringList({u"Unit3"_s, u"Unit4"_s}));
        QCOMPARE(w.list()->currentRow(), 0);
        QCOMPARE(examforge::session().currentPaperName, u"Unit3"_s);
        QCOMPARE(w.box(u"TXT3"_s)->text(), u"45"_s);
        QCOMPARE(w.box(u"Txt4"_s)->text(), u"30"_s);
        QCOMPARE(w.box(u"Txt14"_s)->text(), u"5"_s);
        QCOMPARE(w.box(u"TXT16"_s)->text(), u"5"_s);
        QCOMPARE(w.box(u"Txt15"_s)->text(), u"Ms. Brook"_s);
        QCOMPARE(w.get<QPlainTextEdit>(u"TXT17"_s)->toPlainText(), u"Read carefully"_s);
        QCOMPARE(w.box(u"Txt13"_s)->text(), u"18"_s);
        // A stored password ticks its box and is shown as it is, not replaced by the default.
        QVERIFY(w.check(u"Check1"_s)->isChecked());
        QCOMPARE(w.box(u"Txt重考密码"_s)->text(), u"555"_s);
        QVERIFY(!w.check(u"Check3"_s)->isChecked());
        QVERIFY(!w.box(u"Txt二次登录密码"_s)->isEnabled());
        QVERIFY(w.check(u"Check2"_s)->isChecked());
        QVERIFY(!w.check(u"Check4"_s)->isChecked());
        QVERIFY(w.check(u"Check6"_s)->isChecked());

        w.select(1);
        QCOMPARE(examforge::session().currentPaperName, u"Unit4"_s);
        QCOMPARE(w.box(u"TXT3"_s)->text(), u"0"_s);
        QCOMPARE(w.box(u"Txt重考密码"_s)->text(), u"0"_s);
        QVERIFY(w.check(u"Check1"_s)->isChecked());
        QVERIFY(!w.check(u"Check5"_s)->isChecked());
    }

    void emptyCatalogueSelectsNothing()
    {
        TestDataRoot root;
        Window w;
        QCOMPARE(w.list()->count(), 0);
        QCOMPARE(w.list()->currentRow(), -1);
        for (const QString &name :
             {u"Command7"_s, u"Cmd上移"_s, u"Cmd下移"_s, u"Cmd导出试卷"_s, u"TXT3"_s, u"Check1"_s})
            QVERIFY2(!w.get(name)->isEnabled(), qPrintable(name));
        QVERIFY(w.get(u"Command6"_s)->isEnabled());
        QVERIFY(w.get(u"Cmd导入试卷"_s)->isEnabled());
        // The first paper can be created from here.
        prompt::ScopedScript script;
        script->queue(u"First"_s);
        w.click(u"Command6"_s);
        QCOMPARE(w.items(), QStringList{u"First"_s});
        QVERIFY(w.get(u"Command7"_s)->isEnabled());
    }

    void createRefusesAndCancels()
    {
        TestDataRoot root;
        writeTree(root, {u"Unit3"_s, u"Unit4"_s});
        Window w;
        prompt::ScopedScript script;
        script->queue(u" Unit3 "_s);
        w.click(u"Command6"_s);
        QCOMPARE(script->records().at(0).text, u"Please input the name of new test. "_s);
        QCOMPARE(script->records().at(0).caption, u"Input test name"_s);
        QCOMPARE(script->texts().last(), u"The papername already exists,input another name!"_s);

        for (const QString &refused : {u"unit3"_s, u"a/b"_s, u"TestName"_s, u"12"_s}) {
            script->clear();
            script->queue(refused);
            w.click(u"Command6"_s);
            QCOMPARE(script->records().size(), 2);
            QVERIFY2(!script->texts().last().isEmpty(), qPrintable(refused));
        }

        w.select(0);
        script->clear();
        script->queue(u"   "_s);
        w.click(u"Command6"_s);
        QCOMPARE(w.list()->currentRow(), 1); // the last paper
        w.select(0);
        script->queue(QString()); // cancelled
        w.click(u"Command6"_s);
        QCOMPARE(w.list()->currentRow(), 1);
        QCOMPARE(w.items(), QStringList({u"Unit3"_s, u"Unit4"_s}));
        QVERIFY(w.d.createdPapers().isEmpty());
    }

    void createdPaperLeavesNoTraceAfterCancel()
    {
        TestDataRoot root;
        writeTree(root, {u"Unit3"_s});
        const QByteArray catalogue = root.read(u"sys/sys.cho"_s);
        {
            Window w;
            prompt::ScopedScript script;
            script->queue(u"Unit9"_s);
            w.click(u"Command6"_s);
            QCOMPARE(w.items().last(), u"Unit9"_s);
            w.click(u"Command4"_s);
            QVERIFY(!w.d.isVisible());
            QVERIFY(script->records().size() == 1);
        }
        QCOMPARE(root.read(u"sys/sys.cho"_s), catalogue);
        QVERIFY(!root.exists(u"SHIJUAN/Unit9"_s));
        QVERIFY(!root.exists(u"CHENGJI/Unit9"_s));
    }

    void createAndSaveWritesFoldersAndTwelveKeys()
    {
        TestDataRoot root;
        writeTree(root, {u"Unit3"_s});
        Window w;
        prompt::ScopedScript script;
        script->queue(u"Unit4"_s);
        w.click(u"Command6"_s);
        QCOMPARE(w.list()->currentRow(), 1);
        QCOMPARE(w.box(u"TXT16"_s)->text(), u"5"_s);
        QCOMPARE(w.get<QPlainTextEdit>(u"TXT17"_s)->toPlainText(), u"Unit4"_s);
        // Leftovers of an old paper of that name are cleared when the new one is saved.
        root.write(u"CHENGJI/Unit4/Old1.cho"_s, "x");
        w.click(u"Cmd保存"_s);
        QCOMPARE(script->texts().last(), Completed);
        QVERIFY(w.d.isVisible());
        QVERIFY(w.d.createdPapers().isEmpty());

        QVERIFY(QFileInfo(root.file(u"CHENGJI/Unit4"_s)).isDir());
        QVERIFY(!root.exists(u"CHENGJI/Unit4/Old1.cho"_s));
        const QByteArray file = root.read(u"SHIJUAN/Unit4/Unit4.cho"_s);
        QCOMPARE(keysOf(file, "MAIN"), paper::managementKeys());
        const QString path = u"SHIJUAN/Unit4/Unit4.cho"_s;
        const QStringList expected = {u"30"_s, u"0"_s,  u"827"_s, u"358"_s, u"1"_s, u"1"_s,
                                      u"90"_s, u"80"_s, u"70"_s,  u"60"_s,  u""_s,  u"Unit4"_s};
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(value(root, path, u"MAIN"_s, paper::managementKeys().at(i)), expected.at(i));
        QCOMPARE(catalogueValue(root, u"TestNameCount"_s), u"2"_s);
        QCOMPARE(catalogueValue(root, u"2"_s), u"Unit4"_s);
        QCOMPARE(catalogueValue(root, u"Unit4"_s), u"1"_s);
        // The existing paper keeps its questions' files and records.
        QVERIFY(root.exists(u"SHIJUAN/Unit3/11.RTF"_s));
        QVERIFY(root.exists(u"CHENGJI/Unit3/Grade2A17.cho"_s));
    }

    void passwordBoxesFollowTheirCheckBoxes()
    {
        TestDataRoot root;
        writeTree(root, {u"Unit3"_s}, "RETESTPASSWD=555\r\nRELOGINPASSWD=777\r\n");
        Window w;
        QCheckBox *retest = w.check(u"Check1"_s);
        QLineEdit *retestBox = w.box(u"Txt重考密码"_s);
        retest->click();
        QCOMPARE(retestBox->text(), QString());
        QVERIFY(!retestBox->isEnabled());
        retest->click();
        QCOMPARE(retestBox->text(), u"827"_s);
        QVERIFY(retestBox->isEnabled());
        w.type(u"Txt重考密码"_s, u"4711"_s);
        w.check(u"Check3"_s)->click();
        QCOMPARE(w.box(u"Txt二次登录密码"_s)->text(), QString());

        prompt::ScopedScript script;
        w.click(u"Cmd保存"_s);
        const QString path = u"SHIJUAN/Unit3/Unit3.cho"_s;
        QCOMPARE(value(root, path, u"MAIN"_s, u"RETESTPASSWD"_s), u"4711"_s);
        QCOMPARE(value(root, path, u"MAIN"_s, u"RELOGINPASSWD"_s), QString());
        w.check(u"Check3"_s)->click();
        QCOMPARE(w.box(u"Txt二次登录密码"_s)->text(), u"358"_s);
    }

    void boxesNormaliseWhatIsTyped()
    {
        TestDataRoot root;
        writeTree(root, {u"Unit3"_s}, "TESTTIME=30\r\nA_grade=90\r\n");
        Window w;
        w.type(u"TXT3"_s, u"7x"_s);
        QCOMPARE(w.box(u"TXT3"_s)->text(), u"7"_s);
        w.type(u"Txt10"_s, QString());
        QCOMPARE(w.box(u"Txt10"_s)->text(), u"0"_s);
        w.type(u"Txt11"_s, u"85a"_s);
        QCOMPARE(w.box(u"Txt11"_s)->text(), u"85"_s);
        // More than the paper file's readers can hold is refused.
        w.type(u"Txt12"_s, u"99999"_s);
        QCOMPARE(w.box(u"Txt12"_s)->text(), u"9999"_s);
        w.type(u"Txt15"_s, u"  Mr. Lee  "_s);
        QCOMPARE(w.box(u"Txt15"_s)->text(), u"  Mr. Lee  "_s); // blanks between words stay typeable
        w.get<QPlainTextEdit>(u"TXT17"_s)->setPlainText(u" Take\ncare "_s);
        // Typing into the editor's boxes changes nothing.
        QVERIFY(w.box(u"Txt4"_s)->isReadOnly());
        w.check(u"Check6"_s)->click();

        prompt::ScopedScript script;
        w.click(u"Command3"_s);
        QVERIFY(!w.d.isVisible());
        const QString path = u"SHIJUAN/Unit3/Unit3.cho"_s;
        QCOMPARE(value(root, path, u"MAIN"_s, u"TESTTIME"_s), u"7"_s);
        QCOMPARE(value(root, path, u"MAIN"_s, u"A_grade"_s), u"0"_s);
        QCOMPARE(value(root, path, u"MAIN"_s, u"B_grade"_s), u"85"_s);
        QCOMPARE(value(root, path, u"MAIN"_s, u"Author"_s), u"Mr. Lee"_s);
        QCOMPARE(value(root, path, u"MAIN"_s, u"about_test"_s), u"Take care"_s);
        QCOMPARE(value(root, path, u"MAIN"_s, u"full_mark"_s), u"<none>"_s);
        QCOMPARE(catalogueValue(root, u"Unit3"_s), u"0"_s);
    }

    void enterMovesTheFocusOn()
    {
        TestDataRoot root;
        writeTree(root, {u"Unit3"_s});
        Window w;
        w.d.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.d));
        prompt::ScopedScript script;
        const QStringList order = {u"TXT17"_s, u"TXT3"_s,  u"Txt15"_s, u"TXT16"_s,
                                   u"Txt10"_s, u"Txt11"_s, u"Txt12"_s, u"Txt13"_s};
        w.get(order.first())->setFocus();
        for (int i = 1; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCOMPARE(QApplication::focusWidget()->objectName(), order.at(i));
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget()->objectName(), u"Txt13"_s);
        // Enter in other controls neither creates nor saves anything.
        w.get(u"Check2"_s)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
        QVERIFY(script->records().isEmpty());
        QVERIFY(w.d.isVisible());
        QCOMPARE(w.get<QPlainTextEdit>(u"TXT17"_s)->toPlainText(), u"0"_s);
        // On a focused button Enter presses it.
        w.get(u"Cmd保存"_s)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(script->texts(), QStringList{Completed});
    }

    void deleteThenCancelBringsThePaperBack()
    {
        TestDataRoot root;
        writeTree(root, {u"Unit3"_s, u"Unit4"_s});
        Window w;
        prompt::ScopedScript script;
        w.select(0);
        script->queueAnswer(Answer::Cancel);
        w.click(u"Command7"_s);
        QCOMPARE(w.list()->count(), 2);
        QCOMPARE(script->records().at(0).caption, u"Manage paper"_s);
        QCOMPARE(script->records().at(0).text, u"Will you delete all data of the present paper?"_s);

        script->clear();
        w.click(u"Command7"_s);
        QCOMPARE(script->texts().last(), u"The present paper had been deleted!"_s);
        QCOMPARE(w.items(), QStringList{u"Unit4"_s});
        QCOMPARE(w.list()->currentRow(), 0);
        w.click(u"Command7"_s);
        QCOMPARE(script->texts().last(), u"Not allow to delete the paper!"_s);

        w.click(u"Command4"_s);
        w.d.show(); // opened again: read from disk
        QCOMPARE(w.items(), QStringList({u"Unit3"_s, u"Unit4"_s}));
        QVERIFY(root.exists(u"SHIJUAN/Unit3/11.RTF"_s));

        // Saved this time: both folders of the deleted paper go.
        w.select(0);
        w.click(u"Command7"_s);
        w.click(u"Cmd保存"_s);
        QCOMPARE(script->texts().last(), Completed);
        QVERIFY(!root.exists(u"SHIJUAN/Unit3"_s));
        QVERIFY(!root.exists(u"CHENGJI/Unit3"_s));
        QCOMPARE(catalogueValue(root, u"TestNameCount"_s), u"1"_s);
        QCOMPARE(catalogueValue(root, u"1"_s), u"Unit4"_s);
    }

    void deletedAndListedAgainKeepsItsFiles()
    {
        TestDataRoot root;
        writeTree(root, {u"Unit3"_s, u"Unit4"_s});
        // Created, deleted, never saved: no folders are made for it.
        Window w;
        prompt::ScopedScript script;
        script->queue(u"Draft"_s);
        w.click(u"Command6"_s);
        w.click(u"Command7"_s);
        // Deleted, then imported back under the same name before saving: the import's files stay.
        w.select(0);
        w.click(u"Command7"_s);
        QTemporaryDir backup;
        writeFile(backup.filePath(u"Unit3/Unit3.cho"_s),
                  "[MAIN]\r\nQuestion_conut= 1\r\n[1]\r\nQUESTION=11.RTF\r\n");
        writeFile(backup.filePath(u"Unit3/11.RTF"_s), "{\\rtf1 q}");
        script->queue(backup.filePath(u"Unit3/Unit3.cho"_s));
        w.click(u"Cmd导入试卷"_s);
        QCOMPARE(w.items(), QStringList({u"Unit4"_s, u"Unit3"_s}));
        w.click(u"Cmd保存"_s);
        QCOMPARE(script->texts().last(), Completed);
        QVERIFY(root.exists(u"SHIJUAN/Unit3/11.RTF"_s));
        QCOMPARE(value(root, u"SHIJUAN/Unit3/Unit3.cho"_s, u"1"_s, u"QUESTION"_s), u"11.RTF"_s);
        QVERIFY(!root.exists(u"SHIJUAN/Draft"_s));
        QVERIFY(!root.exists(u"CHENGJI/Draft"_s));
    }

    void moveAndSaveRenumbers()
    {
        TestDataRoot root;
        writeTree(root, {u"A1"_s, u"B1"_s, u"C1"_s});
        Window w;
        w.select(0);
        w.click(u"Cmd上移"_s);
        w.select(2);
        w.click(u"Cmd下移"_s);
        QCOMPARE(w.items(), QStringList({u"A1"_s, u"B1"_s, u"C1"_s}));
        w.type(u"TXT3"_s, u"50"_s); // C1's time limit travels with it
        w.click(u"Cmd上移"_s);
        w.click(u"Cmd上移"_s);
        QCOMPARE(w.items(), QStringList({u"C1"_s, u"A1"_s, u"B1"_s}));
        QCOMPARE(w.list()->currentRow(), 0);
        QCOMPARE(w.box(u"TXT3"_s)->text(), u"50"_s);
        w.click(u"Cmd下移"_s);
        QCOMPARE(w.items(), QStringList({u"A1"_s, u"C1"_s, u"B1"_s}));

        prompt::ScopedScript script;
        w.click(u"Cmd保存"_s);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(catalogueValue(root, QString::number(i + 1)), w.items().at(i));
        QCOMPARE(value(root, u"SHIJUAN/C1/C1.cho"_s, u"MAIN"_s, u"TESTTIME"_s), u"50"_s);
        QCOMPARE(value(root, u"SHIJUAN/A1/A1.cho"_s, u"MAIN"_s, u"TESTTIME"_s), u"0"_s);
    }

    void exportCopiesThePaperFolder()
    {
        TestDataRoot root;
        writeTree(root, {u"Unit3"_s}, "TESTTIME=40\r\n");
        QTemporaryDir out;
        const QString withSeparator = out.path() + u'/';
        const QString without = out.filePath(u"backup"_s);
        QDir().mkpath(without);
        Window w;
        prompt::ScopedScript script;
        script->queue(withSeparator);
        w.click(u"Cmd导出试卷"_s);
        QCOMPARE(script->records().at(0).text, u"Output paper to ..."_s);
        QCOMPARE(script->texts().last(), u"Output paper had completed!"_s);
        QVERIFY(QFile::exists(out.filePath(u"Unit3/Unit3.cho"_s)));
        QVERIFY(QFile::exists(out.filePath(u"Unit3/11.RTF"_s)));

        // Twice into the same folder: the copies are replaced, other files stay.
        QFile::remove(out.filePath(u"Unit3/11.RTF"_s));
        writeFile(out.filePath(u"Unit3/Unit3.cho"_s), "old");
        writeFile(out.filePath(u"Unit3/notes.txt"_s));
        script->queue(withSeparator);
        w.click(u"Cmd导出试卷"_s);
        QCOMPARE(profile::readValue(out.filePath(u"Unit3/Unit3.cho"_s), u"MAIN"_s, u"TESTTIME"_s), u"40"_s);
        QVERIFY(QFile::exists(out.filePath(u"Unit3/11.RTF"_s)));
        QVERIFY(QFile::exists(out.filePath(u"Unit3/notes.txt"_s)));

        script->queue(without);
        w.click(u"Cmd导出试卷"_s);
        QVERIFY(QFile::exists(out.filePath(u"backup/Unit3/Unit3.cho"_s)));

        // Exporting into the data tree's own SHIJUAN folder copies a file onto itself: it
        // must survive.
        script->clear();
        script->queue(root.file(u"SHIJUAN"_s));
        w.click(u"Cmd导出试卷"_s);
        QCOMPARE(script->texts().last(), u"Output paper had completed!"_s);
        QCOMPARE(value(root, u"SHIJUAN/Unit3/Unit3.cho"_s, u"MAIN"_s, u"TESTTIME"_s), u"40"_s);

        // Cancelled: nothing, no message.
        script->clear();
        w.click(u"Cmd导出试卷"_s);
        QCOMPARE(script->records().size(), 1);
    }

    void importRefusals()
    {
        TestDataRoot root;
        writeTree(root, {u"Unit3"_s});
        QTemporaryDir source;
        for (const QString &file :
             {u"Unit3/Unit3.cho"_s, u"unit3/unit3.cho"_s, u"Notes/readme.txt"_s, u"Bad/a=b.cho"_s})
            writeFile(source.filePath(file));
        Window w;
        prompt::ScopedScript script;
        script->clear();
        w.click(u"Cmd导入试卷"_s); // cancelled
        QCOMPARE(script->records().size(), 1);
        QCOMPARE(script->records().at(0).text, u"Please select a test file "_s);
        QCOMPARE(script->records().at(0).defaultText, paths::dataRoot());

        const QString exists = u"The paper name already exists ,input another name!"_s;
        const QList<std::pair<QString, bool>> cases = {{u"Unit3/Unit3.cho"_s, true},
                                                       {u"unit3/unit3.cho"_s, true},
                                                       {u"Notes/readme.txt"_s, false},
                                                       {u"Bad/a=b.cho"_s, false}};
        for (const auto &[file, duplicate] : cases) {
            script->clear();
            script->queue(source.filePath(file));
            w.click(u"Cmd导入试卷"_s);
            QCOMPARE(script->records().size(), 2);
            if (duplicate)
                QCOMPARE(script->texts().last(), exists);
            else
                QVERIFY(!script->texts().last().isEmpty() && script->texts().last() != exists);
        }
        QCOMPARE(w.items(), QStringList{u"Unit3"_s});
        QVERIFY(!root.exists(u"SHIJUAN/unit3"_s));
        QVERIFY(!root.exists(u"SHIJUAN/Notes"_s) && !root.exists(u"SHIJUAN/readme.txt"_s));
    }

    void importTakesTheWholePaper()
    {
        TestDataRoot root;
        writeTree(root, {u"Unit3"_s});
        QTemporaryDir source;
        const QString folder = source.filePath(u"Exam"_s);
        writeFile(folder + u"/Exam.CHO"_s,
                  "[MAIN]\r\nTESTTIME=20\r\nQuestion_conut= 2\r\nfull_mark= 10\r\nMark= 5\r\nExtra=kept\r\n"
                  "RETESTPASSWD=111\r\n[1]\r\nQUESTION=5.RTF\r\n");
        writeFile(folder + u"/5.RTF"_s);

        Window w;
        prompt::ScopedScript script;
        script->queue(folder + u"/Exam.CHO"_s);
        w.click(u"Cmd导入试卷"_s);
        QCOMPARE(script->texts().last(), u"Input paper had completed!"_s);
        QCOMPARE(w.items(), QStringList({u"Unit3"_s, u"Exam"_s}));
        QCOMPARE(w.list()->currentRow(), 1);
        QCOMPARE(w.box(u"TXT3"_s)->text(), u"20"_s);
        QCOMPARE(w.box(u"Txt14"_s)->text(), u"2"_s);
        QVERIFY(w.check(u"Check6"_s)->isChecked());
        QVERIFY(QFileInfo(root.file(u"CHENGJI/Exam"_s)).isDir());
        QVERIFY(root.exists(u"SHIJUAN/Exam/5.RTF"_s));
        // Not in the catalogue until the window saves.
        QCOMPARE(catalogueValue(root, u"TestNameCount"_s), u"1"_s);

        w.type(u"TXT3"_s, u"25"_s);
        w.click(u"Command3"_s);
        QCOMPARE(catalogueValue(root, u"2"_s), u"Exam"_s);
        QCOMPARE(catalogueValue(root, u"Exam"_s), u"1"_s);
        const QString path = u"SHIJUAN/Exam/Exam.CHO"_s;
        QCOMPARE(value(root, path, u"MAIN"_s, u"TESTTIME"_s), u"25"_s);
        QCOMPARE(value(root, path, u"MAIN"_s, u"RETESTPASSWD"_s), u"111"_s);
        QCOMPARE(value(root, path, u"MAIN"_s, u"Extra"_s), u"kept"_s);
        QCOMPARE(value(root, path, u"MAIN"_s, u"full_mark"_s), u"10"_s);
        QCOMPARE(value(root, path, u"1"_s, u"QUESTION"_s), u"5.RTF"_s);
    }

    void importFromTheFolderItFills()
    {
        // A paper folder left behind without a catalogue entry (an import that was cancelled):
        // importing its own file must not empty the folder first.
        TestDataRoot root;
        writeTree(root, {u"Unit3"_s, u"Left"_s}, "TESTTIME=33\r\n");
        root.write(u"sys/sys.cho"_s, "[TestName]\r\nTestNameCount=1\r\n1=Unit3\r\n");
        Window w;
        prompt::ScopedScript script;
        script->queue(root.file(u"SHIJUAN/Left/Left.cho"_s));
        w.click(u"Cmd导入试卷"_s);
        QCOMPARE(script->texts().last(), u"Input paper had completed!"_s);
        QVERIFY(root.exists(u"SHIJUAN/Left/11.RTF"_s));
        QCOMPARE(w.box(u"TXT3"_s)->text(), u"33"_s);
        // Its score folder is emptied as for any import.
        QVERIFY(!root.exists(u"CHENGJI/Left/Grade2A17.cho"_s));
    }

    void saveFailuresAreNamed()
    {
        TestDataRoot root;
        writeTree(root, {u"Unit3"_s, u"Unit4"_s});
        // A folder the save cannot remove (it holds a folder), and a new paper whose folder
        // cannot be made (a file has its name).
        QDir().mkpath(root.file(u"CHENGJI/Unit4/keep"_s));
        root.write(u"SHIJUAN/New"_s, "a file");
        Window w;
        prompt::ScopedScript script;
        w.select(1);
        w.click(u"Command7"_s);
        script->queue(u"New"_s);
        w.click(u"Command6"_s);
        script->clear();
        w.click(u"Command3"_s);
        QCOMPARE(script->records().size(), 1);
        const QString message = script->texts().at(0);
        QVERIFY(message.contains(QDir::toNativeSeparators(root.file(u"CHENGJI/Unit4"_s))));
        QVERIFY(message.contains(QDir::toNativeSeparators(root.file(u"SHIJUAN/New"_s))));
        QVERIFY(w.d.isVisible()); // OK did not close with unsaved work
        QCOMPARE(w.d.deletedPapers(), QStringList{u"Unit4"_s});
        QCOMPARE(w.d.createdPapers(), QStringList{u"New"_s});
        // What could be saved was saved.
        QCOMPARE(catalogueValue(root, u"TestNameCount"_s), u"2"_s);
        QVERIFY(!root.exists(u"SHIJUAN/Unit4"_s));

        // Once the obstacles are gone, saving again finishes the job.
        QDir(root.file(u"CHENGJI/Unit4/keep"_s)).removeRecursively();
        QFile::remove(root.file(u"SHIJUAN/New"_s));
        script->clear();
        w.click(u"Cmd保存"_s);
        QCOMPARE(script->texts(), QStringList{Completed});
        QVERIFY(!root.exists(u"CHENGJI/Unit4"_s));
        QVERIFY(root.exists(u"SHIJUAN/New/New.cho"_s));

        // An unwritable catalogue is named too, and nothing is called saved.
        QFile::remove(root.file(u"sys/sys.cho"_s));
        QDir().mkpath(root.file(u"sys/sys.cho"_s));
        script->clear();
        w.click(u"Cmd保存"_s);
        QCOMPARE(script->records().size(), 1);
        QVERIFY(script->texts().at(0).contains(u"sys.cho"_s));
        QVERIFY(!script->texts().contains(Completed));
    }

    void removalStaysInsideTheDataTree()
    {
        TestDataRoot root;
        writeTree(root, {u"Unit3"_s});
        QTemporaryDir elsewhere;
        writeFile(elsewhere.filePath(u"precious.txt"_s));
        // An old catalogue may list names nobody checked: one climbing out of SHIJUAN, one
        // whose folder is a link to somewhere else.
        root.write(u"outside/x.txt"_s, "x");
        QVERIFY(QFile::link(elsewhere.path(), root.file(u"SHIJUAN/Linked"_s)));
        root.write(u"sys/sys.cho"_s,
                   "[TestName]\r\nTestNameCount=3\r\n1=Unit3\r\n2=../outside\r\n3=Linked\r\n");
        Window w;
        prompt::ScopedScript script;
        w.select(1);
        w.click(u"Command7"_s);
        w.select(1);
        w.click(u"Command7"_s);
        QCOMPARE(w.items(), QStringList{u"Unit3"_s});
        w.click(u"Cmd保存"_s);
        QVERIFY(root.exists(u"outside/x.txt"_s));
        QVERIFY(QFile::exists(elsewhere.filePath(u"precious.txt"_s)));
        QVERIFY(!QFileInfo(root.file(u"SHIJUAN/Linked"_s)).isSymLink());
        QVERIFY(!script->texts().contains(Completed));
        QVERIFY(script->texts().last().contains(u"outside"_s));
    }

    void editSelectedTestSavesFirstAndRereads()
    {
        TestDataRoot root;
        writeTree(root, {u"Unit3"_s});
        Window w;
        prompt::ScopedScript script;
        script->queue(u"Unit5"_s);
        w.click(u"Command6"_s);
        // Not wired: the double click does nothing at all.
        w.doubleClick(1);
        QVERIFY(!root.exists(u"SHIJUAN/Unit5"_s));

        bool sawSavedPaper = false;
        QVERIFY(w.d.editSelectedTest([&](QWidget *parent) {
            QCOMPARE(parent, &w.d);
            QCOMPARE(examforge::session().currentPaperName, u"Unit5"_s);
            const QString file = paper::file(u"Unit5"_s);
            sawSavedPaper = QFile::exists(file) && QFileInfo(paths::scoreFolder(u"Unit5"_s)).isDir();
            paper::QuestionTable table;
            table.questions = {{u"1.RTF"_s, u"2.RTF"_s, u"1"_s, {}},
                               {u"3.RTF"_s, u"4.RTF"_s, u"2"_s, u"7"_s}};
            table.defaultMark = 4;
            table.fullScore = 11;
            paper::saveQuestions(file, table);
        }));
        QVERIFY(sawSavedPaper);
        QCOMPARE(w.list()->currentRow(), 1);
        QCOMPARE(w.box(u"Txt14"_s)->text(), u"2"_s);
        QCOMPARE(w.box(u"Txt4"_s)->text(), u"11"_s);
        QCOMPARE(w.box(u"TXT16"_s)->text(), u"4"_s);

        // Wired, the button and the double click open the editor.
        int opened = 0;
        w.d.setQuestionEditor([&](QWidget *) { ++opened; });
        QVERIFY(w.get(u"Command1"_s)->isEnabled());
        w.click(u"Command1"_s);
        w.doubleClick(0);
        QCOMPARE(opened, 2);
        QCOMPARE(examforge::session().currentPaperName, u"Unit3"_s);
    }

    void fullMarkBesideTheThresholdsAndGradesThatFit()
    {
        TestDataRoot root;
        const QByteArray grades = "A_grade=90\r\nB_grade=80\r\nC_grade=70\r\nD_grade=60\r\n";
        writeTree(root, {u"Unit3"_s, u"Unit4"_s, u"Unit6"_s}, grades);
        root.write(u"SHIJUAN/Unit3/Unit3.cho"_s, "[MAIN]\r\n" + grades + "Question_conut= 5\r\nfull_mark= 25\r\n");
        root.write(u"SHIJUAN/Unit6/Unit6.cho"_s, "[MAIN]\r\nA_grade=9\r\nfull_mark= 0\r\n");
        Window w;
        QLabel *fullMark = w.get<QLabel>(u"LabFullMark"_s);
        QCOMPARE(fullMark->text(), u"Full mark: 25"_s);
        w.select(1); // never edited: the "0" the window reads is no full mark
        QCOMPARE(fullMark->text(), u"Full mark: -"_s);
        w.select(2);
        QCOMPARE(fullMark->text(), u"Full mark: 0"_s);
        prompt::ScopedScript script;
        script->queue(u"Unit5"_s);
        w.click(u"Command6"_s);
        QCOMPARE(fullMark->text(), u"Full mark: -"_s);
        w.select(0);

        // Only the paper whose thresholds lie above a full mark is asked about; No keeps them.
        script->clear();
        script->queueAnswer(Answer::No);
        w.click(u"Cmd保存"_s);
        QCOMPARE(script->records().size(), 2);
        const prompt::ScriptedPrompts::Record offer = script->records().first();
        QVERIFY(offer.text.contains(u"\"Unit3\""_s) && offer.text.contains(u"25"_s));
        QVERIFY(offer.text.contains(u"(A 23, B 20, C 18, D 15)"_s));
        QCOMPARE(offer.buttons, prompt::Buttons::YesNo);
        QCOMPARE(script->texts().last(), Completed);
        QCOMPARE(value(root, u"SHIJUAN/Unit3/Unit3.cho"_s, u"MAIN"_s, u"A_grade"_s), u"90"_s);

        script->clear();
        script->queueAnswer(Answer::Yes);
        w.click(u"Cmd保存"_s);
        QCOMPARE(script->records().size(), 2);
        QCOMPARE(w.box(u"Txt10"_s)->text(), u"23"_s);
        QCOMPARE(w.box(u"Txt13"_s)->text(), u"15"_s);
        for (const auto &[key, grade] : {std::pair{u"A_grade"_s, u"23"_s}, {u"B_grade"_s, u"20"_s},
                                         {u"C_grade"_s, u"18"_s}, {u"D_grade"_s, u"15"_s}})
            QCOMPARE(value(root, u"SHIJUAN/Unit3/Unit3.cho"_s, u"MAIN"_s, key), grade);
        QCOMPARE(value(root, u"SHIJUAN/Unit4/Unit4.cho"_s, u"MAIN"_s, u"A_grade"_s), u"90"_s);

        // Thresholds that fit are not asked about again.
        script->clear();
        w.click(u"Cmd保存"_s);
        QCOMPARE(script->texts(), QStringList{Completed});
    }
};

QTEST_MAIN(TestPapers)
#include "tst_papers.moc"
