// The bad-input sweep over the teacher's program: every box of its windows and every file they
// read, fed with what a careless hand, a broken disk or a hand-edited file can put there.

#include "sweep.h"

#include "catalogue.h"
#include "classmanagementdialog.h"
#include "examroomdialog.h"
#include "language.h"
#include "logindialog.h"
#include "mainwindow.h"
#include "numbers.h"
#include "paperfile.h"
#include "papermanagementdialog.h"
#include "paths.h"
#include "profile.h"
#include "questioneditordialog.h"
#include "richtextbox.h"
#include "scoresdialog.h"
#include "session.h"
#include "setpassworddialog.h"
#include "startup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTableWidget>

using sweep::Case;
using sweep::Value;

namespace {

const QByteArray OneClass = "[ClassName]\r\nClassNameCount=1\r\n1=Grade1\r\n[ClassCount]\r\nGrade1=10\r\n"
                            "[FirstNumber]\r\nGrade1=1\r\n[LastNumber]\r\nGrade1=10\r\n";

template <typename T = QPushButton> T *get(const QWidget &w, const QString &name)
{
    T *c = w.findChild<T *>(name);
    if (!c)
        qFatal("no control %s", qPrintable(name));
    return c;
}

void click(const QWidget &w, const QString &button)
{
    get(w, button)->click();
}

/// Random bytes, the same ones on every run.
QString catalogueValue(const QString &section, const QString &key)
{
    return profile::readValue(catalogue::path(), section, key);
}

/// True when folder lies below the root's folder of that name (SHIJUAN or CHENGJI).
bool inTree(const Case &c, const QString &base, const QString &folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    const QString tree = QFileInfo(paths::resolve(c.root.path(), {base})).canonicalFilePath();
    return !canonical.isEmpty() && !tree.isEmpty() && QFileInfo(canonical).absolutePath() == tree;
}

/// A catalogue that lists the papers, each open, with a paper file each.
void writePapers(const Case &c, const QStringList &papers, const QByteArray &main = "TESTTIME=30\r\n")
{
    QByteArray file = "[TestName]\r\nTestNameCount=" + QByteArray::number(papers.size()) + "\r\n";
    for (int i = 0; i < papers.size(); ++i)
        file += QByteArray::number(i + 1) + '=' + papers.at(i).toUtf8() + "\r\n";
    for (const QString &p : papers)
        file += p.toUtf8() + "=1\r\n";
    c.root.write(QStringLiteral("sys/sys.cho"), OneClass + file);
    for (const QString &p : papers) {
        if (!p.contains(u'/') && !p.contains(u'\\') && p != u"." && p != u"..")
            c.root.write(QStringLiteral("SHIJUAN/%1/%1.cho").arg(p), "[MAIN]\r\n" + main);
    }
}

QByteArray rtfText(const QByteArray &text)
{
    return "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 " + text + "}";
}

/// A paper of n plain questions, each with its two RTF files.
QByteArray plainPaper(const Case &c, const QString &name, int n, const QByteArray &main = "Mark= 5\r\n")
{
    QByteArray file = "[MAIN]\r\nQuestion_conut= " + QByteArray::number(n) + "\r\n" + main;
    for (int i = 1; i <= n; ++i) {
        const QByteArray k = QByteArray::number(i);
        file += '[' + k + "]\r\nQUESTION=q" + k + ".RTF\r\nexplain=e" + k + ".RTF\r\nanswer=1\r\nmark=\r\n";
        c.root.write(QStringLiteral("SHIJUAN/%1/q%2.RTF").arg(name).arg(i), rtfText("Question " + k));
        c.root.write(QStringLiteral("SHIJUAN/%1/e%2.RTF").arg(name).arg(i), rtfText("Why " + k));
    }
    return file;
}

/// RTF files that are no good: cut short, binary, unbalanced, not RTF at all.
QList<std::pair<QString, QByteArray>> garbageRtf()
{
    return {
        {QStringLiteral("empty"), QByteArray()},
        {QStringLiteral("cut short"), QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0 Ar")},
        {QStringLiteral("not RTF"), QByteArray("just text, no braces")},
        {QStringLiteral("binary"), sweep::noise(4096, 7)},
        {QStringLiteral("binary after the header"), "{\\rtf1 " + sweep::noise(4096, 8)},
        {QStringLiteral("deep groups"), "{\\rtf1 " + QByteArray(200000, '{')},
        {QStringLiteral("huge numbers"),
         QByteArray("{\\rtf1\\ansicpg99999999999\\fs-99999999999\\u-99999999999 "
                    "\\bin99999999999 x}")},
        {QStringLiteral("double-byte cut"), QByteArray("{\\rtf1\\ansi\\ansicpg936 \\'d6")},
        {QStringLiteral("NUL"), sweep::bytes("{\\rtf1 a\0b\0c}")},
    };
}

} // namespace

class SweepExamforge : public QObject
{
    Q_OBJECT

private slots:
    void init() { prompt::setApplicationTitle(QStringLiteral("Examora")); }
    void cleanup() { closeAllWindows(); }

    // Class management ------------------------------------------------------------------------

