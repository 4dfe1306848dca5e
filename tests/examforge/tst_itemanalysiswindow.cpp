#include "itemanalysiswindow.h"
#include "prompt.h"
#include "richtextbox.h"
#include "scoresdialog.h"
#include "testsupport.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// Paper P: question 1 key 2 (with a text), 2 key 13, 3 key 4 that the strong students answer 3.
// Class G1: students 1..6 with a score, 7 started without one.
void writeTree(const TestDataRoot &root)
{
    root.write(u"sys/sys.cho"_s,
               "[ClassName]\r\nClassNameCount=2\r\n1=G1\r\n2=G2\r\n"
               "[ClassCount]\r\nG1=7\r\nG2=2\r\n[FirstNumber]\r\nG1=1\r\nG2=11\r\n"
               "[LastNumber]\r\nG1=7\r\nG2=12\r\n[TestName]\r\nTestNameCount=1\r\n1=P\r\nP=1\r\n");
    root.write(u"SHIJUAN/P/P.cho"_s,
               "[MAIN]\r\nQuestion_conut= 3\r\nMark= 1\r\n"
               "[1]\r\nQUESTION=101.RTF\r\nanswer=2\r\n[2]\r\nQUESTION=102.RTF\r\nanswer=13\r\n"
               "[3]\r\nQUESTION=103.RTF\r\nanswer=4\r\n");
    root.write(u"SHIJUAN/P/101.RTF"_s, "{\\rtf1\\ansi How much is 1 + 1?\\par}");
    const char *answers[] = {"2,13,3", "2,13,3", "2,13,3", "2,1,3", "1,3,4", "3,0,4", "2,13,3"};
    for (int n = 1; n <= 7; ++n) {
        const QByteArray number = QByteArray::number(n);
        const QList<QByteArray> codes = QByteArray(answers[n - 1]).split(',');
        QByteArray record = "[G1]\r\n" + number + "=S" + number + "\r\n";
        for (int j = 0; j < 3; ++j)
            record += number + "DA" + QByteArray::number(j + 1) + "=" + codes.at(j) + "\r\n";
        if (n < 7)
            record += number + "TIME2=00:01:00\r\n" + number + "DF= 0\r\n";
        root.write(u"CHENGJI/P/G1"_s + QString::number(n) + u".cho"_s, record);
    }
}

ItemAnalysisWindow *openFromScores(ScoresDialog &scores)
{
    scores.show();
    requireChild<QPushButton>(&scores, u"CmdAnalysis"_s)->click();
    ItemAnalysisWindow *window = nullptr;
    [&] {
        QTRY_VERIFY((window = scores.findChild<ItemAnalysisWindow *>(u"ItemAnalysis"_s)) &&
                    window->isVisible());
    }();
    return window;
}

QString figure(const QWidget *w, const QString &name)
{
    return requireChild<QLabel>(w, name)->text();
}

/// Question numbers in the order the table shows them.
QList<int> shownOrder(const QTableView *table)
{
    QList<int> numbers;
    for (int r = 0; r < table->model()->rowCount(); ++r)
        numbers.append(table->model()->index(r, 0).data().toInt());
    return numbers;
}

} // namespace

