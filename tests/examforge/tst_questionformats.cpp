// Aiken and GIFT question files: golden cases read and written into a paper, the bad input
// a teacher's file may be, and GIFT written from a paper and read back.

#include "ansicodec.h"
#include "paperfile.h"
#include "questionformats.h"
#include "questiontransfer.h"
#include "rtf/rtf.h"
#include "sweep.h"
#include "testsupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFont>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

#include <random>

using namespace Qt::Literals::StringLiterals;
using questionformats::Problem;

namespace {

const QString GoldenDir = QStringLiteral(EXAM_GOLDEN_DIR);

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QString kindText(Problem::Kind kind)
{
    return kind == Problem::Unreadable ? u"unreadable"_s
           : kind == Problem::Skipped  ? u"skipped"_s
                                       : u"note"_s;
}

QByteArray problemsText(const questionformats::ReadResult &r)
{
    QByteArray out;
    for (const Problem &p : r.problems)
        out +=
            QByteArray::number(p.line) + '\t' + kindText(p.kind).toUtf8() + '\t' + p.reason.toUtf8() + '\n';
    return out;
}

QFont goldenFont()
{
    return QFont(u"Arial"_s, 12);
}

/// Compares produced bytes with a golden file; with EXAM_UPDATE_GOLDEN set, writes it instead.
void compareGolden(const QString &path, const QByteArray &actual)
{
    if (qEnvironmentVariableIsSet("EXAM_UPDATE_GOLDEN")) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(actual);
        return;
    }
    const QByteArray expected = readBytes(path);
    if (actual != expected)
        qWarning().noquote() << "differs from" << path << "\n--- actual:\n" << actual;
    QCOMPARE(actual, expected);
}

questionformats::Question mc(const QString &text, const QStringList &choices, const QString &answer)
{
    questionformats::Question q;
    q.text = text;
    q.choices = choices;
    q.answer = answer;
    return q;
}

} // namespace