    void classNameBox()
    {
        for (const Value &v : sweep::badTexts() + sweep::pathNames() + sweep::badNumbers()) {
            Case c(QStringLiteral("class name: ") + v.label);
            c.root.write(QStringLiteral("sys/sys.cho"), OneClass);
            ClassManagementDialog w;
            w.show();
            c.script->queue(v.text);
            click(w, QStringLiteral("Command4"));
            const QString name = v.text.trimmed();
            if (w.classes().size() == 1) {
                // Only an empty answer may go without a word.
                SWEEP_VERIFY(c, name.isEmpty() || c.anyMessage());
            } else {
                click(w, QStringLiteral("Command1"));
                SWEEP_VERIFY(c, !w.isVisible());
                // What was accepted reads back as it was listed: no name is cut or changed.
                SWEEP_VERIFY(c, catalogue::classNames() == QStringList({QStringLiteral("Grade1"), name}));
                SWEEP_VERIFY(c, catalogue::loadClass(name).count == 0);
            }
            SWEEP_DONE(c);
        }
    }

    void classNumberBoxes()
    {
        const QList<Value> values = sweep::badNumbers() + sweep::badTexts();
        for (const QString &box :
             {QStringLiteral("Text2"), QStringLiteral("Text3"), QStringLiteral("Text4")}) {
            for (const Value &v : std::as_const(values)) {
                Case c(QStringLiteral("class number %1: %2").arg(box, v.label));
                c.root.write(QStringLiteral("sys/sys.cho"), OneClass);
                ClassManagementDialog w;
                w.show();
                sweep::enter(get<QLineEdit>(w, box), v.text);
                click(w, QStringLiteral("Command1"));
                const QString count = catalogueValue(catalogue::ClassCountSection, QStringLiteral("Grade1"));
                const QString first = catalogueValue(catalogue::FirstNumberSection, QStringLiteral("Grade1"));
                const QString last = catalogueValue(catalogue::LastNumberSection, QStringLiteral("Grade1"));
                SWEEP_VERIFY(c, sweep::plainInt16(count) && sweep::plainInt16(first) && sweep::plainInt16(last));
                if (w.isVisible())
                    SWEEP_VERIFY(c, c.anyMessage()); // OK was refused: it said why
                else
                    SWEEP_VERIFY(c, count.toInt() <= last.toInt() - first.toInt() + 1);
                SWEEP_DONE(c);
            }
        }
    }

    // Paper management ------------------------------------------------------------------------

    void paperNameBox()
    {
        for (const Value &v : sweep::badTexts() + sweep::pathNames() + sweep::badNumbers()) {
            Case c(QStringLiteral("test name: ") + v.label);
            writePapers(c, {QStringLiteral("Unit1")});
            PaperManagementDialog w;
            w.show();
            c.script->queue(v.text);
            click(w, QStringLiteral("Command6"));
            const QString name = v.text.trimmed();
            if (w.rows().size() == 1) {
                SWEEP_VERIFY(c, name.isEmpty() || c.anyMessage());
            } else {
                click(w, QStringLiteral("Cmd保存"));
                SWEEP_VERIFY(c, c.messages().value(0) == QStringLiteral("Save completed!"));
                SWEEP_VERIFY(c, catalogue::paperNames() == QStringList({QStringLiteral("Unit1"), name}));
                SWEEP_VERIFY(c, inTree(c, QStringLiteral("SHIJUAN"), paths::paperFolder(name)));
                SWEEP_VERIFY(c, inTree(c, QStringLiteral("CHENGJI"), paths::scoreFolder(name)));
            }
            SWEEP_DONE(c);
        }
    }

    void paperSettingBoxes()
    {
        const QStringList numberBoxes = {QStringLiteral("TXT3"), QStringLiteral("Txt10"),
                                         QStringLiteral("Txt11"), QStringLiteral("Txt12"),
                                         QStringLiteral("Txt13")};
        const QStringList textBoxes = {QStringLiteral("Txt15"), QStringLiteral("Txt重考密码"),
                                       QStringLiteral("Txt二次登录密码"), QStringLiteral("TXT17")};
        for (const QString &box : numberBoxes + textBoxes) {
            const bool number = numberBoxes.contains(box);
            for (const Value &v : number ? sweep::badNumbers() + sweep::badTexts() : sweep::badTexts()) {
                Case c(QStringLiteral("test setting %1: %2").arg(box, v.label));
                writePapers(c, {QStringLiteral("Unit1")},
                            "TESTTIME=30\r\nRETESTPASSWD=827\r\nRELOGINPASSWD=358\r\n");
                PaperManagementDialog w;
                w.show();
                if (auto *line = w.findChild<QLineEdit *>(box))
                    sweep::enter(line, v.text);
                else
                    sweep::paste(get<QPlainTextEdit>(w, box), v.text);
                click(w, QStringLiteral("Cmd保存"));
                SWEEP_VERIFY(c, c.messages() == QStringList{QStringLiteral("Save completed!")});
                const QString file = paths::paperFile(QStringLiteral("Unit1"));
                for (const int column : papers::savedColumns()) {
                    const QString stored =
                        profile::readValue(file, paper::MainSection, papers::keyOf(column));
                    if (column == papers::TestTimeColumn ||
                        (column >= papers::AGradeColumn && column <= papers::DGradeColumn)) {
                        // A number box keeps a number its readers can hold, never text.
                        SWEEP_VERIFY(c, numbers::leadingNumberText(stored) == stored);
                        SWEEP_VERIFY(c, numbers::fitsInt16(numbers::leadingNumber(stored)));
                    }
                }
                // What was saved shows again when the window opens anew.
                const papers::PaperRow saved = w.rows().at(0);
                w.reload();
                SWEEP_VERIFY(c, w.rows().at(0)[papers::TestTimeColumn] == saved[papers::TestTimeColumn]);
                SWEEP_DONE(c);
            }
        }
    }

