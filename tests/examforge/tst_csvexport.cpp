// "Export CSV..." of the scores window, read back with an RFC 4180 reader.

#include "csvexport.h"
#include "prompt.h"
#include "scoresdialog.h"
#include "testsupport.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

/// An RFC 4180 reader: records end in CRLF, fields are separated by commas, a quoted field
/// may hold commas, CR, LF and doubled quotes. Anything else (a bare LF, a quote inside an
/// unquoted field, text after a closing quote) fails the test.
QList<QStringList> readCsv(const QString &text)
{
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    bool wasQuoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < text.size() && text.at(i + 1) == u'"') {
                    field += u'"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
            continue;
        }
        if (c == u'"') {
            if (!field.isEmpty() || wasQuoted)
                qFatal("quote inside an unquoted field at %lld", qlonglong(i));
            quoted = wasQuoted = true;
        } else if (c == u',') {
            record.append(field);
            field.clear();
            wasQuoted = false;
        } else if (c == u'\r') {
            if (i + 1 >= text.size() || text.at(i + 1) != u'\n')
                qFatal("CR without LF at %lld", qlonglong(i));
            ++i;
            record.append(field);
            records.append(record);
            record.clear();
            field.clear();
            wasQuoted = false;
        } else if (c == u'\n') {
            qFatal("bare LF at %lld", qlonglong(i));
        } else {
            if (wasQuoted)
                qFatal("text after a closing quote at %lld", qlonglong(i));
            field += c;
        }
    }
    if (quoted || !field.isEmpty() || !record.isEmpty())
        qFatal("the last record does not end in CRLF");
    return records;
}

/// Class 二班 (numbers 1..4) on paper P of three questions: 1 and 2 finished with scores, 3
/// started without one, 4 never logged in.
void writeTree(const TestDataRoot &root)
{
    root.write(u"sys/sys.cho"_s, u"[ClassName]\r\nClassNameCount=1\r\n1=二班\r\n[ClassCount]\r\n二班=4\r\n"
                                 "[FirstNumber]\r\n二班=1\r\n[LastNumber]\r\n二班=4\r\n"
                                 "[TestName]\r\nTestNameCount=1\r\n1=P\r\nP=1\r\n"_s.toUtf8());
    root.write(u"SHIJUAN/P/P.cho"_s, "[MAIN]\r\nQuestion_conut= 3\r\n[1]\r\nanswer=2\r\n[2]\r\nanswer=13\r\n"
                                     "[3]\r\nanswer=1\r\n");
    root.write(u"CHENGJI/P/二班1.cho"_s, u"[二班]\r\n1=小明\r\n1LAST=王\r\n1TIME2=00:10:00\r\n"
                                         "1DA1=2\r\n1DA2=13\r\n1DA3=0\r\n1DF= 90\r\n"_s.toUtf8());
    root.write(u"CHENGJI/P/二班2.cho"_s, u"[二班]\r\n2=Ann, \"Jr\"\r\n2LAST==1+1\r\n2TIME2=00:00:00\r\n"
                                         "2DA1=1\r\n2DA2=3\r\n2DA3=1\r\n2DF= 72.5\r\n"_s.toUtf8());
    root.write(u"CHENGJI/P/二班3.cho"_s,
               u"[二班]\r\n3=Cid\r\n3TIME1=2026,01,01  08:00:00\r\n3DA1=2\r\n"_s.toUtf8());
}

} // namespace

class TestCsvExport : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { closeAllWindows(); }

    void writesEveryStudentAndAnswer()
    {
        TestDataRoot root;
        writeTree(root);
        QTemporaryDir out;
        const QString path = out.filePath(u"scores.csv"_s);
        prompt::ScopedScript script;
        ScoresDialog window;
        window.show();
        QTRY_VERIFY(requireChild<QPushButton>(&window, u"CmdCSV"_s)->isEnabled());
        script->queue(path);
        requireChild<QPushButton>(&window, u"CmdCSV"_s)->click();

        QCOMPARE(script->records().size(), 2);
        QCOMPARE(script->records().at(0).kind, prompt::ScriptedPrompts::Kind::SaveFile);
        QVERIFY(script->records().at(0).defaultText.endsWith(u"P_二班.csv"_s));
        QVERIFY(script->records().at(1).text.contains(u"4 students"_s));

        // Kept where EXAM_EXPORT_SAMPLES names a folder, for scripts/check-exports.sh.
        if (const QString samples = qEnvironmentVariable("EXAM_EXPORT_SAMPLES"); !samples.isEmpty())
            QFile::copy(path, samples + u"/P_二班.csv"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        const QList<QStringList> rows = readCsv(QString::fromUtf8(bytes.mid(3)));
        QCOMPARE(rows.size(), 5);
        QCOMPARE(rows.at(0), QStringList({u"Number"_s, u"First name"_s, u"Last name"_s, u"Score"_s, u"Rank"_s,
                                          u"Time left"_s, u"Finished"_s, u"Q1"_s, u"Q2"_s, u"Q3"_s}));
        QCOMPARE(rows.at(1), QStringList({u"1"_s, u"小明"_s, u"王"_s, u"90"_s, u"1"_s, u"00:10:00"_s,
                                          u"yes"_s, u"2"_s, u"13"_s, u"0"_s}));
        // Commas and quotes survive; a name that a spreadsheet would run as a formula does not run.
        QCOMPARE(rows.at(2), QStringList({u"2"_s, u"Ann, \"Jr\""_s, u"'=1+1"_s, u"72.5"_s, u"2"_s,
                                          u"00:00:00"_s, u"yes"_s, u"1"_s, u"3"_s, u"1"_s}));
        // Started without a score, and never logged in: no score, rank or answers.
        QCOMPARE(rows.at(3), QStringList({u"3"_s, u"Cid"_s, QString(), QString(), QString(), QString(),
                                          u"no"_s, QString(), QString(), QString()}));
        QCOMPARE(rows.at(4).value(0), u"4"_s);
        QCOMPARE(rows.at(4).value(6), u"no"_s);

        // Cancelled: nothing written, nothing said.
        QVERIFY(QFile::remove(path));
        script->clear();
        requireChild<QPushButton>(&window, u"CmdCSV"_s)->click();
        QCOMPARE(script->records().size(), 1);
        QVERIFY(!QFile::exists(path));

        // A file that cannot be written is named, and no half file is left.
        script->clear();
        const QString blocked = out.filePath(u"no/such/folder/x.csv"_s);
        script->queue(blocked);
        requireChild<QPushButton>(&window, u"CmdCSV"_s)->click();
        QCOMPARE(script->records().size(), 2);
        QVERIFY(script->records().at(1).text.contains(u"not exported"_s));
        QVERIFY(!QFile::exists(blocked));
    }

    void fields()
    {
        QCOMPARE(csvexport::field(u"plain"_s, true), u"plain"_s);
        QCOMPARE(csvexport::field(u"a\nb"_s, true), u"\"a\nb\""_s);
        QCOMPARE(csvexport::field(u" lead"_s, true), u"\" lead\""_s);
        QCOMPARE(csvexport::field(u"@x"_s, true), u"'@x"_s);
        QCOMPARE(csvexport::field(u"-3"_s, false), u"-3"_s);
    }
};

QTEST_MAIN(TestCsvExport)
#include "tst_csvexport.moc"
