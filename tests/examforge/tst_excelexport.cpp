#include "excelexport.h"
#include "prompt.h"
#include "scoresdialog.h"
#include "testsupport.h"
#include "workbook.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString Succeeded = u"The operation succeed!"_s;

/// Keeps a copy of a produced file where EXAM_EXPORT_SAMPLES names a folder, so that
/// scripts/check-exports.sh can open it with office software.
void keepSample(const QString &path, const QString &name)
{
    const QString folder = qEnvironmentVariable("EXAM_EXPORT_SAMPLES");
    if (!folder.isEmpty() && !path.isEmpty())
        QFile::copy(path, QDir(folder).filePath(name));
}

QByteArray shippedTemplate()
{
    QFile f(QStringLiteral(EXAM_ASSETS_DIR "/sys/score.xlt"));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("no template");
    return f.readAll();
}

/// Class G1 (numbers 1..4) on paper P of three questions with keys 2, 13 and none: 1 scored
/// 90, 2 scored 85, 3 started without a score, 4 has no record. G2 has no record at all; G3
/// and G4 count fewer and more students than their number ranges hold.
void writeTree(const TestDataRoot &root)
{
    root.write(u"sys/score.xlt"_s, shippedTemplate());
    root.write(u"sys/sys.cho"_s, "[ClassName]\r\nClassNameCount=4\r\n1=G1\r\n2=G2\r\n3=G3\r\n4=G4\r\n"
                                 "[ClassCount]\r\nG1=4\r\nG2=2\r\nG3=2\r\nG4=9\r\n"
                                 "[FirstNumber]\r\nG1=1\r\nG2=11\r\nG3=21\r\nG4=31\r\n"
                                 "[LastNumber]\r\nG1=4\r\nG2=12\r\nG3=23\r\nG4=32\r\n"
                                 "[TestName]\r\nTestNameCount=1\r\n1=P\r\nP=1\r\n");
    root.write(u"SHIJUAN/P/P.cho"_s,
               "[MAIN]\r\nA_grade=90\r\nB_grade=80\r\nC_grade=70\r\nD_grade=60\r\n"
               "Question_conut= 3\r\n[1]\r\nanswer=2\r\n[2]\r\nanswer=13\r\n[3]\r\nanswer=\r\n");
    root.write(u"CHENGJI/P/G11.cho"_s,
               "[G1]\r\n1=Ann\r\n1LAST=Lee\r\n1TIME2=00:10:00\r\n1DA1=2\r\n1DA2=13\r\n1DA3=0\r\n1DF= 90\r\n");
    root.write(u"CHENGJI/P/G12.cho"_s,
               "[G1]\r\n2=Bob\r\n2LAST=Ray\r\n2TIME2=00:05:00\r\n2DA1=1\r\n2DA2=13\r\n2DA3=5\r\n2DF= 85\r\n");
    root.write(u"CHENGJI/P/G13.cho"_s, "[G1]\r\n3=Cid\r\n3DA1=2\r\n");
    for (const char *number : {"21", "22", "23", "31", "32"}) {
        const QByteArray n(number);
        const QByteArray cls = n.startsWith('2') ? "G3" : "G4";
        root.write(QString::fromLatin1("CHENGJI/P/" + cls + n + ".cho"),
                   "[" + cls + "]\r\n" + n + "=S" + n + "\r\n" + n + "DF= 50\r\n" + n + "DA1=2\r\n");
    }
}

struct Run
{
    QString path;
    QList<QUrl> opened;
    QStringList prompts;
};

Run exportReport(const scores::Report &report, const QString &temporary)
{
    Run run;
    prompt::ScopedScript script;
    excelexport::Options options;
    options.temporaryFolder = temporary;
    options.open = [&run](const QUrl &url) {
        run.opened.append(url);
        return true;
    };
    run.path = excelexport::exportReport(nullptr, report, options);
    run.prompts = script->texts();
    return run;
}