    void paperImport()
    {
        struct Source
        {
            QString label;
            QString name;
            QByteArray bytes;
        };
        const QByteArray good = "[MAIN]\r\nTESTTIME=30\r\nQuestion_conut= 1\r\n[1]\r\nQUESTION=1.RTF\r\n";
        const QList<Source> sources = {
            {QStringLiteral("binary test file"), QStringLiteral("Unit9.cho"), sweep::noise(8192, 1)},
            {QStringLiteral("truncated test file"), QStringLiteral("Unit9.cho"), "[MAIN]\r\nQuestion_con"},
            {QStringLiteral("absurd counts"), QStringLiteral("Unit9.cho"),
             "[MAIN]\r\nQuestion_conut=32767\r\nTESTTIME=99999\r\nA_grade=1e9\r\nMark=-99999\r\n"},
            {QStringLiteral("empty test file"), QStringLiteral("Unit9.cho"), QByteArray()},
            {QStringLiteral("NUL in test file"), QStringLiteral("Unit9.cho"),
             sweep::bytes("[MAIN]\0\r\nA=\0")},
            {QStringLiteral("no name"), QStringLiteral(".cho"), good},
            {QStringLiteral("dot dot"), QStringLiteral("...cho"), good},
            {QStringLiteral("equals"), QStringLiteral("a=b.cho"), good},
            {QStringLiteral("bracket first"), QStringLiteral("[x.cho"), good},
            {QStringLiteral("bracket last"), QStringLiteral("x].cho"), good},
            {QStringLiteral("colon"), QStringLiteral("c:.cho"), good},
            {QStringLiteral("backslash"), QStringLiteral("a\\b.cho"), good},
            {QStringLiteral("number"), QStringLiteral("99999.cho"), good},
            {QStringLiteral("long name"), QString(240, u'n') + QStringLiteral(".cho"), good},
            {QStringLiteral("listed in other case"), QStringLiteral("UNIT1.CHO"), good},
            {QStringLiteral("no .cho"), QStringLiteral("readme.txt"), good},
            {QStringLiteral("blanks"), QStringLiteral(" spaced .cho"), good},
            {QStringLiteral("double extension"), QStringLiteral("x.cho.bak"), good},
        };
        int n = 0;
        for (const Source &s : sources) {
            Case c(QStringLiteral("import: ") + s.label);
            writePapers(c, {QStringLiteral("Unit1")});
            const QString folder = sweep::outside(QStringLiteral("import%1").arg(++n));
            c.writeOutside(paths::join(folder, s.name), s.bytes);
            c.writeOutside(paths::join(folder, QStringLiteral("1.RTF")), sweep::noise(512, 2));
            PaperManagementDialog w;
            w.show();
            c.script->queue(paths::join(folder, s.name));
            click(w, QStringLiteral("Cmd导入试卷"));
            SWEEP_VERIFY(c, c.anyMessage());
            if (w.rows().size() == 2) {
                const QString name = w.rows().at(1)[papers::NameColumn];
                SWEEP_VERIFY(c, inTree(c, QStringLiteral("SHIJUAN"), paths::paperFolder(name)));
                click(w, QStringLiteral("Cmd保存"));
                SWEEP_VERIFY(c, c.messages().last() == QStringLiteral("Save completed!"));
            }
            SWEEP_DONE(c);
        }
        // A file gone since it was chosen, and a folder: nothing to import, and no success told.
        for (const QString &chosen : {QStringLiteral("missing/x.cho"), QStringLiteral("folder.cho")}) {
            Case c(QStringLiteral("import of ") + chosen);
            writePapers(c, {QStringLiteral("Unit1")});
            c.writeOutside(sweep::outside(QStringLiteral("folder.cho/1.RTF")), "{\\rtf1 x}");
            PaperManagementDialog w;
            w.show();
            c.script->queue(sweep::outside(chosen));
            click(w, QStringLiteral("Cmd导入试卷"));
            SWEEP_VERIFY(c, c.anyMessage() &&
                                !c.messages().contains(QStringLiteral("Input paper had completed!")));
            SWEEP_VERIFY(c, w.rows().size() == 1);
            SWEEP_DONE(c);
        }
    }

