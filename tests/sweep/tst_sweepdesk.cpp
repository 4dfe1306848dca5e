// The bad-input sweep over the student's program: the login's boxes, and every file the login,
// the instructions and the exam read, fed with empty, huge, binary and malformed values.

#include "sweep.h"

#include "answerrecord.h"
#include "examtestdata.h"
#include "examwindow.h"
#include "instructionswindow.h"
#include "logintestdata.h"
#include "paths.h"
#include "profile.h"
#include "richtextbox.h"
#include "rtf/rtf.h"
#include "studentloginwindow.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTextDocument>

#include <memory>

using sweep::Case;
using sweep::Value;

namespace {

template <class T = QWidget> T *get(const QWidget *w, const QString &name)
{
    T *c = w->findChild<T *>(name);
    if (!c)
        qFatal("no control %s", qPrintable(name));
    return c;
}

/// A catalogue of one open test Unit3 that class Grade2A (numbers 1 to 30) may sit.
QByteArray school(const QByteArray &paper = "Unit3", const QByteArray &cls = "Grade2A",
                  const QByteArray &first = "1", const QByteArray &last = "30")
{
    return "[ClassName]\r\nClassNameCount=1\r\n1=" + cls + "\r\n[FirstNumber]\r\n" + cls + '=' + first +
           "\r\n[LastNumber]\r\n" + cls + '=' + last + "\r\n[TestName]\r\nTestNameCount=1\r\n1=" + paper +
           "\r\n" + paper + "=1\r\n[" + paper + "]\r\n" + cls + "=1\r\n";
}

/// Folders and a file where a test or class named "../" + sweep::escape() and the like would
/// lead, so that an escape finds a folder to write into and the snapshot sees it.
void prepareEscapes(Case &c)
{
    const QString parent = QFileInfo(c.root.path()).absolutePath();
    c.writeOutside(paths::join(parent, sweep::escape() + QStringLiteral("/.keep")), {});
    c.writeOutside(sweep::outside(sweep::escape() + QStringLiteral("/.keep")), {});
    const QString work = paths::workFolder(QStringLiteral("examdesk"));
    c.writeOutside(paths::join(QFileInfo(work).absolutePath(), sweep::escape() + QStringLiteral("/.keep")),
                   {});
    c.writeOutside(paths::join(QFileInfo(work).absolutePath(), sweep::escape() + QStringLiteral(".cho")),
                   "beside");
    c.root.write(sweep::escape() + QStringLiteral("/.keep"), {});
    c.root.write(QStringLiteral("CHENGJI/Unit3/.keep"), {});
    c.root.write(QStringLiteral("CHENGJI/") + sweep::escape() + QStringLiteral("/.keep"), {});
}

/// The login of student 7 (Ann Lee) with the boxes filled.
struct Login
{
    Login()
        : window(new StudentLoginWindow())
    {
        loaded = window->load();
        window->show();
        get<QLineEdit>(window, QStringLiteral("Text1"))->setText(QStringLiteral("7"));
        get<QLineEdit>(window, QStringLiteral("Text2"))->setText(QStringLiteral("Ann"));
        get<QLineEdit>(window, QStringLiteral("Text3"))->setText(QStringLiteral("Lee"));
    }
    ~Login() { delete window.data(); }
    void ok() const { get<QPushButton>(window, QStringLiteral("Command1"))->click(); }
    /// True once the login handed over to the instructions window.
    bool passed() const { return shownWindow(QStringLiteral("考试说明")) != nullptr; }

    bool loaded = false;
    QPointer<StudentLoginWindow> window;
};

/// An exam window on a clock the sweep moves, whose end of program is only counted.
struct Exam
{
    explicit Exam(const examdesk::ExamSession &session)
        : state(std::make_shared<State>())
        , window(new ExamWindow(session))
    {
        window->setClock([s = state] { return s->now; });
        window->setExit([s = state] { ++s->exits; });
        window->show();
    }
    ~Exam() { delete window.data(); }
    void click(const QString &name) const { get<QAbstractButton>(window, name)->click(); }
    void pass(int seconds) const
    {
        state->now += qint64(seconds) * 1000;
        window->tick();
    }

