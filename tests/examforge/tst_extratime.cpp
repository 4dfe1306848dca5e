#include "catalogue.h"
#include "classmanagementdialog.h"
#include "extratimedialog.h"
#include "liveroom.h"
#include "prompt.h"
#include "scorereport.h"
#include "testsupport.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

namespace {

const QByteArray Catalogue = "[ClassName]\r\nClassNameCount=1\r\n1=G\r\n"
                             "[ClassCount]\r\nG=3\r\n[FirstNumber]\r\nG=1\r\n[LastNumber]\r\nG=3\r\n"
                             "[TestName]\r\nTestNameCount=2\r\n1=P\r\n2=Long\r\nP=1\r\nLong=1\r\n";

void setCell(QTableWidget *table, int row, int column, const QString &text)
{
    table->item(row, column)->setText(text);
}

} // namespace

class TestExtraTime final : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { closeAllWindows(); }

    void storedBesideTheClass()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), Catalogue);
        QVERIFY(catalogue::saveExtraTimes(QStringLiteral("G"), {{2, {1.5, 10}}, {3, {1.0, 0}}}));
        const QByteArray file = root.read(QStringLiteral("sys/sys.cho"));
        QVERIFY(file.startsWith(Catalogue)); // the old keys stay as they were
        QVERIFY(file.contains(
            "[ExtraTimeFactor]\r\nG|2=1.5\r\nG|3=1\r\n[ExtraTimeMinutes]\r\nG|2=10\r\nG|3=0\r\n"));
        const QMap<int, catalogue::ExtraTime> times = catalogue::extraTimes(QStringLiteral("G"), 1, 3);
        QCOMPARE(times.keys(), QList<int>{2});
        QCOMPARE(times.value(2), (catalogue::ExtraTime{1.5, 10}));
        QCOMPARE(catalogue::extraTimeText(times.value(2)), QStringLiteral("x1.5 +10 min"));
        // Hand-made values out of range are brought into it.
        root.write(
            QStringLiteral("sys/sys.cho"),
            Catalogue +
                "[ExtraTimeFactor]\r\nG|1=9\r\nG|2=abc\r\n[ExtraTimeMinutes]\r\nG|1=-5\r\nG|2=999\r\n");
        QCOMPARE(catalogue::extraTime(QStringLiteral("G"), 1), (catalogue::ExtraTime{3.0, 0}));
        QCOMPARE(catalogue::extraTime(QStringLiteral("G"), 2), (catalogue::ExtraTime{1.0, 240}));
    }

    void limitFactorFirstThenMinutes()
    {
        QCOMPARE(catalogue::limitSeconds(45, {1.5, 10}), qint64(45 * 90 + 600));
        QCOMPARE(catalogue::ownLimitSeconds(45, {}), qint64(2700));
        QCOMPARE(catalogue::ownLimitSeconds(300, {2.0, 0}), catalogue::MaxLimitSeconds);
        // A paper already longer than the countdown holds is never cut by extra time.
        QCOMPARE(catalogue::ownLimitSeconds(600, {1.5, 0}), qint64(36000));
    }

    void dialogRefusesWhatIsNoNumberAndWritesNothing()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), Catalogue);
        root.write(QStringLiteral("SHIJUAN/P/P.cho"), "[MAIN]\r\nTESTTIME=45\r\n");
        prompt::ScopedScript script;
        ExtraTimeDialog dialog(catalogue::loadClass(QStringLiteral("G")));
        auto *table = requireChild<QTableWidget>(&dialog, QStringLiteral("ExtraList"));
        QCOMPARE(table->rowCount(), 3);
        QCOMPARE(table->item(0, 1)->text(), QStringLiteral("1.0"));
        setCell(table, 1, 1, QStringLiteral("1.5"));
        setCell(table, 1, 2, QStringLiteral("10"));
        for (const auto &[factor, minutes, text] :
             {std::tuple{"abc", "0", "The time factor of student 3 must be a number from 1.0 to 3.0."},
              {"0.5", "0", "The time factor of student 3 must be a number from 1.0 to 3.0."},
              {"1", "241", "The extra minutes of student 3 must be a whole number from 0 to 240."},
              {"1", "1e2", "The extra minutes of student 3 must be a whole number from 0 to 240."},
              {"1", "-3", "The extra minutes of student 3 must be a whole number from 0 to 240."}}) {
            script->clear();
            setCell(table, 2, 1, QString::fromLatin1(factor));
            setCell(table, 2, 2, QString::fromLatin1(minutes));
            requireChild<QPushButton>(&dialog, QStringLiteral("CmdExtraOk"))->click();
            QCOMPARE(script->texts(), QStringList{QString::fromLatin1(text)});
            QCOMPARE(root.read(QStringLiteral("sys/sys.cho")), Catalogue);
            QCOMPARE(table->currentRow(), 2);
        }
        script->clear();
        setCell(table, 2, 1, QString());
        setCell(table, 2, 2, QStringLiteral("5"));
        requireChild<QPushButton>(&dialog, QStringLiteral("CmdExtraOk"))->click();
        QVERIFY(script->texts().isEmpty());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const QMap<int, catalogue::ExtraTime> times = catalogue::extraTimes(QStringLiteral("G"), 1, 3);
        QCOMPARE(times.value(2), (catalogue::ExtraTime{1.5, 10}));
        QCOMPARE(times.value(3), (catalogue::ExtraTime{1.0, 5}));
        QVERIFY(!times.contains(1));
    }

    void limitBeyondTheCountdownIsLoweredWhenEntered()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), Catalogue);
        root.write(QStringLiteral("SHIJUAN/P/P.cho"), "[MAIN]\r\nTESTTIME=45\r\n");
        root.write(QStringLiteral("SHIJUAN/Long/Long.cho"), "[MAIN]\r\nTESTTIME=300\r\n");
        prompt::ScopedScript script;
        ExtraTimeDialog dialog(catalogue::loadClass(QStringLiteral("G")));
        auto *table = requireChild<QTableWidget>(&dialog, QStringLiteral("ExtraList"));
        setCell(table, 0, 1, QStringLiteral("1.5"));
        setCell(table, 0, 2, QStringLiteral("240")); // 450 + 240 minutes on Long
        setCell(table, 1, 1, QStringLiteral("3"));   // 900 minutes
        requireChild<QPushButton>(&dialog, QStringLiteral("CmdExtraOk"))->click();
        QCOMPARE(script->texts(),
                 QStringList{QStringLiteral(
                     "Examdesk counts down at most 546 minutes. The extra time of students 1, 2 "
                     "was lowered so that it fits the longest test (Long, 300 minutes).")});
        const catalogue::ExtraTime one = catalogue::extraTime(QStringLiteral("G"), 1);
        const catalogue::ExtraTime two = catalogue::extraTime(QStringLiteral("G"), 2);
        QCOMPARE(one, (catalogue::ExtraTime{1.5, 96})); // 27000 + 96 * 60 = 32760 seconds
        QCOMPARE(two.factor, 1.82);
        QVERIFY(catalogue::limitSeconds(300, one) <= catalogue::MaxLimitSeconds);
        QVERIFY(catalogue::limitSeconds(300, two) <= catalogue::MaxLimitSeconds);
    }

    void openedFromClassManagement()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), Catalogue);
        prompt::ScopedScript script;
        ClassManagementDialog window;
        window.show();
        auto *button = requireChild<QPushButton>(&window, QStringLiteral("CmdExtraTime"));
        requireChild<QListWidget>(&window, QStringLiteral("List1"))->setCurrentRow(0);
        int rows = -1;
        QTimer::singleShot(0, this, [&] {
            auto *dialog = qobject_cast<ExtraTimeDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto *table = requireChild<QTableWidget>(dialog, QStringLiteral("ExtraList"));
            rows = table->rowCount();
            setCell(table, 0, 2, QStringLiteral("20"));
            requireChild<QPushButton>(dialog, QStringLiteral("CmdExtraOk"))->click();
        });
        button->click();
        QCOMPARE(rows, 3);
        QCOMPARE(catalogue::extraTime(QStringLiteral("G"), 1), (catalogue::ExtraTime{1.0, 20}));
    }

    void liveViewAndChecksKnowTheExtraTime()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), Catalogue + "[ExtraTimeFactor]\r\nG|1=1.5\r\n");
        root.write(QStringLiteral("SHIJUAN/P/P.cho"), "[MAIN]\r\nTESTTIME=10\r\nQuestion_conut= 0\r\n");
        // Student 1 finished with 14 minutes left of 15; student 2 had no extra time.
        root.write(QStringLiteral("CHENGJI/P/G1.cho"), "[G]\r\n1TIME1=x\r\n1TIME2=00:14:00\r\n1DF= 0\r\n");
        root.write(QStringLiteral("CHENGJI/P/G2.cho"), "[G]\r\n2TIME1=x\r\n2TIME2=00:14:00\r\n2DF= 0\r\n");
        root.write(QStringLiteral("CHENGJI/P/G3.cho"), "[G]\r\n3TIME1=x\r\n");
        root.write(QStringLiteral("sys/sys.cho"),
                   Catalogue + "[ExtraTimeFactor]\r\nG|1=1.5\r\nG|3=2\r\n[ExtraTimeMinutes]\r\nG|3=5\r\n");
        const scores::Report report = scores::loadReport(QStringLiteral("P"), QStringLiteral("G"));
        QCOMPARE(report.students.at(0).extraTime, QStringLiteral("x1.5"));
        QCOMPARE(int(report.students.at(0).check.kind), int(scores::CheckKind::Agrees));
        QCOMPARE(report.students.at(1).check.text,
                 QStringLiteral("The time left 00:14:00 is more than the test time 00:10:00"));
        const live::Room room =
            live::read(QStringLiteral("P"), QStringLiteral("G"), QDateTime::currentDateTime());
        QCOMPARE(room.sitting.size(), 1);
        QCOMPARE(room.sitting.first().extraTime, QStringLiteral("x2 +5 min"));
    }
};

QTEST_MAIN(TestExtraTime)
#include "tst_extratime.moc"