    void paperExport()
    {
        // Targets: a folder to be made, one whose place holds a file, the test's own folder, a
        // path through "..".
        struct Target
        {
            QString label;
            QString chosen; ///< empty: the test's own folder
            QString made;   ///< the folder the export may make and fill
        };
        const QList<Target> targets = {
            {QStringLiteral("new folder"), sweep::outside(QStringLiteral("export/a/b")),
             sweep::outside(QStringLiteral("export"))},
            {QStringLiteral("file in the way"), sweep::outside(QStringLiteral("export-file")), QString()},
            {QStringLiteral("the test's own folder"), QString(), QString()},
            {QStringLiteral("dot dot"), sweep::outside(QStringLiteral("export/../export2/")),
             sweep::outside(QStringLiteral("export2"))},
        };
        for (const Target &t : targets) {
            Case c(QStringLiteral("export: ") + t.label);
            writePapers(c, {QStringLiteral("Unit1")});
            c.root.write(QStringLiteral("SHIJUAN/Unit1/1.RTF"), "{\\rtf1 x}");
            const QString chosen =
                t.chosen.isEmpty() ? paths::paperFolder(QStringLiteral("Unit1")) : t.chosen;
            if (t.label == u"file in the way")
                c.writeOutside(chosen + QStringLiteral("/Unit1"), "in the way");
            if (!t.made.isEmpty())
                c.allowWrites(t.made);
            PaperManagementDialog w;
            w.show();
            c.script->queue(chosen);
            click(w, QStringLiteral("Cmd导出试卷"));
            SWEEP_VERIFY(c, c.anyMessage());
            SWEEP_DONE(c);
        }
        // A test that a hand-edited catalogue names with path characters never leads the export
        // out of the chosen folder, nor the save out of the data tree.
        for (const Value &v : sweep::pathNames()) {
            Case c(QStringLiteral("export of a listed test named: ") + v.label);
            writePapers(c, {v.text});
            // Folders where the escapes lead, so that a write that follows them succeeds.
            c.writeOutside(paths::join(QFileInfo(c.root.path()).absolutePath(),
                                       sweep::escape() + QStringLiteral("/.keep")),
                           {});
            c.writeOutside(sweep::outside(sweep::escape() + QStringLiteral("/.keep")), {});
            c.root.write(QStringLiteral("SHIJUAN/Unit1/1.RTF"), "{\\rtf1 x}");
            const QString chosen = sweep::outside(QStringLiteral("exported"));
            QDir().mkpath(chosen);
            c.allowWrites(chosen);
            PaperManagementDialog w;
            w.show();
            c.script->queue(chosen);
            click(w, QStringLiteral("Cmd导出试卷"));
            click(w, QStringLiteral("Cmd保存"));
            SWEEP_VERIFY(c, c.messages().size() == 2);
            SWEEP_DONE(c);
        }
    }

    // Question editor -------------------------------------------------------------------------

    void editorMarkBoxes()
    {
        QList<Value> values = sweep::badNumbers();
        values.append({QStringLiteral("9999 on five questions"), QStringLiteral("9999")});
        for (const Value &v : sweep::badTexts()) {
            if (v.label != u"huge CJK")
                values.append(v);
        }
        for (const QString &box : {QStringLiteral("Text分值"), QStringLiteral("Text设置默认分值")}) {
            for (const Value &v : std::as_const(values)) {
                Case c(QStringLiteral("editor %1: %2").arg(box, v.label));
                writePapers(c, {QStringLiteral("Unit1")});
                c.root.write(QStringLiteral("SHIJUAN/Unit1/Unit1.cho"),
                             plainPaper(c, QStringLiteral("Unit1"), 5));
                examforge::session().currentPaperName = QStringLiteral("Unit1");
                QuestionEditorDialog d;
                d.setWorkFolder(sweep::outside(QStringLiteral("work")));
                c.allowWrites(sweep::outside(QStringLiteral("work")));
                d.show();
                for (int q = 1; q <= 5; ++q) {
                    if (box == u"Text分值")
                        get<QCheckBox>(d, QStringLiteral("Chk使用默认分值"))->click();
                    sweep::enter(get<QLineEdit>(d, box), v.text);
                    click(d, QStringLiteral("Cmd下一题"));
                }
                click(d, QStringLiteral("Cmd_ok"));
                if (d.isVisible()) {
                    SWEEP_VERIFY(c, c.anyMessage());
                    d.done(QDialog::Rejected);
                } else {
                    // The figures the other windows read stay 16-bit numbers that add up.
                    paper::QuestionTable saved;
                    const QString file = paths::paperFile(QStringLiteral("Unit1"));
                    paper::loadQuestions(file, saved);
                    for (const QString &key : {paper::QuestionCountKey, paper::FullMarkKey, paper::MarkKey})
                        SWEEP_VERIFY(c, sweep::plainInt16(profile::readValue(file, paper::MainSection, key)));
                    SWEEP_VERIFY(c, profile::readNumber(file, paper::MainSection, paper::FullMarkKey) ==
                                        numbers::toInt16(paper::fullScoreExact(saved.questions, saved.defaultMark)));
                }
                SWEEP_DONE(c);
            }
        }
    }

    void editorTextBoxes()
    {
        for (const QString &box : {QStringLiteral("RichTextBox1"), QStringLiteral("RichTextBox2")}) {
            for (const Value &v : sweep::badTexts()) {
                Case c(QStringLiteral("editor %1: %2").arg(box, v.label));
                writePapers(c, {QStringLiteral("Unit1")});
                c.root.write(QStringLiteral("SHIJUAN/Unit1/Unit1.cho"),
                             plainPaper(c, QStringLiteral("Unit1"), 1));
                examforge::session().currentPaperName = QStringLiteral("Unit1");
                QuestionEditorDialog d;
                d.setWorkFolder(sweep::outside(QStringLiteral("work")));
                c.allowWrites(sweep::outside(QStringLiteral("work")));
                d.show();
                auto *editor = get<RichTextBox>(d, box);
                editor->selectAll();
                editor->insertPlainText(v.text);
                const QString typed = editor->plainText();
                // Control characters and halves of surrogate pairs show nothing; RTF files hold
                // neither, and every other character must come back.
                const auto visible = [](QString text) {
                    text.removeIf([](QChar ch) {
                        return ch.isSurrogate() ||
                               (ch.category() == QChar::Other_Control && ch != u'\t' && ch != u'\n');
                    });
                    return text;
                };
                click(d, QStringLiteral("Cmd_ok"));
                SWEEP_VERIFY(c, !d.isVisible());
                paper::QuestionTable saved;
                paper::loadQuestions(paths::paperFile(QStringLiteral("Unit1")), saved);
                const paper::Question q = saved.questions.value(0);
                RichTextBox again;
                again.loadFile(paper::rtfPath(QStringLiteral("Unit1"),
                                              box == u"RichTextBox1" ? q.questionFile : q.explainFile));
                SWEEP_VERIFY(c, again.plainText() == visible(typed));
                SWEEP_DONE(c);
            }
        }
    }