    struct State
    {
        qint64 now = 0;
        int exits = 0;
    };
    std::shared_ptr<State> state;
    QPointer<ExamWindow> window;
};

/// What the student does with the exam: pages through it, ticks every choice, jumps, uses the
/// selector and the key, lets time pass, saves and finishes.
void sitExam(Case &c, Exam &exam)
{
    // A test without time ends at its first tick. Should the record then refuse to be written,
    // the student is asked whether to try again: the student ends without saving.
    if (exam.window->secondsLeft() == 0) {
        c.script->queueAnswer(prompt::Answer::Cancel);
        exam.pass(1);
        return;
    }
    for (int i = 0; i < 3 && exam.window && !exam.window->finished(); ++i) {
        for (int choice = 1; choice <= 7; ++choice)
            exam.click(QStringLiteral("Op_XZ(%1)").arg(choice));
        exam.click(QStringLiteral("Command2"));
    }
    if (!exam.window || exam.window->finished())
        return;
    QTest::mouseClick(get(exam.window, QStringLiteral("Command2")), Qt::RightButton);
    QTest::mouseClick(get(exam.window, QStringLiteral("Command1")), Qt::RightButton);
    exam.click(QStringLiteral("Command1"));
    auto *selector = get<QScrollBar>(exam.window, QStringLiteral("VSlquestion"));
    selector->setValue(selector->maximum());
    if (auto *button = get<QPushButton>(exam.window, QStringLiteral("CmdQuestion(1)")); button->isVisible())
        button->click();
    if (auto *key = get<QPushButton>(exam.window, QStringLiteral("Command3")); key->isVisible()) {
        key->click();
        exam.click(QStringLiteral("Command2"));
        key->click();
    }
    if (exam.window->secondsLeft() <= 61)
        c.script->queueAnswer(prompt::Answer::Cancel);
    exam.pass(61);
    if (exam.window->finished())
        return;
    exam.window->saveProgress();
    // Finish; should the record refuse to be written, the student ends without saving.
    c.script->queueAnswer(prompt::Answer::Yes);
    c.script->queueAnswer(prompt::Answer::Cancel);
    c.script->queueAnswer(prompt::Answer::Cancel);
    exam.window->requestFinish();
}

QList<std::pair<QString, QByteArray>> garbageRtf()
{
    return {
        {QStringLiteral("empty"), QByteArray()},
        {QStringLiteral("cut short"), QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0 Ar")},
        {QStringLiteral("cut in a control word"), QByteArray("{\\rtf1\\ansi\\ansicp")},
        {QStringLiteral("not RTF"), QByteArray("just text")},
        {QStringLiteral("binary"), sweep::noise(4096, 11)},
        {QStringLiteral("binary after the header"), "{\\rtf1 " + sweep::noise(65536, 12)},
        {QStringLiteral("deep groups"), "{\\rtf1 " + QByteArray(200000, '{')},
        {QStringLiteral("closing groups"), "{\\rtf1 " + QByteArray(200000, '}')},
        {QStringLiteral("huge numbers"),
         QByteArray("{\\rtf1\\ansicpg99999999999\\fs-99999999999\\u-99999999999 "
                    "\\bin99999999999 x}")},
        {QStringLiteral("huge picture"),
         "{\\rtf1{\\pict\\pngblip\\picw99999\\pich99999 " + QByteArray(2 * 1024 * 1024, 'a') + "}}"},
        {QStringLiteral("double-byte cut"), QByteArray("{\\rtf1\\ansi\\ansicpg936 \\'d6")},
        {QStringLiteral("invalid UTF-8 text"), QByteArray("{\\rtf1 \xff\xfe\xc3\x28 \\'ff\\'00}")},
        {QStringLiteral("NUL"), sweep::bytes("{\\rtf1 a\0b\0c}")},
        {QStringLiteral("huge font table"), "{\\rtf1{\\fonttbl" + QByteArray(100000, ';') + "}x}"},
        {QStringLiteral("unicode skips"), QByteArray("{\\rtf1\\uc99999\\u20013 abc\\uc-5\\u1 x}")},
    };
}

} // namespace

class SweepExamdesk : public QObject
{
    Q_OBJECT

private slots:
    void init() { prompt::setApplicationTitle(QStringLiteral("Examdesk")); }
    void cleanup()
    {
        paths::setRunningLocallyForTesting(-1);
        prompt::ScopedScript noQuestions; // a window still open is not finished by the clean-up
        closeAllWindows();
    }