QByteArray part(const QString &zipPath, const QString &name)
{
    QuaZip zip(zipPath);
    if (!zip.open(QuaZip::mdUnzip) || !zip.setCurrentFile(name))
        return {};
    QuaZipFile f(&zip);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

/// Writes the package at from to to, with each part passed through change.
void rewrite(const QString &from, const QString &to,
             const std::function<QByteArray(const QString &, QByteArray)> &change)
{
    QMap<QString, QByteArray> parts;
    {
        QuaZip in(from);
        QVERIFY(in.open(QuaZip::mdUnzip));
        for (bool more = in.goToFirstFile(); more; more = in.goToNextFile()) {
            QuaZipFile f(&in);
            QVERIFY(f.open(QIODevice::ReadOnly));
            parts.insert(in.getCurrentFileName(), f.readAll());
        }
    }
    QuaZip out(to);
    QVERIFY(out.open(QuaZip::mdCreate));
    for (auto it = parts.cbegin(); it != parts.cend(); ++it) {
        QuaZipFile f(&out);
        QVERIFY(f.open(QIODevice::WriteOnly, QuaZipNewInfo(it.key())));
        f.write(change(it.key(), it.value()));
    }
}

/// The s (or style) attribute of the first element named tag that has the attribute given.
QString styleOf(const QByteArray &xml, const QString &tag, const QString &attribute)
{
    const QRegularExpression element(
        u"<%1\\s[^>]*\\b%2[^>]*>"_s.arg(tag, QRegularExpression::escape(attribute)));
    const QString found = element.match(QString::fromUtf8(xml)).captured(0);
    return QRegularExpression(u"\\b(?:s|style)=\"(\\d+)\""_s).match(found).captured(1);
}

bool isEmptyFolder(const QString &path)
{
    return QDir(path).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

QVariant number(double value)
{
    return QVariant(value);
}

QVariant text(const QString &value)
{
    return QVariant(value);
}

} // namespace

class TestExcelExport : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { closeAllWindows(); }

    void classFromTheWindowWhateverTheListsSort()
    {
        TestDataRoot root;
        writeTree(root);
        QTemporaryDir temporary;
        Run run;
        prompt::ScopedScript script;
        ScoresDialog window;
        window.setExporter([&](QWidget *parent, const scores::Report &report) {
            excelexport::Options options;
            options.temporaryFolder = temporary.path();
            options.open = [&run](const QUrl &url) {
                run.opened.append(url);
                return true;
            };
            run.path = excelexport::exportReport(parent, report, options);
        });
        window.show();
        window.findChild<QPushButton *>(u"CMD成绩"_s)->click();
        window.findChild<QPushButton *>(u"Cmd得分率"_s)->click();
        window.findChild<QPushButton *>(u"Cmd输出"_s)->click();
        QCOMPARE(script->texts(), QStringList{Succeeded});
        QCOMPARE(QFileInfo(run.path).fileName(), u"P_G1.xlsx"_s);
        keepSample(run.path, u"P_G1.xlsx"_s);
        QVERIFY(run.path.startsWith(temporary.path()));
        QCOMPARE(run.opened, QList<QUrl>{QUrl::fromLocalFile(run.path)});

        Workbook book(run.path);
        QVERIFY2(book.isValid(), qPrintable(book.errorString()));
        // The template's four worksheets, the item analysis, then the record checks.
        QCOMPARE(book.sheetCount(), 6);
        QCOMPARE(book.sheetName(5), u"Item analysis"_s);
        QCOMPARE(book.sheetName(6), u"Checks"_s);

        // Students, in number order; one without a score has neither score nor rank.
        QCOMPARE(book.cell(1, u"B2"_s), text(u"P"_s));
        QCOMPARE(book.cell(1, u"E1"_s), text(u"G1"_s));
        const QList<QVariantList> students = {
            {number(1), text(u"Ann"_s), text(u"Lee"_s), number(90), number(1), number(600.0 / 86400)},
            {number(2), text(u"Bob"_s), text(u"Ray"_s), number(85), number(2), number(300.0 / 86400)},
            {number(3), text(u"Cid"_s), {}, {}, {}, {}},
            {number(4), {}, {}, {}, {}, {}},
        };
        for (int i = 0; i < students.size(); ++i) {
            for (int c = 0; c < 6; ++c)
                QCOMPARE(book.cell(1, 6 + i, 1 + c), students.at(i).at(c));
        }
        QVERIFY(!book.cell(1, u"A10"_s).isValid());
        QCOMPARE(book.cell(1, u"A5"_s), text(u"No."_s)); // the template's heading stays

        // Class statistics: B6 and the shares only where someone has a score.
        QCOMPARE(book.cell(2, u"B1"_s), text(u"G1"_s));
        QCOMPARE(book.cell(2, u"B2"_s), text(u"P"_s));
        const QList<double> statistics = {87.5, 90, 85, 2, 175, 1, 1, 0, 0, 0, 2, 50, 50, 0, 0, 0, 100};
        for (int r = 0; r < statistics.size(); ++r)
            QCOMPARE(book.cell(2, 6 + r, 2), number(statistics.at(r)));

        // Questions in number order: number, key, rate, choices 1 to 5.
        QCOMPARE(book.cell(3, u"F1"_s), text(u"G1"_s));
        const QList<QList<double>> questions = {
            {1, 2, 100, 1, 2, 0, 0, 0}, {2, 13, 100, 2, 0, 2, 0, 0}, {3, 0, 0, 0, 0, 0, 0, 1}};
        for (int j = 0; j < questions.size(); ++j) {
            for (int c = 0; c < 8; ++c)
                QCOMPARE(book.cell(3, 6 + j, 1 + c), number(questions.at(j).at(c)));
        }

        // Answer codes of the students with a score only.
        QCOMPARE(book.cell(4, u"F1"_s), text(u"G1"_s));
        QCOMPARE(book.cell(4, u"D5"_s), text(u"NO 1"_s));
        QCOMPARE(book.cell(4, u"E5"_s), text(u"NO 2"_s));
        QCOMPARE(book.cell(4, u"F5"_s), text(u"NO 3"_s));
        QVERIFY(!book.cell(4, u"G5"_s).isValid());
        const QList<QVariantList> answers = {
            {number(1), text(u"Ann"_s), text(u"Lee"_s), number(2), number(13), number(0)},
            {number(2), text(u"Bob"_s), text(u"Ray"_s), number(1), number(13), number(5)},
            {number(3), text(u"Cid"_s), {}, {}, {}, {}},
            {number(4), {}, {}, {}, {}, {}},
        };
        for (int i = 0; i < answers.size(); ++i) {
            for (int c = 0; c < 6; ++c)
                QCOMPARE(book.cell(4, 6 + i, 1 + c), answers.at(i).at(c));
        }

        // New cells take their column's format from the template (times show as times), and
        // the question headings take the heading row's.
        const QByteArray templ = part(root.file(u"sys/score.xlt"_s), u"xl/worksheets/sheet1.xml"_s);
        const QString timeStyle = styleOf(templ, u"col"_s, u"min=\"6\""_s);
        QVERIFY(!timeStyle.isEmpty());
        QCOMPARE(styleOf(part(run.path, u"xl/worksheets/sheet1.xml"_s), u"c"_s, u"r=\"F6\""_s), timeStyle);
        const QByteArray answersSheet = part(run.path, u"xl/worksheets/sheet4.xml"_s);
        const QString headingStyle = styleOf(answersSheet, u"row"_s, u"r=\"5\""_s);
        QVERIFY(!headingStyle.isEmpty());
        QCOMPARE(styleOf(answersSheet, u"c"_s, u"r=\"D5\""_s), headingStyle);
    }

    void itemAnalysisFollowsTheFourUntouched()
    {
        TestDataRoot root;
        writeTree(root);
        root.write(u"SHIJUAN/P/P.cho"_s, "[MAIN]\r\nQuestion_conut= 3\r\nMark= 1\r\n[1]\r\nanswer=2\r\n"
                                         "[2]\r\nanswer=13\r\nmark=2\r\n[3]\r\nanswer=\r\n");
        const scores::Report report = scores::loadReport(u"P"_s, u"G1"_s);
        QTemporaryDir temporary;
        const QString plain = temporary.filePath(u"plain.xlsx"_s);
        const QString withAnalysis = temporary.filePath(u"analysis.xlsx"_s);
        {
            Workbook book(root.file(u"sys/score.xlt"_s));
            QVERIFY(excelexport::fill(book, report));
            QVERIFY(book.save(plain));
        }
        {
            Workbook book(root.file(u"sys/score.xlt"_s));
            QVERIFY(excelexport::fill(book, report));
            QVERIFY(excelexport::fillItemAnalysis(book, report));
            QVERIFY(book.save(withAnalysis));
        }
        keepSample(withAnalysis, u"P_G1_analysis.xlsx"_s);
        for (int sheet = 1; sheet <= 4; ++sheet) {
            const QString name = u"xl/worksheets/sheet%1.xml"_s.arg(sheet);
            QVERIFY(!part(plain, name).isEmpty());
            QCOMPARE(part(withAnalysis, name), part(plain, name));
        }
        QCOMPARE(part(withAnalysis, u"xl/styles.xml"_s), part(plain, u"xl/styles.xml"_s));

        // Students 1 (90) and 2 (85) have a score; question 1 (key 2): 1 right, 2 gave 1.
        Workbook book(withAnalysis);
        QVERIFY2(book.isValid(), qPrintable(book.errorString()));
        QCOMPARE(book.sheetCount(), 5);
        QCOMPARE(book.sheetName(5), u"Item analysis"_s);
        QCOMPARE(book.cell(5, u"B1"_s), text(u"G1"_s));
        QCOMPARE(book.cell(5, u"B2"_s), text(u"P"_s));
        QCOMPARE(book.cell(5, u"A4"_s), text(u"Students"_s));
        QCOMPARE(book.cell(5, u"B4"_s), number(2));
        // Totals 4 (1 + 2, and 1 for question 3 left unanswered) and 2: one student in each group.
        QCOMPARE(book.cell(5, u"B5"_s), number(3));
        QCOMPARE(book.cell(5, u"A12"_s), text(u"Cronbach's alpha"_s));
        QCOMPARE(book.cell(5, u"B14"_s), number(4));
        QCOMPARE(book.cell(5, u"B15"_s), number(1));
        const QVariantList first{number(1), number(2), number(1), number(0.5), number(1), number(1), number(2), number(1)};
        for (int c = 0; c < first.size(); ++c)
            QCOMPARE(book.cell(5, 18, 1 + c), first.at(c));
        // Question 3 has no key: it scores for the student who left it unanswered.
        QCOMPARE(book.cell(5, u"B20"_s), number(0));
        QCOMPARE(book.cell(5, u"H20"_s), number(1));
        QVERIFY(book.cell(5, u"I20"_s).toString().contains(u"no key"_s));
        // Answers of question 1: code 1 (not the key) from the bottom student, 2 from the top.
        const QVariantList choices[] = {{number(1), number(1), number(0), number(1), number(0), number(1)},
                                        {number(1), number(2), number(1), number(1), number(1), number(0)}};
        for (int r = 0; r < 2; ++r) {
            for (int c = 0; c < 6; ++c)
                QCOMPARE(book.cell(5, 18 + r, 12 + c), choices[r].at(c));
        }
    }

    void classWithoutScores()
    {
        TestDataRoot root;
        writeTree(root);
        QTemporaryDir temporary;
        const Run run = exportReport(scores::loadReport(u"P"_s, u"G2"_s), temporary.path());
        QCOMPARE(run.prompts, QStringList{Succeeded});
        Workbook book(run.path);
        QVERIFY(book.isValid());
        QVERIFY(!book.cell(2, u"B6"_s).isValid());
        for (int r = 7; r <= 16; ++r)
            QCOMPARE(book.cell(2, r, 2), number(0));
        for (int r = 17; r <= 22; ++r)
            QVERIFY2(!book.cell(2, r, 2).isValid(), qPrintable(u"B%1"_s.arg(r)));
        QCOMPARE(book.cell(4, u"A6"_s), number(11));
        QCOMPARE(book.cell(4, u"A7"_s), number(12));
        QVERIFY(!book.cell(4, u"D6"_s).isValid());
        QVERIFY(!book.cell(1, u"D6"_s).isValid());
        QVERIFY(!book.cell(1, u"E6"_s).isValid());
    }

    void everyNumberOfTheRangeWhateverTheClassCount_data()
    {
        QTest::addColumn<QString>("className");
        QTest::addColumn<QList<int>>("numbers");
        QTest::newRow("count below the range") << u"G3"_s << QList<int>{21, 22, 23};
        QTest::newRow("count above the range") << u"G4"_s << QList<int>{31, 32};
    }

    void everyNumberOfTheRangeWhateverTheClassCount()
    {
        QFETCH(QString, className);
        QFETCH(QList<int>, numbers);
        TestDataRoot root;
        writeTree(root);
        QTemporaryDir temporary;
        const Run run = exportReport(scores::loadReport(u"P"_s, className), temporary.path());
        QCOMPARE(run.prompts, QStringList{Succeeded});
        Workbook book(run.path);
        for (int sheet : {1, 4}) {
            for (int i = 0; i < numbers.size(); ++i) {
                QCOMPARE(book.cell(sheet, 6 + i, 1), number(numbers.at(i)));
                QCOMPARE(book.cell(sheet, 6 + i, 2), text(u"S%1"_s.arg(numbers.at(i))));
            }
            QVERIFY(!book.cell(sheet, 6 + int(numbers.size()), 1).isValid());
        }
        QCOMPARE(book.cell(4, 6, 4), number(2));
    }

    void failuresLeaveNothing_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::newRow("template missing") << u"missing"_s;
        QTest::newRow("template damaged") << u"damaged"_s;
        QTest::newRow("template of two worksheets") << u"two sheets"_s;
        QTest::newRow("no temporary folder") << u"no folder"_s;
    }

    void failuresLeaveNothing()
    {
        QFETCH(QString, damage);
        TestDataRoot root;
        writeTree(root);
        const QString templ = root.file(u"sys/score.xlt"_s);
        if (damage == u"missing"_s) {
            QFile::remove(templ);
        } else if (damage == u"damaged"_s) {
            root.write(u"sys/score.xlt"_s, shippedTemplate().left(600));
        } else if (damage == u"two sheets"_s) {
            const QString whole = root.file(u"whole.xlt"_s);
            QVERIFY(QFile::rename(templ, whole));
            rewrite(whole, templ, [](const QString &name, QByteArray bytes) {
                if (name == u"xl/workbook.xml"_s) {
                    bytes.replace("<sheet name=\"Questions\" sheetId=\"3\" r:id=\"rId3\"/>", "");
                    bytes.replace("<sheet name=\"Answers\" sheetId=\"4\" r:id=\"rId4\"/>", "");
                }
                return bytes;
            });
            QCOMPARE(Workbook(templ).sheetCount(), 2);
        }
        QTemporaryDir temporary;
        QString folder = temporary.path();
        if (damage == u"no folder"_s) {
            root.write(u"plain file"_s, "x");
            folder = root.file(u"plain file/below"_s);
        }
        const Run run = exportReport(scores::loadReport(u"P"_s, u"G1"_s), folder);
        QVERIFY(run.prompts.isEmpty());
        QVERIFY(run.opened.isEmpty());
        QVERIFY(run.path.isEmpty());
        QVERIFY(isEmptyFolder(temporary.path()));
    }

    void largeClassFillsQuickly()
    {
        TestDataRoot root;
        root.write(u"sys/score.xlt"_s, shippedTemplate());
        scores::Report report;
        report.paper = u"Big"_s;
        report.className = u"All"_s;
        report.questionCount = 200;
        for (int j = 1; j <= 200; ++j) {
            scores::QuestionStat q;
            q.number = j;
            q.key = qint16(j % 7 + 1);
            report.questions.append(q);
        }
        for (int i = 1; i <= 300; ++i) {
            scores::StudentRow s;
            s.number = QString::number(i);
            s.firstName = u"F%1"_s.arg(i);
            s.scoreValue = i % 100;
            s.rank = u"1"_s;
            for (int j = 1; j <= 200; ++j)
                s.answers.append(qint16((i + j) % 7 + 1));
            report.students.append(s);
        }
        QTemporaryDir temporary;
        QElapsedTimer timer;
        timer.start();
        const Run run = exportReport(report, temporary.path());
        qInfo("300 students on 200 questions exported in %lld ms", timer.elapsed());
        QVERIFY(timer.elapsed() < 15000);
        QCOMPARE(run.prompts, QStringList{Succeeded});
        Workbook book(run.path);
        QCOMPARE(book.cell(4, 5, 203), text(u"NO 200"_s));
        QCOMPARE(book.cell(4, 305, 1), number(300));
        QCOMPARE(book.cell(4, 305, 203), number((300 + 200) % 7 + 1));
        QCOMPARE(book.cell(3, 205, 2), number(200 % 7 + 1));
    }
};

QTEST_MAIN(TestExcelExport)
#include "tst_excelexport.moc"