    void editorPaperFiles()
    {
        QList<std::pair<QString, QByteArray>> files = {
            {QStringLiteral("count 32767 without questions"), "[MAIN]\r\nQuestion_conut=32767\r\nMark=5\r\n"},
            {QStringLiteral("count -5"),
             "[MAIN]\r\nQuestion_conut=-5\r\nMark=5\r\n[1]\r\nQUESTION=q1.RTF\r\n"},
            {QStringLiteral("count 1e9"), "[MAIN]\r\nQuestion_conut=1e9\r\nMark=1e9\r\n"},
            {QStringLiteral("count 99999"), "[MAIN]\r\nQuestion_conut=99999\r\nMark=-99999\r\n"},
            {QStringLiteral("count as text"), "[MAIN]\r\nQuestion_conut=many\r\nMark=five\r\n"},
            {QStringLiteral("marks beyond 16 bits"),
             "[MAIN]\r\nQuestion_conut=3\r\nMark=32767\r\n[1]\r\nmark=99999\r\n[2]\r\nmark=-99999\r\n"
             "[3]\r\nmark=1e9\r\n"},
            {QStringLiteral("binary test file"), sweep::noise(16384, 3)},
            {QStringLiteral("truncated test file"), "[MAIN]\r\nQuestion_conut=2\r\n[1]\r\nQUEST"},
            {QStringLiteral("NUL in the test file"),
             sweep::bytes("[MAIN]\r\nQuestion_conut=2\0\r\n[1]\r\nQUESTION=\0x")},
            {QStringLiteral("answer keys"), "[MAIN]\r\nQuestion_conut=3\r\n[1]\r\nanswer=99999999\r\n[2]\r\n"
                                            "answer=-1\r\n[3]\r\nanswer=\x01\x02\r\n"},
        };
        QByteArray names =
            "[MAIN]\r\nQuestion_conut=" + QByteArray::number(sweep::pathNames().size()) + "\r\n";
        for (int i = 0; i < sweep::pathNames().size(); ++i) {
            const QByteArray name = sweep::pathNames().at(i).text.toUtf8();
            names += '[' + QByteArray::number(i + 1) + "]\r\nQUESTION=" + name + ".rtf\r\nexplain=" + name +
                     "\r\n";
        }
        files.append({QStringLiteral("file names with path characters"), names});
        files.append({QStringLiteral("huge file name"), "[MAIN]\r\nQuestion_conut=1\r\n[1]\r\nQUESTION=" +
                                                            QByteArray(100000, 'n') + ".rtf\r\n"});
        files.append({QStringLiteral("missing RTF files"),
                      "[MAIN]\r\nQuestion_conut=2\r\n[1]\r\nQUESTION=404.RTF\r\nexplain=405.RTF\r\n"});
        QByteArray garbage = "[MAIN]\r\nQuestion_conut=" + QByteArray::number(garbageRtf().size()) + "\r\n";
        for (int i = 1; i <= garbageRtf().size(); ++i)
            garbage += '[' + QByteArray::number(i) + "]\r\nQUESTION=g" + QByteArray::number(i) +
                       ".rtf\r\nexplain=g" + QByteArray::number(i) + ".rtf\r\n";
        files.append({QStringLiteral("garbage RTF files"), garbage});

        for (const auto &[label, bytes] : files) {
            Case c(QStringLiteral("editor on a test file: ") + label, 10000);
            writePapers(c, {QStringLiteral("Unit1")});
            c.root.write(QStringLiteral("SHIJUAN/Unit1/Unit1.cho"), bytes);
            for (int i = 1; i <= garbageRtf().size(); ++i)
                c.root.write(QStringLiteral("SHIJUAN/Unit1/g%1.rtf").arg(i), garbageRtf().at(i - 1).second);
            examforge::session().currentPaperName = QStringLiteral("Unit1");
            QuestionEditorDialog d;
            d.setWorkFolder(sweep::outside(QStringLiteral("work")));
            c.allowWrites(sweep::outside(QStringLiteral("work")));
            d.show();
            // Through every question, typing into each, then OK.
            const int count = examforge::session().questions.count();
            for (int q = 1; q <= std::min(count, 20); ++q) {
                auto *text = get<RichTextBox>(d, QStringLiteral("RichTextBox1"));
                text->setFocus();
                QTest::keyClicks(text, QStringLiteral("z"));
                click(d, QStringLiteral("Cmd下一题"));
            }
            click(d, QStringLiteral("Cmd上一题"));
            click(d, QStringLiteral("Cmd_ok"));
            if (d.isVisible()) {
                SWEEP_VERIFY(c, c.anyMessage());
                d.done(QDialog::Rejected);
            } else {
                // Every file the saved test names is a plain file in its folder.
                paper::QuestionTable saved;
                paper::loadQuestions(paths::paperFile(QStringLiteral("Unit1")), saved);
                for (const paper::Question &q : std::as_const(saved.questions)) {
                    for (const QString &f : {q.questionFile, q.explainFile})
                        SWEEP_VERIFY(c, QFileInfo(paper::rtfPath(QStringLiteral("Unit1"), f)).isFile());
                }
            }
            SWEEP_DONE(c);
        }
    }