    // Login ------------------------------------------------------------------------------------

    void loginBoxes()
    {
        const QList<Value> numberValues = sweep::badNumbers() + sweep::badTexts();
        const QList<Value> nameValues = sweep::badTexts() + sweep::pathNames();
        for (const QString &box :
             {QStringLiteral("Text1"), QStringLiteral("Text2"), QStringLiteral("Text3")}) {
            for (const Value &v : box == u"Text1" ? numberValues : nameValues) {
                Case c(QStringLiteral("login %1: %2").arg(box, v.label));
                writeSchool(c.root);
                Login login;
                sweep::enter(get<QLineEdit>(login.window, box), v.text);
                login.ok();
                if (login.passed()) {
                    // The name went into the student's own record, below the root.
                    const QStringList records = paths::listFiles(c.root.file(QStringLiteral("CHENGJI/Unit3")),
                                                                 {QStringLiteral("*.cho")});
                    SWEEP_VERIFY(c, records.size() == 1);
                } else {
                    SWEEP_VERIFY(c, c.anyMessage());
                }
                SWEEP_DONE(c);
            }
        }
    }

    void loginCatalogues()
    {
        QList<std::pair<QString, QByteArray>> catalogues = {
            {QStringLiteral("missing"), QByteArray()},
            {QStringLiteral("binary"), sweep::noise(65536, 13)},
            {QStringLiteral("truncated"),
             "[ClassName]\r\nClassNameCount=1\r\n1=Grade2A\r\n[TestName]\r\nTestNa"},
            {QStringLiteral("32767 tests and classes"),
             "[ClassName]\r\nClassNameCount=32767\r\n1=Grade2A\r\n"
             "[TestName]\r\nTestNameCount=32767\r\n1=Unit3\r\nUnit3=1\r\n"},
            {QStringLiteral("counts beyond 16 bits"),
             "[ClassName]\r\nClassNameCount=1e9\r\n1=Grade2A\r\n[TestName]\r\nTestNameCount=99999\r\n1="
             "Unit3\r\n"
             "Unit3=1\r\n[Unit3]\r\nGrade2A=1\r\n[LastNumber]\r\nGrade2A=30\r\n"},
            {QStringLiteral("negative counts"),
             "[ClassName]\r\nClassNameCount=-5\r\n[TestName]\r\nTestNameCount=-5\r\n"},
            {QStringLiteral("numbers -32768 to 32767"), school("Unit3", "Grade2A", "-32768", "32767")},
            {QStringLiteral("numbers beyond 16 bits"), school("Unit3", "Grade2A", "-99999", "1e9")},
            {QStringLiteral("last number below the first"), school("Unit3", "Grade2A", "30", "1")},
            {QStringLiteral("huge names"), school(QByteArray(100000, 'u'), QByteArray(100000, 'g'))},
            {QStringLiteral("binary names"), school("\x01\x02", "\xff\xfe")},
            {QStringLiteral("NUL"), sweep::bytes("[TestName]\r\nTestNameCount=1\r\n1=\0\r\n")},
            {QStringLiteral("garbage flags"),
             "[ClassName]\r\nClassNameCount=1\r\n1=Grade2A\r\n[TestName]\r\n"
             "TestNameCount=1\r\n1=Unit3\r\nUnit3=99999\r\n[Unit3]\r\nGrade2A=1e9\r\n"},
        };
        for (const Value &v : sweep::pathNames()) {
            catalogues.append({QStringLiteral("test named: ") + v.label, school(v.text.toUtf8())});
            catalogues.append({QStringLiteral("class named: ") + v.label, school("Unit3", v.text.toUtf8())});
        }
        for (const auto &[label, bytes] : catalogues) {
            Case c(QStringLiteral("login catalogue: ") + label);
            prepareEscapes(c);
            writeSchool(c.root);
            c.root.write(QStringLiteral("sys/sys.cho"), bytes);
            Login login;
            if (!login.loaded) {
                SWEEP_VERIFY(c, c.anyMessage()); // the program ends, saying why
            } else {
                get<QLineEdit>(login.window, QStringLiteral("Text1"))->setText(QStringLiteral("1"));
                login.ok();
                SWEEP_VERIFY(c, login.passed() || c.anyMessage());
            }
            SWEEP_DONE(c);
        }
    }