class TestItemAnalysisWindow : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { closeAllWindows(); }

    void opensFromTheScoresWindow()
    {
        TestDataRoot root;
        writeTree(root);
        ScoresDialog scores;
        ItemAnalysisWindow *w = openFromScores(scores);
        QCOMPARE(w->windowTitle(), u"Item analysis"_s);
        QVERIFY(w->isModal());
        // Totals 2, 2, 2, 1, 1, 1 of the six students with a score.
        QCOMPARE(figure(w, u"FigStudents"_s), u"6"_s);
        QCOMPARE(figure(w, u"FigMean"_s), u"1.50"_s);
        QCOMPARE(figure(w, u"FigHighest"_s), u"2.00"_s);
        QCOMPARE(figure(w, u"FigGroupSize"_s), u"2"_s);
        // Recorded scores of 0 differ from what the answers earn.
        QVERIFY(requireChild<QLabel>(w, u"LabNote"_s)->text().contains(u"6 of the recorded scores"_s));

        auto *table = requireChild<QTableView>(w, u"TblItems"_s);
        QCOMPARE(shownOrder(table), (QList<int>{1, 2, 3}));
        // Question 3: the top group answered 3 rather than the key 4.
        const QModelIndex flags = table->model()->index(2, 7);
        QVERIFY(flags.data().toString().contains(u"check key"_s));
        QVERIFY(flags.data(Qt::ToolTipRole)
                    .toString()
                    .contains(u"The top group chose 3 more often than the key 4."_s));
        QCOMPARE(w->property("helpTopic").toString(), u"itemanalysis"_s);
        QVERIFY(QFile::exists(QStringLiteral(EXAM_ASSETS_DIR "/help/itemanalysis.html")));
        QVERIFY(w->minimumSizeHint().width() <= 1000 && w->minimumSizeHint().height() <= 700);
        QVERIFY(w->width() <= 1024 && w->height() <= 720);

        QTest::keyClick(w, Qt::Key_Escape);
        QTRY_VERIFY(!scores.findChild<ItemAnalysisWindow *>());
    }

    void sortsByAnyColumnAndShowsTheChosenQuestion()
    {
        TestDataRoot root;
        writeTree(root);
        ScoresDialog scores;
        ItemAnalysisWindow *w = openFromScores(scores);
        auto *table = requireChild<QTableView>(w, u"TblItems"_s);
        QHeaderView *header = table->horizontalHeader();
        const auto clickHeader = [&](int column) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
        };
        // Facility 4/6, 3/6 and 2/6; a second click sorts the other way.
        clickHeader(3);
        const QList<int> once = shownOrder(table);
        QVERIFY(once == (QList<int>{3, 2, 1}) || once == (QList<int>{1, 2, 3}));
        clickHeader(3);
        QList<int> twice = shownOrder(table);
        std::reverse(twice.begin(), twice.end());
        QCOMPARE(twice, once);
        // The key column sorts by number: 2, 4, 13.
        clickHeader(1);
        const QList<int> byKey = shownOrder(table);
        QVERIFY(byKey == (QList<int>{1, 3, 2}) || byKey == (QList<int>{2, 3, 1}));
        for (int i = 0; i < 2 && shownOrder(table) != QList<int>{2, 3, 1}; ++i)
            clickHeader(1);
        QCOMPARE(shownOrder(table), (QList<int>{2, 3, 1}));

        // A click on question 1 (now the last row) shows its answers and its text.
        table->setFocus();
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                          table->visualRect(table->model()->index(2, 1)).center());
        QCOMPARE(w->shownQuestion(), 1);
        auto *choices = requireChild<QTableWidget>(w, u"TblChoices"_s);
        QCOMPARE(choices->rowCount(), 3);
        QCOMPARE(choices->item(0, 0)->text(), u"1"_s);
        QCOMPARE(choices->item(1, 0)->text(), u"2  (key)"_s);
        QVERIFY(choices->item(1, 0)->font().bold());
        QVERIFY(!choices->item(0, 0)->font().bold());
        QCOMPARE(choices->item(1, 1)->text(), u"4"_s);
        // Top group: the three students with 2 share its two places.
        QCOMPARE(choices->item(1, 2)->text(), u"2"_s);
        QCOMPARE(choices->item(1, 3)->text(), u"0.67"_s);
        auto *text = requireChild<RichTextBox>(w, u"RichQuestion"_s);
        QCOMPARE(text->plainText().trimmed(), u"How much is 1 + 1?"_s);
        QVERIFY(text->isReadOnly());
        // The arrow key goes to question 3, which has no text file.
        QTest::keyClick(table, Qt::Key_Up);
        QCOMPARE(w->shownQuestion(), 3);
        QVERIFY(text->plainText().trimmed().isEmpty());
    }

    void picturesAreSavedAsPng()
    {
        TestDataRoot root;
        writeTree(root);
        QTemporaryDir out;
        ScoresDialog scores;
        ItemAnalysisWindow *w = openFromScores(scores);
        prompt::ScopedScript script;
        script->queue(out.path());
        requireChild<QPushButton>(w, u"CmdSaveHistogram"_s)->click();
        const QString histogram = QDir(out.path()).filePath(u"P_G1_histogram.png"_s);
        QCOMPARE(script->texts().last(),
                 u"The picture was saved as %1."_s.arg(QDir::toNativeSeparators(histogram)));
        QImage image(histogram);
        QCOMPARE(image.size(), ItemAnalysisWindow::pictureSize());
        // The bars are drawn: some pixels are neither white nor black nor grey.
        bool coloured = false;
        for (int y = 0; y < image.height() && !coloured; y += 4) {
            for (int x = 0; x < image.width() && !coloured; x += 4) {
                const QColor c = image.pixelColor(x, y);
                coloured = c.blue() > c.red() + 40;
            }
        }
        QVERIFY(coloured);

        // Saving again asks before it replaces; No keeps the file.
        const QDateTime written = QFileInfo(histogram).lastModified();
        script->clear();
        script->queue(out.path());
        script->queueAnswer(prompt::Answer::No);
        requireChild<QPushButton>(w, u"CmdSaveHistogram"_s)->click();
        QCOMPARE(script->texts().size(), 2);
        QVERIFY(script->texts().last().endsWith(u"exists already. Replace it?"_s));
        QCOMPARE(QFileInfo(histogram).lastModified(), written);

        // A cancelled folder choice saves nothing; a folder that cannot be written says so.
        script->clear();
        requireChild<QPushButton>(w, u"CmdSavePlot"_s)->click();
        QVERIFY(!QFile::exists(QDir(out.path()).filePath(u"P_G1_discrimination.png"_s)));
        script->queue(out.filePath(u"missing/folder"_s));
        requireChild<QPushButton>(w, u"CmdSavePlot"_s)->click();
        QVERIFY(script->texts().last().startsWith(u"The picture could not be saved"_s));
        script->queue(out.path());
        requireChild<QPushButton>(w, u"CmdSavePlot"_s)->click();
        QVERIFY(QImage(QDir(out.path()).filePath(u"P_G1_discrimination.png"_s)).width() > 0);
    }

    void hugePaperOpens()
    {
        // The largest question count a paper file can hold; one student answered only the last.
        TestDataRoot root;
        writeTree(root);
        root.write(u"SHIJUAN/P/P.cho"_s,
                   "[MAIN]\r\nQuestion_conut=32767\r\nMark= 1\r\n[32767]\r\nanswer=3\r\n");
        root.write(u"CHENGJI/P/G11.cho"_s, "[G1]\r\n1DA32767=3\r\n1TIME2=00:00:01\r\n1DF= 1\r\n");
        QElapsedTimer timer;
        timer.start();
        ScoresDialog scores;
        ItemAnalysisWindow *w = openFromScores(scores);
        qInfo("opened in %lld ms", timer.elapsed());
        QCOMPARE(requireChild<QTableView>(w, u"TblItems"_s)->model()->rowCount(), 32767);
        // Questions without a key score when left unanswered, as at the finish.
        QCOMPARE(w->analysis().totals.first(), 32767.0);
        w->grab();
    }

    void classWithoutScores()
    {
        TestDataRoot root;
        writeTree(root);
        ScoresDialog scores;
        scores.show();
        requireChild<QComboBox>(&scores, u"Combo2"_s)->setCurrentIndex(1);
        requireChild<QPushButton>(&scores, u"CmdAnalysis"_s)->click();
        ItemAnalysisWindow *w = nullptr;
        QTRY_VERIFY((w = scores.findChild<ItemAnalysisWindow *>()));
        QCOMPARE(figure(w, u"FigStudents"_s), u"0"_s);
        for (const QString &name : {u"FigMean"_s, u"FigDeviation"_s, u"FigReliability"_s, u"FigGroupSize"_s})
            QCOMPARE(figure(w, name), u"-"_s);
        QVERIFY(requireChild<QLabel>(w, u"LabNote"_s)->text().contains(u"No student"_s));
        auto *table = requireChild<QTableView>(w, u"TblItems"_s);
        QCOMPARE(table->model()->index(0, 3).data().toString(), u"-"_s);
        // Pictures of nothing are still pictures.
        w->grab();
    }
};

QTEST_MAIN(TestItemAnalysisWindow)
#include "tst_itemanalysiswindow.moc"