    void editorOnTestsNamedWithPathCharacters()
    {
        for (const Value &v : sweep::pathNames()) {
            Case c(QStringLiteral("editor on a test named: ") + v.label);
            writePapers(c, {v.text});
            examforge::session().currentPaperName = v.text;
            QuestionEditorDialog d;
            d.setWorkFolder(sweep::outside(QStringLiteral("work")));
            c.allowWrites(sweep::outside(QStringLiteral("work")));
            d.show();
            if (d.isVisible()) {
                click(d, QStringLiteral("Cmd_ok"));
                SWEEP_VERIFY(c, !d.isVisible() || c.anyMessage());
            } else {
                SWEEP_VERIFY(c, c.anyMessage());
            }
            SWEEP_DONE(c);
        }
    }

    // A catalogue that claims the most tests and classes a count can hold, with only one of
    // each present: every window that lists them stays usable.
    void windowsOnHugeCatalogue()
    {
        const QByteArray huge = "[ClassName]\r\nClassNameCount=32767\r\n1=Grade1\r\n[TestName]\r\n"
                                "TestNameCount=32767\r\n1=Unit1\r\nUnit1=1\r\n";
        {
            Case c(QStringLiteral("class management on 32767 classes"), 20000);
            c.root.write(QStringLiteral("sys/sys.cho"), huge);
            ClassManagementDialog w;
            w.show();
            auto *list = get<QListWidget>(w, QStringLiteral("List1"));
            list->setCurrentRow(list->count() - 1);
            click(w, QStringLiteral("Command1"));
            SWEEP_VERIFY(c, !w.isVisible() && catalogue::classNames().size() == 32767);
            SWEEP_DONE(c);
        }
        {
            Case c(QStringLiteral("test management on 32767 tests"), 20000);
            c.root.write(QStringLiteral("sys/sys.cho"), huge);
            PaperManagementDialog w;
            w.show();
            get<QListWidget>(w, QStringLiteral("List1"))->setCurrentRow(32766);
            click(w, QStringLiteral("Cmd保存"));
            SWEEP_VERIFY(c, c.anyMessage());
            SWEEP_DONE(c);
        }
        {
            Case c(QStringLiteral("question bank on 32767 tests"), 20000);
            c.root.write(QStringLiteral("sys/sys.cho"), huge);
            c.root.write(QStringLiteral("SHIJUAN/Unit1/Unit1.cho"),
                         plainPaper(c, QStringLiteral("Unit1"), 2));
            examforge::session().currentPaperName = QStringLiteral("Unit1");
            QuestionEditorDialog d;
            d.setWorkFolder(sweep::outside(QStringLiteral("work")));
            c.allowWrites(sweep::outside(QStringLiteral("work")));
            d.show();
            click(d, QStringLiteral("Cmd显示题库"));
            auto *bank = get<QComboBox>(d, QStringLiteral("Combo1"));
            bank->setCurrentIndex(bank->count() - 1);
            bank->setCurrentIndex(0);
            click(d, QStringLiteral("Cmd导入考题"));
            click(d, QStringLiteral("Cmd_ok"));
            SWEEP_VERIFY(c, !d.isVisible());
            SWEEP_DONE(c);
        }
    }

    // Exam room -------------------------------------------------------------------------------

    void examRoomCatalogues()
    {
        QByteArray pathPapers =
            "[TestName]\r\nTestNameCount=" + QByteArray::number(sweep::pathNames().size()) + "\r\n";
        for (int i = 0; i < sweep::pathNames().size(); ++i)
            pathPapers += QByteArray::number(i + 1) + '=' + sweep::pathNames().at(i).text.toUtf8() + "\r\n";
        const QList<std::pair<QString, QByteArray>> catalogues = {
            {QStringLiteral("32767 tests and classes"),
             "[ClassName]\r\nClassNameCount=32767\r\n[TestName]\r\nTestNameCount=32767\r\n"},
            {QStringLiteral("counts beyond 16 bits"),
             "[ClassName]\r\nClassNameCount=99999\r\n1=G1\r\n[TestName]\r\nTestNameCount=1e9\r\n1=U1\r\n"},
            {QStringLiteral("negative counts"),
             "[ClassName]\r\nClassNameCount=-5\r\n[TestName]\r\nTestNameCount=-5\r\n"},
            {QStringLiteral("names with path characters"), OneClass + pathPapers},
            {QStringLiteral("huge names"),
             "[ClassName]\r\nClassNameCount=1\r\n1=" + QByteArray(100000, 'c') +
                 "\r\n[TestName]\r\nTestNameCount=1\r\n1=" + QByteArray(100000, 't') + "\r\n"},
            {QStringLiteral("garbage flags"), OneClass +
                                                  "[TestName]\r\nTestNameCount=1\r\n1=U1\r\nU1=99999\r\n"
                                                  "[U1]\r\nGrade1=\x01\x02\r\n"},
            {QStringLiteral("binary"), sweep::noise(65536, 4)},
            {QStringLiteral("truncated"), "[ClassName]\r\nClassNameCount=2\r\n1=G1\r\n[TestNa"},
        };
        for (const auto &[label, bytes] : catalogues) {
            Case c(QStringLiteral("exam room: ") + label, 20000);
            c.root.write(QStringLiteral("sys/sys.cho"), bytes);
            ExamRoomDialog w;
            w.show();
            auto *papers = get<QListWidget>(w, QStringLiteral("List11"));
            if (papers->count() > 0) {
                papers->setCurrentRow(0);
                QTest::keyClick(papers, Qt::Key_Space);
            }
            click(w, QStringLiteral("全部选定"));
            click(w, QStringLiteral("全部选定取消"));
            click(w, QStringLiteral("Command1"));
            SWEEP_VERIFY(c, !w.isVisible() || c.anyMessage());
            SWEEP_DONE(c);
        }
    }