    void loginRecordsAndPasswords()
    {
        const QList<std::pair<QString, QByteArray>> records = {
            {QStringLiteral("binary record"), sweep::noise(8192, 14)},
            {QStringLiteral("truncated record"), "[Grade2A]\r\n7TIME"},
            {QStringLiteral("garbage finish"),
             "[Grade2A]\r\n7TIME2=\x01\xff\r\n7TIME1=" + QByteArray(100000, '1') + "\r\n"},
            {QStringLiteral("garbage start"), "[Grade2A]\r\n7TIME1=\xff\xfe\r\n"},
            {QStringLiteral("NUL in record"), sweep::bytes("[Grade2A]\r\n7TIME2=\0\r\n7TIME1=\0")},
        };
        const QList<std::pair<QString, QByteArray>> passwords = {
            {QStringLiteral("plain"), "RETESTPASSWD=827\r\nRELOGINPASSWD=358\r\n"},
            {QStringLiteral("binary"), "RETESTPASSWD=\x01\x02\xff\r\nRELOGINPASSWD=\xfe\r\n"},
            {QStringLiteral("huge"), "RETESTPASSWD=" + QByteArray(100000, '8') +
                                         "\r\nRELOGINPASSWD=" + QByteArray(100000, '3') + "\r\n"},
            {QStringLiteral("NUL first"), sweep::bytes("RETESTPASSWD=\0x\r\nRELOGINPASSWD=\0y\r\n")},
        };
        for (const auto &[recordLabel, record] : records) {
            for (const auto &[passwordLabel, main] : passwords) {
                for (const Value &typed : {Value{QStringLiteral("right"), QStringLiteral("827")},
                                           Value{QStringLiteral("huge"), QString(100000, u'8')},
                                           Value{QStringLiteral("binary"), QStringLiteral("\x01\x02")}}) {
                    Case c(QStringLiteral("login on a %1 with %2 passwords, %3 typed")
                               .arg(recordLabel, passwordLabel, typed.label));
                    writeSchool(c.root, main);
                    c.root.write(QStringLiteral("CHENGJI/Unit3/Grade2A7.cho"), record);
                    Login login;
                    c.script->queueAnswer(prompt::Answer::Ok);
                    PasswordAnswer answer(typed.text);
                    login.ok();
                    // A wrong password is refused without a word; every other refusal says why.
                    SWEEP_VERIFY(c, login.passed() || c.anyMessage() || answer.answered());
                    SWEEP_DONE(c);
                }
            }
        }
    }

    // Instructions -----------------------------------------------------------------------------