class TestQuestionFormats : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { ansi::setCodePageForTesting({}); }

    void golden_data()
    {
        QTest::addColumn<QString>("name");
        const QStringList cases = QDir(GoldenDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        QVERIFY(cases.size() >= 12);
        for (const QString &c : cases)
            QTest::newRow(qPrintable(c)) << c;
    }

    // Each case: the problems found, the paper file and every RTF file that an import into an
    // empty paper (default mark 5) followed by a save produces.
    void golden()
    {
        QFETCH(QString, name);
        const QDir dir(QDir(GoldenDir).filePath(name));
        const bool chinese = name.contains(u"chinese"_s) || name.contains(u"gbk"_s);
        if (name.contains(u"gbk"_s))
            QVERIFY(ansi::setCodePageForTesting(u"GBK"_s));
        const questionformats::ReadResult result =
            questionformats::read(readBytes(dir.filePath(u"input.txt"_s)));
        QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
        QCOMPARE(result.format, name.startsWith(u"aiken"_s) ? questionformats::Format::Aiken
                                                            : questionformats::Format::Gift);
        compareGolden(dir.filePath(u"problems.txt"_s), problemsText(result));

        QTemporaryDir work;
        QStringList failed;
        const auto records = questiontransfer::writeQuestionFiles(work.path(), result.questions, goldenFont(),
                                                                  chinese ? 936 : 1252, failed);
        QVERIFY(records);
        QCOMPARE(records->size(), result.questions.size());
        paper::QuestionTable table;
        table.defaultMark = 5;
        table.questions = *records;
        table.fullScore = qint16(paper::fullScoreExact(table.questions, table.defaultMark));
        const QString paperFile = work.filePath(u"P.cho"_s);
        QVERIFY(paper::saveQuestions(paperFile, table));

        QByteArray cho = readBytes(paperFile);
        for (int i = 0; i < records->size(); ++i) {
            const paper::Question &q = records->at(i);
            cho.replace("QUESTION=" + q.questionFile.toLatin1() + "\r\n",
                        "QUESTION=q" + QByteArray::number(i + 1) + ".RTF\r\n");
            cho.replace("explain=" + q.explainFile.toLatin1() + "\r\n",
                        "explain=e" + QByteArray::number(i + 1) + ".RTF\r\n");
            const QByteArray question = readBytes(work.filePath(q.questionFile));
            compareGolden(dir.filePath(u"q%1.rtf"_s.arg(i + 1)), question);
            compareGolden(dir.filePath(u"e%1.rtf"_s.arg(i + 1)), readBytes(work.filePath(q.explainFile)));
            // What the editor and the exam window will show.
            QCOMPARE(rtf::plainText(question), questionformats::paperText(result.questions.at(i)));
        }
        compareGolden(dir.filePath(u"paper.cho"_s), cho);
    }

    // Every cut of every golden file, and random bytes, read without harm: every question
    // taken is one the paper can hold, every line named lies in the file.
    void anyInputIsSafe()
    {
        QList<QByteArray> inputs;
        for (const QString &c : QDir(GoldenDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            inputs.append(readBytes(QDir(GoldenDir).filePath(c + u"/input.txt"_s)));
        std::mt19937 random(7);
        for (int i = 0; i < 200; ++i) {
            QByteArray noise(int(random() % 300), '\0');
            static const char alphabet[] = "{}=~#%:\\\n\r ABCDEFGH.)-> ANSWER:xyz\x81\xe4";
            for (char &b : noise)
                b = alphabet[random() % (sizeof alphabet - 1)];
            inputs.append(noise);
        }
        // Long runs that a careless reader takes in quadratic time.
        const QList<QByteArray> huge = {QByteArray(1 << 20, '{'), QByteArray("s\nA. x\n").repeated(100000),
                                        QByteArray("::").repeated(200000), QByteArray("\\").repeated(300000)};
        for (const QByteArray &input : huge)
            QVERIFY(questionformats::read(input).questions.isEmpty());
        // The texts no box may trip over, as a whole file and as a question's text and choice.
        for (const sweep::Value &v : sweep::badTexts()) {
            for (const QString &file :
                 {v.text, u"Q "_s + v.text + u"\nA. "_s + v.text + u"\nB. b\nANSWER: B\n"_s,
                  u"::t:: "_s + v.text + u" {="_s + v.text + u" ~b}\n"_s}) {
                const auto r = questionformats::read(file.toUtf8());
                for (const questionformats::Question &q : r.questions)
                    QVERIFY(!q.answer.isEmpty() && q.choices.size() <= questionformats::MaxChoices);
            }
        }
        for (const QByteArray &input : std::as_const(inputs)) {
            for (qsizetype cut = 0; cut <= input.size(); cut += 1 + cut / 16) {
                const QByteArray bytes = input.left(cut);
                const auto r = questionformats::read(bytes);
                const int lines = int(bytes.count('\n') + bytes.count('\r') + 1);
                for (const Problem &p : r.problems)
                    QVERIFY2(p.line >= 1 && p.line <= lines && !p.reason.isEmpty(), bytes.constData());
                for (const questionformats::Question &q : r.questions) {
                    QVERIFY(!q.choices.isEmpty() && q.choices.size() <= questionformats::MaxChoices);
                    QVERIFY(!q.answer.isEmpty());
                    for (qsizetype k = 0; k < q.answer.size(); ++k) {
                        const int digit = q.answer.at(k).unicode() - u'0';
                        QVERIFY(digit >= 1 && digit <= q.choices.size());
                        QVERIFY(k == 0 || q.answer.at(k - 1) < q.answer.at(k));
                    }
                    QVERIFY(q.line >= 1 && q.line <= lines);
                }
            }
        }
    }

    void detectsFormAndEncoding()
    {
        QString enc;
        QString error;
        QCOMPARE(questionformats::decode("\xEF\xBB\xBFQ\r\nA. x\r\nANSWER: A", enc, error),
                 u"Q\r\nA. x\r\nANSWER: A"_s);
        QCOMPARE(enc, u"UTF-8"_s);
        const QString utf16 = u"题目 {=对 ~错}"_s;
        QByteArray le("\xFF\xFE");
        le.append(reinterpret_cast<const char *>(utf16.utf16()), utf16.size() * 2);
        QCOMPARE(questionformats::decode(le, enc, error), utf16);
        QCOMPARE(enc, u"UTF-16"_s);
        QVERIFY(error.isEmpty());

        // Latin-1 bytes are no UTF-8: the code page reads them.
        QVERIFY(ansi::setCodePageForTesting(u"windows-1252"_s));
        const auto r = questionformats::read("Caf\xE9?\nA. oui\nB. non\nANSWER: A\n");
        QVERIFY(r.error.isEmpty());
        QCOMPARE(r.encoding, u"windows-1252"_s);
        QCOMPARE(r.questions.value(0).text, u"Café?"_s);

        QCOMPARE(questionformats::detect(u"// c\n::t:: q {=a ~b}"_s), questionformats::Format::Gift);
        QCOMPARE(questionformats::detect(u"q {1,2}?\nA. x\nANSWER: A\nq2\nA. y\nanswer: a"_s),
                 questionformats::Format::Aiken);
        QCOMPARE(questionformats::detect(u"just text"_s), questionformats::Format::Unknown);
        QVERIFY(!questionformats::read("just some notes\nand more").error.isEmpty());
        QVERIFY(!questionformats::read("").error.isEmpty());
    }

    void refusesBadFiles()
    {
        QTemporaryDir dir;
        // A picture (NUL bytes), control characters, and bytes that are no text of the code page.
        QByteArray png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
        QVERIFY(questionformats::read(png).error.contains(u"not a text file"_s));
        QByteArray controls(400, '\x01');
        QVERIFY(questionformats::read(controls + "q {=a ~b}").error.contains(u"not a text file"_s));
        QVERIFY(ansi::setCodePageForTesting(u"GBK"_s));
        const auto gbk = questionformats::read("q \x81\x7F {=a ~b}");
        QVERIFY2(gbk.error.contains(u"GBK"_s), qPrintable(gbk.questions.value(0).text));

        // A 100 MB file is refused from its size, without being read.
        const QString big = dir.filePath(u"big.txt"_s);
        {
            QFile f(big);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QVERIFY(f.resize(100LL * 1024 * 1024));
        }
        const auto r = questionformats::readFile(big);
        QVERIFY(r.error.contains(u"100 MB"_s));
        QVERIFY(r.questions.isEmpty());
        QVERIFY(!questionformats::readFile(dir.filePath(u"missing.txt"_s)).error.isEmpty());
    }

    // A question longer than a profile value is kept whole: its text goes into its RTF file;
    // one beyond any sense is reported at its line and not taken.
    void longQuestions()
    {
        const QString longText = QString(u"长"_s).repeated(3000);
        const QByteArray file = "::a:: " + longText.toUtf8() + " {=yes ~no}\n\n::b:: " +
                                QByteArray(questionformats::MaxTextLength + 10, 'x') +
                                " {=yes ~no}\n\nShort one? {=yes ~no}\n";
        const auto r = questionformats::read(file);
        QCOMPARE(r.questions.size(), 2);
        QCOMPARE(r.questions.at(0).text, longText);
        QCOMPARE(r.problems.size(), 1);
        QCOMPARE(r.problems.at(0).line, 3);
        QCOMPARE(r.problems.at(0).kind, Problem::Unreadable);

        QTemporaryDir work;
        QStringList failed;
        const auto records =
            questiontransfer::writeQuestionFiles(work.path(), r.questions, goldenFont(), 936, failed);
        QVERIFY(records);
        QVERIFY(rtf::plainTextOfFile(work.filePath(records->at(0).questionFile)).startsWith(longText));
    }

    // Ten thousand questions fit the paper's 16-bit count, but not the full score at the
    // default mark of 5; at 3 they fit. Past 32767 questions the count itself is refused.
    void tenThousandQuestions()
    {
        QByteArray file;
        for (int i = 1; i <= 10000; ++i)
            file += "Question " + QByteArray::number(i) + "?\nA. yes\nB. no\nANSWER: " + (i % 2 ? "A" : "B") +
                    "\n\n";
        const auto r = questionformats::read(file);
        QCOMPARE(r.questions.size(), 10000);
        QVERIFY(r.problems.isEmpty());
        QCOMPARE(r.questions.at(9999).line, 9999 * 5 + 1);

        paper::QuestionTable table;
        table.defaultMark = 5;
        QVERIFY(questiontransfer::limitProblem(table, 10000).contains(u"50000"_s));
        table.defaultMark = 3;
        QVERIFY(questiontransfer::limitProblem(table, 10000).isEmpty());
        table.defaultMark = 0;
        QVERIFY(questiontransfer::limitProblem(table, 32767).isEmpty());
        QVERIFY(questiontransfer::limitProblem(table, 32768).contains(u"32767"_s));
        table.questions.resize(32000);
        QVERIFY(!questiontransfer::limitProblem(table, 768).isEmpty());

        // Writing all 20,000 files is measured by bench_questionimport; the file system, not the
        // count, sets its pace, so a thousand show that every one is written under its own name.
        QTemporaryDir work;
        QStringList failed;
        const auto records = questiontransfer::writeQuestionFiles(work.path(), r.questions.mid(9000),
                                                                  goldenFont(), 1252, failed);
        QVERIFY(records);
        QCOMPARE(records->size(), 1000);
        QCOMPARE(QDir(work.path()).entryList(QDir::Files).size(), 2000);
        QCOMPARE(records->at(999).answer, u"2"_s);
    }

    // A failure halfway (here: cancelled from the progress window) leaves no file behind.
    void nothingHalfWritten()
    {
        QList<questionformats::Question> questions;
        for (int i = 0; i < 10; ++i)
            questions.append(mc(u"Q%1"_s.arg(i), {u"a"_s, u"b"_s}, u"1"_s));
        QTemporaryDir work;
        QStringList failed;
        QVERIFY(!questiontransfer::writeQuestionFiles(work.path(), questions, goldenFont(), 1252, failed,
                                                      [](int done) { return done < 6; }));
        QVERIFY(failed.isEmpty());
        QVERIFY(QDir(work.path()).entryList(QDir::Files).isEmpty());
        // A folder that cannot be written names the file that failed.
        QVERIFY(!questiontransfer::writeQuestionFiles(work.filePath(u"no/such"_s), questions, goldenFont(),
                                                      1252, failed));
        QCOMPARE(failed.size(), 1);
    }

    void splitsChoicesOfAPaper()
    {
        QString stem;
        QStringList choices;
        QVERIFY(questionformats::splitChoices(u"Tom has 34.\nHow many?\n\nA. 46\nB. 22\n\nC. 12\n"_s, stem,
                                              choices));
        QCOMPARE(stem, u"Tom has 34.\nHow many?"_s);
        QCOMPARE(choices, QStringList({u"46"_s, u"22"_s, u"12"_s}));
        QVERIFY(questionformats::splitChoices(u"问题\nA、甲\nB、乙"_s, stem, choices));
        QCOMPARE(choices, QStringList({u"甲"_s, u"乙"_s}));
        // Out of order, or text after the choices: no choices to tell.
        QVERIFY(!questionformats::splitChoices(u"Q\nA. x\nC. y"_s, stem, choices));
        QVERIFY(!questionformats::splitChoices(u"Q\nA. x\nB. y\nthe end"_s, stem, choices));
        QVERIFY(!questionformats::splitChoices(u"Just a question"_s, stem, choices));
    }

    // GIFT written from a paper reads back as the same questions, escapes, several right
    // answers, pictures and texts without choices included.
    void giftRoundTrip()
    {
        const QList<questionformats::Question> questions = {
            mc(u"Which is {1: 2} = ~set #1?\nSecond line."_s, {u"a = b"_s, u"c~d"_s, u"50% \\ 100%"_s},
               u"1"_s),
            mc(u"哪些是偶数？"_s, {u"2"_s, u"3"_s, u"4"_s}, u"13"_s),
            mc(u"Seven"_s, {u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s}, u"1234567"_s),
        };
        QList<questionformats::ExportQuestion> exported;
        for (const auto &q : questions)
            exported.append({questionformats::paperText(q), q.answer, u"Because: it is."_s});
        exported.append({u"Look at the picture \uFFFC and answer.\nA. yes\nB. no"_s, u"2"_s, QString()});
        exported.append({u"A question typed without lettered choices"_s, u"3"_s, QString()});
        questionformats::ExportReport report;
        const QByteArray gift = questionformats::writeGift(exported, u"Unit: 3"_s, &report);
        QCOMPARE(report.pictures, 1);
        QCOMPARE(report.withoutChoices, QList<int>{5});
        QVERIFY(gift.contains("::Unit\\: 3 1::"));

        const auto back = questionformats::read(gift);
        QCOMPARE(back.format, questionformats::Format::Gift);
        QCOMPARE(back.questions.size(), 4);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(back.questions.at(i).text, questions.at(i).text);
            QCOMPARE(back.questions.at(i).choices, questions.at(i).choices);
            QCOMPARE(back.questions.at(i).answer, questions.at(i).answer);
            QCOMPARE(back.questions.at(i).explanation, u"Because: it is."_s);
        }
        QCOMPARE(back.questions.at(3).text, u"Look at the picture [picture] and answer."_s);
        QCOMPARE(back.questions.at(3).answer, u"2"_s);
        // The text-only question comes back as what it was written as: an essay, skipped.
        QCOMPARE(back.problems.constLast().kind, Problem::Skipped);
    }

    void giftForms()
    {
        const auto r =
            questionformats::read("[html]<p>Bold &amp; <b>true</b>?</p> {TRUE#yes it is}\n\n"
                                  "$CATEGORY: top/unit3\n\n"
                                  "::x:: [moodle]Pick {\n  =%100%a\n  ~%0%b\n  #### <general> \n}\n");
        QCOMPARE(r.questions.size(), 2);
        QCOMPARE(r.questions.at(0).text, u"Bold & true?"_s);
        QCOMPARE(r.questions.at(0).choices, QStringList({u"True"_s, u"False"_s}));
        QCOMPARE(r.questions.at(0).answer, u"1"_s);
        QCOMPARE(r.questions.at(1).answer, u"1"_s);
        QCOMPARE(r.questions.at(1).explanation, u"<general>"_s);
    }
};

QTEST_MAIN(TestQuestionFormats)
#include "tst_questionformats.moc"