    // Scores ----------------------------------------------------------------------------------

    void scoresOnGarbage()
    {
        const QByteArray paperFile =
            "[MAIN]\r\nQuestion_conut= 3\r\nA_grade=90\r\n[1]\r\nQUESTION=1.RTF\r\nanswer=2\r\n"
            "[2]\r\nanswer=13\r\n[3]\r\nanswer=99999\r\n";
        const auto catalogueOf = [](const QByteArray &first, const QByteArray &last,
                                    const QByteArray &paper = "P") {
            return "[ClassName]\r\nClassNameCount=1\r\n1=G\r\n[ClassCount]\r\nG=30\r\n[FirstNumber]\r\nG=" +
                   first + "\r\n[LastNumber]\r\nG=" + last +
                   "\r\n[TestName]\r\nTestNameCount=1\r\n1=" + paper + "\r\n";
        };
        struct Tree
        {
            QString label;
            QByteArray catalogue;
            QByteArray paper;
            QList<std::pair<QString, QByteArray>> records;
            int students; ///< lines the student list shows: every number of the clamped range
        };
        const QList<Tree> trees = {
            {QStringLiteral("numbers -32768 to 32767"), catalogueOf("-32768", "32767"), paperFile, {}, 65536},
            {QStringLiteral("32767 students on 32767 questions"),
             catalogueOf("1", "32767"),
             "[MAIN]\r\nQuestion_conut=32767\r\n",
             {{QStringLiteral("G1.cho"), "[G]\r\n1=A\r\n1DF=5\r\n1DA9999=1\r\n"}},
             32767},
            {QStringLiteral("numbers beyond 16 bits"), catalogueOf("-99999", "1e9"), paperFile, {}, 32770},
            {QStringLiteral("last number below the first"), catalogueOf("30", "1"), paperFile, {}, 0},
            {QStringLiteral("question count -5"),
             catalogueOf("1", "3"),
             "[MAIN]\r\nQuestion_conut=-5\r\n",
             {},
             3},
            {QStringLiteral("garbage records"),
             catalogueOf("1", "6"),
             paperFile,
             {{QStringLiteral("G1.cho"), "[G]\r\n1=" + QByteArray(100000, 'a') +
                                             "\r\n1DF=1e9\r\n1TIME2=" + QByteArray(100000, '9') + "\r\n"},
              {QStringLiteral("G2.cho"),
               "[G]\r\n2=\x01\x02\r\n2DF=-5\r\n2DA1=99999\r\n2DA2=-99999\r\n2TIME2=x\r\n"},
              {QStringLiteral("G3.cho"), "[G]\r\n3DF=99999\r\n3DA1=\xff\xfe\r\n3DA3=1e9\r\n3TIME2=\r\n"},
              {QStringLiteral("G4.cho"), sweep::noise(8192, 5)},
              {QStringLiteral("G5.cho"), "[G]\r\n5DF= 8"},
              {QStringLiteral("g6.CHO"), sweep::bytes("[G]\0\r\n6DF=\0")}},
             6},
            {QStringLiteral("binary test file"), catalogueOf("1", "3"), sweep::noise(8192, 6), {}, 3},
            {QStringLiteral("test named with path characters"),
             catalogueOf("1", "3", "../../" + sweep::escape().toUtf8()),
             paperFile,
             {},
             3},
        };
        for (const Tree &t : trees) {
            Case c(QStringLiteral("scores: ") + t.label, 20000);
            c.root.write(QStringLiteral("sys/sys.cho"), t.catalogue);
            c.root.write(QStringLiteral("SHIJUAN/P/P.cho"), t.paper);
            c.root.write(QStringLiteral("SHIJUAN/P/1.RTF"), sweep::noise(1024, 9));
            c.root.write(QStringLiteral("CHENGJI/P/.keep"), {});
            for (const auto &[name, bytes] : t.records)
                c.root.write(QStringLiteral("CHENGJI/P/") + name, bytes);
            // Where a test named "../../<escape>" would find its records: outside the root.
            c.writeOutside(paths::join(QFileInfo(c.root.path()).absolutePath(),
                                       sweep::escape() + QStringLiteral("/G1.cho")),
                           "[G]\r\n1=Out\r\n1DF=5\r\n1TIME2=00:00:01\r\n");
            ScoresDialog w;
            w.show();
            auto *students = get<QListWidget>(w, QStringLiteral("List1"));
            auto *questions = get<QListWidget>(w, QStringLiteral("List5"));
            SWEEP_VERIFY(c, students->count() == t.students);
            for (const QString &sort :
                 {QStringLiteral("CMD学号"), QStringLiteral("CMD姓名"), QStringLiteral("CMD成绩"),
                  QStringLiteral("Cmd名次"), QStringLiteral("Cmd剩余时间"), QStringLiteral("Cmd题号"),
                  QStringLiteral("Cmd得分率"), QStringLiteral("Cmd标准答案")})
                click(w, sort);
            questions->setCurrentRow(questions->count() - 1);
            questions->setCurrentRow(0);
            for (const int row : {students->count() - 1, 0}) {
                students->setCurrentRow(row);
                c.script->queueAnswer(prompt::Answer::Yes);
                click(w, QStringLiteral("Cmd删除成绩"));
                students->setCurrentRow(row);
                click(w, QStringLiteral("Cmd允许重考"));
            }
            click(w, QStringLiteral("CMD_刷新"));
            SWEEP_DONE(c);
        }
    }