    void instructions()
    {
        const QList<std::pair<QString, QByteArray>> papers = {
            {QStringLiteral("missing"), QByteArray()},
            {QStringLiteral("binary"), sweep::noise(8192, 15)},
            {QStringLiteral("truncated"), "[MAIN]\r\nabout_te"},
            {QStringLiteral("huge values"), "[MAIN]\r\nabout_test=" + QByteArray(100000, 'a') +
                                                "\r\nfull_mark=" + QByteArray(100000, '9') +
                                                "\r\nTESTTIME=1e9\r\nQuestion_conut=-99999\r\n"},
            {QStringLiteral("control characters"),
             "[MAIN]\r\nabout_test=\x01\x1b[2J\x7f\r\nfull_mark=\xff\r\n"},
            {QStringLiteral("NUL"), sweep::bytes("[MAIN]\r\nabout_test=a\0b\r\n")},
        };
        for (const auto &[label, bytes] : papers) {
            for (const Value &name :
                 {Value{QStringLiteral("Unit3"), QStringLiteral("Unit3")},
                  Value{QStringLiteral("up one"), QStringLiteral("../") + sweep::escape()}}) {
                Case c(QStringLiteral("instructions on a %1 test file, test %2").arg(label, name.label));
                prepareEscapes(c);
                if (!bytes.isEmpty()) {
                    c.root.write(QStringLiteral("SHIJUAN/Unit3/Unit3.cho"), bytes);
                    c.root.write(sweep::escape() + QStringLiteral(".cho"), bytes);
                }
                examdesk::ExamSession session = examSession();
                session.考试名称 = name.text;
                int starts = 0;
                QPointer<InstructionsWindow> about = examdesk::showInstructions(
                    session, [&starts](const examdesk::ExamSession &) { ++starts; });
                // A label shows at most what a profile value holds.
                for (QLabel *label : about->findChildren<QLabel *>())
                    SWEEP_VERIFY(c, label->text().size() <= 2 + 255);
                get<QPushButton>(about, QStringLiteral("Command1"))->click();
                // Only a paper with a time limit starts; any other is refused with a message.
                const bool timed = label == QLatin1String("huge values") && name.text == QLatin1String("Unit3");
                SWEEP_VERIFY(c, starts == (timed ? 1 : 0));
                SWEEP_VERIFY(c, timed || !c.script->records().isEmpty());
                SWEEP_DONE(c);
            }
        }
    }

    // Exam -------------------------------------------------------------------------------------

    void examOnGarbagePapers()
    {
        const QByteArray rest = "TESTtime=30\r\nMark= 5\r\nEXERCISEMODE=1\r\nDISPLAY_SCORE=1\r\n";
        QList<std::pair<QString, QByteArray>> papers = {
            {QStringLiteral("count 32767 without questions"), "[MAIN]\r\nQuestion_conut=32767\r\n" + rest},
            {QStringLiteral("count -5"), "[MAIN]\r\nQuestion_conut=-5\r\n" + rest},
            {QStringLiteral("count 0"), "[MAIN]\r\nQuestion_conut=0\r\n" + rest},
            {QStringLiteral("count 1e9"), "[MAIN]\r\nQuestion_conut=1e9\r\n" + rest},
            {QStringLiteral("count 99999"), "[MAIN]\r\nQuestion_conut=99999\r\n" + rest},
            {QStringLiteral("time -5"), "[MAIN]\r\nQuestion_conut=3\r\nTESTtime=-5\r\n"},
            {QStringLiteral("time 0"), "[MAIN]\r\nQuestion_conut=3\r\nTESTtime=0\r\n"},
            {QStringLiteral("time 99999"), "[MAIN]\r\nQuestion_conut=3\r\nTESTtime=99999\r\n"},
            {QStringLiteral("time as text"), "[MAIN]\r\nQuestion_conut=3\r\nTESTtime=soon\r\n"},
            {QStringLiteral("answer keys"),
             "[MAIN]\r\nQuestion_conut=4\r\n" + rest +
                 "[1]\r\nanswer=99999999\r\n[2]\r\nanswer=-1\r\n[3]\r\nanswer=1e9\r\n"
                 "[4]\r\nanswer=\x01\xff\r\n"},
            {QStringLiteral("marks"),
             "[MAIN]\r\nQuestion_conut=3\r\nMark=99999\r\nEXERCISEMODE=1\r\nTESTtime=30\r\n"
             "[1]\r\nanswer=1\r\nmark=1e9\r\n[2]\r\nanswer=2\r\nmark=-99999\r\n"
             "[3]\r\nanswer=3\r\nmark=" +
                 QByteArray(100000, '9') + "\r\n"},
            {QStringLiteral("binary"), sweep::noise(16384, 16)},
            {QStringLiteral("truncated"), "[MAIN]\r\nQuestion_conut=2\r\n[1]\r\nQUEST"},
            {QStringLiteral("NUL"), sweep::bytes("[MAIN]\r\nQuestion_conut=2\0\r\n[1]\r\nQUESTION=\0x")},
        };
        QByteArray names =
            "[MAIN]\r\nQuestion_conut=" + QByteArray::number(sweep::pathNames().size()) + "\r\n" + rest;
        for (int i = 0; i < sweep::pathNames().size(); ++i) {
            const QByteArray name = sweep::pathNames().at(i).text.toUtf8();
            names += '[' + QByteArray::number(i + 1) + "]\r\nQUESTION=" + name + "\r\nexplain=" + name +
                     ".rtf\r\n";
        }
        papers.append({QStringLiteral("file names with path characters"), names});
        QByteArray garbage =
            "[MAIN]\r\nQuestion_conut=" + QByteArray::number(garbageRtf().size()) + "\r\n" + rest;
        for (int i = 1; i <= garbageRtf().size(); ++i)
            garbage += '[' + QByteArray::number(i) + "]\r\nQUESTION=g" + QByteArray::number(i) +
                       ".rtf\r\nexplain=g" + QByteArray::number(i) + ".rtf\r\nanswer=1\r\n";
        papers.append({QStringLiteral("garbage RTF files"), garbage});

        for (const bool local : {true, false}) {
            for (const auto &[label, bytes] : papers) {
                Case c(QStringLiteral("exam (%1) on a test file: %2")
                           .arg(local ? QStringLiteral("local") : QStringLiteral("over a share"), label),
                       8000);
                paths::setRunningLocallyForTesting(local ? 1 : 0);
                c.root.write(QStringLiteral("SHIJUAN/Unit3/Unit3.cho"), bytes);
                for (int i = 1; i <= garbageRtf().size(); ++i)
                    c.root.write(QStringLiteral("SHIJUAN/Unit3/g%1.rtf").arg(i),
                                 garbageRtf().at(i - 1).second);
                c.root.write(QStringLiteral("CHENGJI/Unit3/.keep"), {});
                Exam exam(examSession());
                sitExam(c, exam);
                SWEEP_VERIFY(c, exam.state->exits == 1);
                SWEEP_VERIFY(c, recordHoldsNumbers(exam));
                SWEEP_DONE(c);
            }
        }
    }

