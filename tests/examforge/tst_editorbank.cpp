#include "tst_editorsupport.h"

#include "profile.h"
#include "prompt.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>

using namespace Qt::Literals::StringLiterals;
using namespace editortest;
using prompt::Answer;

namespace {

const QString Duplicate = u"The question already exists!\nwill you add the same question?"_s;

/// Unit3 (being edited) with two questions, and Bank with five whose answers and marks differ.
void writeTree(const TestDataRoot &root)
{
    writeCatalogue(root, {u"Unit3"_s, u"Bank"_s});
    writePaper(root, u"Unit3"_s, simpleQuestions(2));
    QList<PaperQuestion> bank;
    for (int i = 1; i <= 5; ++i)
        bank.append({u"Bank question %1"_s.arg(i), QString::number(i),
                     i == 2 ? QString() : QString::number(i * 10), u"b%1.RTF"_s.arg(i), u"x%1.RTF"_s.arg(i)});
    writePaper(root, u"Bank"_s, bank, 3);
}

QListWidget *bankList(const Editor &e)
{
    return e.get<QListWidget>(u"List题库试题"_s);
}

void showBank(const Editor &e, int paperIndex)
{
    e.click(u"Cmd显示题库"_s);
    e.get<QComboBox>(u"Combo1"_s)->setCurrentIndex(paperIndex);
}

} // namespace