    // Administrator login, password and language file -------------------------------------------

    void adminLogin()
    {
        const QList<QByteArray> stored = {"secret", QByteArray(300, 'p'), "\x01\x02", "\"\"", "\xff\xfe"};
        for (const QByteArray &password : stored) {
            for (const Value &v : sweep::badTexts()) {
                Case c(QStringLiteral("login with %1 bytes stored: %2").arg(password.size()).arg(v.label));
                c.root.write(QStringLiteral("sys/sys.cho"), "[admin]\r\npwd=" + password + "\r\n");
                LoginDialog d;
                d.show();
                sweep::enter(get<QLineEdit>(d, QStringLiteral("Text1")), v.text);
                click(d, QStringLiteral("Command1"));
                QTRY_VERIFY(!d.isVisible() || c.anyMessage());
                SWEEP_DONE(c);
            }
        }
    }

    void setPassword()
    {
        for (const QString &box : {QStringLiteral("Text1"), QStringLiteral("Text2")}) {
            for (const Value &v : sweep::badTexts()) {
                Case c(QStringLiteral("set password %1: %2").arg(box, v.label));
                c.root.write(QStringLiteral("sys/sys.cho"), "[admin]\r\npwd=old\r\n");
                SetPasswordDialog d;
                d.show();
                get<QLineEdit>(d, QStringLiteral("Text1"))->setText(QStringLiteral("old"));
                sweep::enter(get<QLineEdit>(d, box), v.text);
                get<QLineEdit>(d, QStringLiteral("Text3"))
                    ->setText(get<QLineEdit>(d, QStringLiteral("Text2"))->text());
                const QString wanted = get<QLineEdit>(d, QStringLiteral("Text2"))->text().trimmed();
                click(d, QStringLiteral("Command1"));
                if (d.isVisible())
                    SWEEP_VERIFY(c, c.anyMessage());
                else // the administrator can log in with what was typed
                    SWEEP_VERIFY(c, catalogue::adminPassword() == wanted);
                SWEEP_DONE(c);
            }
        }
    }

    void languageFile()
    {
        const QList<std::pair<QString, QByteArray>> files = {
            {QStringLiteral("binary"), sweep::noise(4096, 10)},
            {QStringLiteral("truncated"), "[info]\r\nLanguage=Chin"},
            {QStringLiteral("empty texts"),
             "[info]\r\nLanguage=\r\n[MIMA]\r\nSHURUYOUWUQINGCHONGXINSHURU=\r\n"
             "QUEDING=\r\nSHEZHIGUANLIYUANMIMA=\"\"\r\n"},
            {QStringLiteral("quotes only"), "[MIMA]\r\nSHURUYOUWUQINGCHONGXINSHURU=\"\"\r\n"},
            {QStringLiteral("NUL texts"),
             sweep::bytes("[info]\r\nLanguage=\0\r\n[MIMA]\r\nSHURUYOUWUQINGCHONGXINSHURU=\0\0\r\n")},
            {QStringLiteral("control texts"),
             "[MIMA]\r\nSHURUYOUWUQINGCHONGXINSHURU=\x01\x02\x03\r\nQUEDING=\x7f\r\n"},
            {QStringLiteral("huge texts"),
             "[info]\r\nLanguage=" + QByteArray(100000, 'L') +
                 "\r\n[MIMA]\r\nSHURUYOUWUQINGCHONGXINSHURU=" + QByteArray(100000, 'w') + "\r\n"},
            {QStringLiteral("invalid UTF-8"), "[MIMA]\r\nSHURUYOUWUQINGCHONGXINSHURU=\xff\xfe\xc3\r\n"},
        };
        for (const auto &[label, bytes] : files) {
            Case c(QStringLiteral("Language.txt: ") + label);
            c.root.write(QStringLiteral("Language.txt"), bytes);
            c.root.write(QStringLiteral("sys/sys.cho"), "[admin]\r\npwd=old\r\n");
            SetPasswordDialog d;
            d.show();
            SWEEP_VERIFY(c, !sweep::blank(d.windowTitle()));
            get<QLineEdit>(d, QStringLiteral("Text1"))->setText(QStringLiteral("wrong"));
            click(d, QStringLiteral("Command1"));
            SWEEP_VERIFY(c, c.messages().size() == 1);
            for (QPushButton *button : d.findChildren<QPushButton *>())
                SWEEP_VERIFY(c, !sweep::blank(button->text()));
            // The main window takes its title from the language name.
            c.root.write(QStringLiteral("sys/sys.cho"), OneClass);
            std::unique_ptr<MainWindow> main = examforge::startUp({false});
            SWEEP_VERIFY(c, main && !sweep::blank(main->windowTitle()));
            main.reset();
            SWEEP_DONE(c);
        }
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    SweepExamforge test;
    return sweep::run(test, argc, argv);
}

#include "tst_sweepforge.moc"