    void examOnGarbageRecords()
    {
        const QList<std::pair<QString, QByteArray>> records = {
            {QStringLiteral("answer codes"),
             "7DA1=99999\r\n7DA2=-99999\r\n7DA3=1e9\r\n7DA4=\x01\r\n7DA5=1234567\r\n"},
            {QStringLiteral("order with doubles"), "7SX1=1\r\n7SX2=1\r\n7SX3=1\r\n7SX4=2\r\n7SX5=2\r\n"},
            {QStringLiteral("order beyond the paper"),
             "7SX1=32767\r\n7SX2=-32768\r\n7SX3=0\r\n7SX4=99999\r\n7SX5=x\r\n"},
            {QStringLiteral("position"), "7DangQian=99999\r\n"},
            {QStringLiteral("negative position"), "7DangQian=-5\r\n"},
            {QStringLiteral("time 99:99:99"), "7TIME=99:99:99\r\n"},
            {QStringLiteral("negative time"), "7TIME=-1:00:00\r\n"},
            {QStringLiteral("time 1e9"), "7TIME=1e9\r\n"},
            {QStringLiteral("huge time"), "7TIME=999999999999999:00:00\r\n"},
            {QStringLiteral("time of 100000 digits"), "7TIME=" + QByteArray(100000, '9') + ":00:00\r\n"},
            {QStringLiteral("binary time"), "7TIME=\xff\x01:\x02\r\n"},
        };
        for (const auto &[label, keys] : records) {
            Case c(QStringLiteral("resumed exam on a record: ") + label);
            writeExamPaper(c.root, 5, "TESTtime=30\r\nEXERCISEMODE=1\r\n",
                           {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("13"),
                            QStringLiteral("4"), QStringLiteral("5")});
            c.root.write(QStringLiteral("CHENGJI/Unit3/Grade2A7.cho"),
                         "[Grade2A]\r\n7=Ann\r\n7TIME1=2026,01,01  09:00:00\r\n" + keys);
            Exam exam(examSession(true));
            // The order is a permutation and the position inside the paper, whatever was stored.
            QList<qint16> order = exam.window->order();
            std::sort(order.begin(), order.end());
            SWEEP_VERIFY(c, order == QList<qint16>({1, 2, 3, 4, 5}));
            SWEEP_VERIFY(c, exam.window->position() >= 1 && exam.window->position() <= 5);
            sitExam(c, exam);
            SWEEP_VERIFY(c, exam.state->exits == 1);
            SWEEP_VERIFY(c, recordHoldsNumbers(exam));
            SWEEP_DONE(c);
        }
        for (const auto &[label, bytes] :
             {std::pair{QStringLiteral("binary record"), sweep::noise(8192, 17)},
              std::pair{QStringLiteral("truncated record"), QByteArray("[Grade2A]\r\n7SX")}}) {
            Case c(QStringLiteral("resumed exam on a ") + label);
            writeExamPaper(c.root, 5, "TESTtime=30\r\n");
            c.root.write(QStringLiteral("CHENGJI/Unit3/Grade2A7.cho"), bytes);
            Exam exam(examSession(true));
            sitExam(c, exam);
            SWEEP_VERIFY(c, exam.state->exits == 1);
            SWEEP_DONE(c);
        }
    }