class TestEditorBank : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { closeAllWindows(); }

    void toggleShowsOneFrameAndListsEveryPaper()
    {
        TestDataRoot root;
        writeTree(root);
        Editor e(u"Unit3"_s);
        QPushButton *toggle = e.get<QPushButton>(u"Cmd显示题库"_s);
        QCOMPARE(toggle->text().remove(u'&'), u"Question Bank Visible"_s);
        QVERIFY(toggle->toolTip().contains(u"questions or \nmake it hidden"_s));
        QVERIFY(e.get(u"Frame考题"_s)->isVisible() && !e.get(u"Fra题库"_s)->isVisible());

        e.question()->setPlainText(u"Unsaved text"_s);
        toggle->click();
        QCOMPARE(toggle->text().remove(u'&'), u"Question Bank Hidden"_s);
        QVERIFY(!e.get(u"Frame考题"_s)->isVisible() && e.get(u"Fra题库"_s)->isVisible());
        auto *combo = e.get<QComboBox>(u"Combo1"_s);
        QCOMPARE(combo->count(), 2);
        QCOMPARE(combo->currentText(), u"Unit3"_s);
        // The bank lists the paper as saved; nothing is selected at first.
        QCOMPARE(bankList(e)->count(), 2);
        QCOMPARE(bankList(e)->item(0)->text(), u"Question 1"_s);
        QCOMPARE(bankList(e)->currentRow(), -1);
        // With nothing selected the preview shows the last bank question.
        QCOMPARE(e.get<RichTextBox>(u"Rich题库试题"_s)->plainText(), u"Question 2"_s);
        combo->setCurrentIndex(1);
        QCOMPARE(bankList(e)->count(), 5);
        QCOMPARE(bankList(e)->item(4)->text(), u"Bank question 5"_s);
        QCOMPARE(bankList(e)->currentRow(), -1);
        QCOMPARE(e.get<RichTextBox>(u"Rich题库试题"_s)->plainText(), u"Bank question 5"_s);
        bankList(e)->setCurrentRow(3);
        QCOMPARE(e.get<RichTextBox>(u"Rich题库试题"_s)->plainText(), u"Bank question 4"_s);
        QVERIFY(e.get<RichTextBox>(u"Rich题库试题"_s)->isReadOnly());

        toggle->click();
        QVERIFY(e.get(u"Frame考题"_s)->isVisible() && !e.get(u"Fra题库"_s)->isVisible());
        QCOMPARE(e.d.shownQuestion(), 1);
        QCOMPARE(e.question()->plainText(), u"Unsaved text"_s);
        // Nothing was written to the bank paper.
        QCOMPARE(rtf::plainTextOfFile(root.file(u"SHIJUAN/Unit3/q1.RTF"_s)), u"Question 1"_s);
    }

    void importAppendsAndWalksThroughTheBank()
    {
        TestDataRoot root;
        writeTree(root);
        Editor e(u"Unit3"_s);
        showBank(e, 1);
        bankList(e)->setCurrentRow(1);
        e.click(u"Cmd导入考题"_s);

        QCOMPARE(e.questions().size(), 3);
        const paper::Question added = e.questions().last();
        QCOMPARE(added.answer, u"2"_s);
        QVERIFY(added.mark.isEmpty());
        QVERIFY(added.questionFile != u"b2.RTF"_s);
        QFile copied(e.workFile(added.questionFile));
        QVERIFY(copied.open(QIODevice::ReadOnly));
        QCOMPARE(copied.readAll(), root.read(u"SHIJUAN/Bank/b2.RTF"_s));
        QCOMPARE(rtf::plainTextOfFile(e.workFile(added.explainFile)), u"Why Bank question 2"_s);
        QCOMPARE(e.grid()->rowCount(), 3);
        QCOMPARE(e.gridText(3), u"Bank question 2"_s);
        QCOMPARE(e.grid()->item(2, 0)->text(), u" 3"_s);
        // The new row is current; the question being edited stays shown.
        QCOMPARE(e.d.currentQuestion(), 3);
        QCOMPARE(e.d.shownQuestion(), 1);
        QCOMPARE(bankList(e)->currentRow(), 2);

        // The same bank question again is no duplicate: its copy has new names.
        prompt::ScopedScript script;
        bankList(e)->setCurrentRow(1);
        e.click(u"Cmd导入考题"_s);
        QCOMPARE(e.questions().size(), 4);
        QVERIFY(script->records().isEmpty());
        // A double click imports too; the last bank question keeps the selection.
        const QRect last = bankList(e)->visualItemRect(bankList(e)->item(4));
        QTest::mouseClick(bankList(e)->viewport(), Qt::LeftButton, {}, last.center());
        QTest::mouseDClick(bankList(e)->viewport(), Qt::LeftButton, {}, last.center());
        QCOMPARE(e.questions().size(), 5);
        QCOMPARE(e.questions().last().mark, u"50"_s);
        QCOMPARE(bankList(e)->currentRow(), 4);
        // Enter on the list imports the selected question.
        QTest::keyClick(bankList(e), Qt::Key_Return);
        QCOMPARE(e.questions().size(), 6);

        // An imported empty mark is worth the edited paper's default mark (5), not the bank's.
        e.click(u"Cmd_ok"_s);
        QVERIFY(!e.d.isVisible());
        const QString file = root.file(u"SHIJUAN/Unit3/Unit3.cho"_s);
        // 5 + 5, question 2 of the bank twice (5 + 5), question 5 twice (50 + 50)
        QCOMPARE(profile::readValue(file, u"MAIN"_s, u"full_mark"_s), u"120"_s);
        QCOMPARE(profile::readValue(file, u"MAIN"_s, u"Question_conut"_s), u"6"_s);
        QVERIFY(QFile::exists(root.file(u"SHIJUAN/Unit3/"_s + added.questionFile)));
        QCOMPARE(paths::listFiles(root.file(u"SHIJUAN/Bank"_s), {u"*.rtf"_s}).size(), 10);
    }

    void importingFromTheEditedPaperAsksAboutTheDuplicate()
    {
        TestDataRoot root;
        writeTree(root);
        Editor e(u"Unit3"_s);
        showBank(e, 0);
        prompt::ScopedScript script;
        // No selection: the first bank question is taken.
        script->queueAnswer(Answer::Cancel);
        e.click(u"Cmd导入考题"_s);
        QCOMPARE(script->texts(), QStringList{Duplicate});
        QCOMPARE(script->records().first().buttons, prompt::Buttons::OkCancel);
        QCOMPARE(e.questions().size(), 2);
        QCOMPARE(bankList(e)->currentRow(), 1);
        // Cancel on the last bank question leaves the selection there.
        script->queueAnswer(Answer::Cancel);
        e.click(u"Cmd导入考题"_s);
        QCOMPARE(bankList(e)->currentRow(), 1);
        QCOMPARE(e.questions().size(), 2);
        // OK takes it anyway, as an independent copy.
        script->queueAnswer(Answer::Ok);
        e.click(u"Cmd导入考题"_s);
        QCOMPARE(script->records().size(), 3);
        QCOMPARE(e.questions().size(), 3);
        QVERIFY(e.questions().last().questionFile.compare(u"q2.RTF"_s, Qt::CaseInsensitive) != 0);
        QCOMPARE(e.gridText(3), u"Question 2"_s);
    }

    void missingBankFilesComeOverEmpty()
    {
        TestDataRoot root;
        writeCatalogue(root, {u"Unit3"_s, u"Old"_s, u"Gone"_s});
        writePaper(root, u"Unit3"_s, simpleQuestions(1));
        writePaper(root, u"Old"_s, {{{}, u"4"_s, u"2"_s, u"lost.RTF"_s, u"lost2.RTF"_s}});
        Editor e(u"Unit3"_s);
        showBank(e, 1);
        QCOMPARE(bankList(e)->count(), 1);
        QCOMPARE(bankList(e)->item(0)->text(), QString());
        e.click(u"Cmd导入考题"_s);
        QCOMPARE(e.questions().size(), 2);
        const paper::Question added = e.questions().last();
        QCOMPARE(added.answer, u"4"_s);
        for (const QString &name : {added.questionFile, added.explainFile}) {
            QTextDocument doc;
            QVERIFY(rtf::loadFile(e.workFile(name), doc));
            QVERIFY(doc.toPlainText().isEmpty());
        }
        // A paper without a paper file is an empty bank.
        e.get<QComboBox>(u"Combo1"_s)->setCurrentIndex(2);
        QCOMPARE(bankList(e)->count(), 0);
        QVERIFY(e.get<RichTextBox>(u"Rich题库试题"_s)->plainText().isEmpty());
        e.click(u"Cmd导入考题"_s);
        QCOMPARE(e.questions().size(), 2);
    }
};

QTEST_MAIN(TestEditorBank)
#include "tst_editorbank.moc"