    void examOfATestNamedWithPathCharacters()
    {
        for (const bool local : {true, false}) {
            for (const Value &v : sweep::pathNames()) {
                Case c(QStringLiteral("exam (%1) of a test named: %2")
                           .arg(local ? QStringLiteral("local") : QStringLiteral("over a share"), v.label));
                prepareEscapes(c);
                paths::setRunningLocallyForTesting(local ? 1 : 0);
                const QByteArray paper =
                    "[MAIN]\r\nQuestion_conut=2\r\nTESTtime=30\r\n[1]\r\nQUESTION=1.rtf\r\n";
                c.root.write(sweep::escape() + QStringLiteral(".cho"), paper);
                examdesk::ExamSession session = examSession();
                session.考试名称 = v.text;
                Exam exam(session);
                sitExam(c, exam);
                SWEEP_VERIFY(c, exam.state->exits == 1);
                SWEEP_DONE(c);
            }
        }
    }

    // RTF reader -------------------------------------------------------------------------------

    void rtfReader()
    {
        for (const auto &[label, bytes] : garbageRtf()) {
            Case c(QStringLiteral("RTF file: ") + label);
            c.root.write(QStringLiteral("g.rtf"), bytes);
            RichTextBox box;
            box.show();
            box.loadFile(c.root.file(QStringLiteral("g.rtf")));
            const QString text = rtf::plainTextOfFile(c.root.file(QStringLiteral("g.rtf")));
            // The reader reads the same text that the control shows, and writing it back reads again.
            SWEEP_VERIFY(c, text == box.plainText() || !rtf::isRtf(bytes));
            QTextDocument again;
            SWEEP_VERIFY(c, rtf::read(rtf::write(*box.document()), again));
            SWEEP_DONE(c);
        }
        Case c(QStringLiteral("RTF file that is a folder"));
        QDir().mkpath(c.root.file(QStringLiteral("d.rtf")));
        RichTextBox box;
        SWEEP_VERIFY(c, !box.loadFile(c.root.file(QStringLiteral("d.rtf"))));
        SWEEP_VERIFY(c, rtf::plainTextOfFile(c.root.file(QStringLiteral("d.rtf"))).isEmpty());
        SWEEP_DONE(c);
    }

private:
    /// True when the finished record holds 16-bit numbers only.
    static bool recordHoldsNumbers(const Exam &exam)
    {
        const profile::Snapshot s(record::path(examSession().recordId()));
        const QString df = s.value(QStringLiteral("Grade2A"), QStringLiteral("7DF"));
        bool ok = df.isEmpty() || sweep::plainInt16(df);
        for (int i = 1; exam.window && i <= exam.window->questionCount() && i <= 50; ++i)
            ok = ok && sweep::plainInt16(s.value(QStringLiteral("Grade2A"), QStringLiteral("7DA%1").arg(i),
                                          QStringLiteral("0")));
        return ok;
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    SweepExamdesk test;
    return sweep::run(test, argc, argv);
}

#include "tst_sweepdesk.moc"
