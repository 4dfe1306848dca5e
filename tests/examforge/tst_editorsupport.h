#pragma once

// Shared by the question editor's tests: a data tree with papers of simple questions, and the
// editor opened on one of them with its working copies in a temporary folder.

#include "paperfile.h"
#include "paths.h"
#include "questioneditordialog.h"
#include "richtextbox.h"
#include "rtf/rtf.h"
#include "session.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

namespace editortest {

/// RTF of a one-line question.
inline QByteArray rtfText(const QString &text)
{
    return "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 " + text.toLatin1() + "}";
}

struct PaperQuestion
{
    QString text;    ///< the question's text ("" writes no question file)
    QString answer;  ///< answer key
    QString mark;    ///< own mark
    QString file;    ///< question file name (default q<i>.RTF)
    QString explain; ///< explanation file name (default e<i>.RTF)
};

/// Writes the catalogue listing papers, in that order.
inline void writeCatalogue(const TestDataRoot &root, const QStringList &papers)
{
    QByteArray catalogue = "[TestName]\r\nTestNameCount=" + QByteArray::number(papers.size()) + "\r\n";
    for (int i = 0; i < papers.size(); ++i)
        catalogue += QByteArray::number(i + 1) + '=' + papers.at(i).toUtf8() + "\r\n";
    root.write(QStringLiteral("sys/sys.cho"), catalogue);
}

/// Writes a paper file and its RTF files; defaultMark < 0 leaves MAIN without question keys.
inline void writePaper(const TestDataRoot &root, const QString &name, const QList<PaperQuestion> &questions,
                       int defaultMark = 5)
{
    const QString folder = QStringLiteral("SHIJUAN/%1/").arg(name);
    QByteArray file = "[MAIN]\r\nTESTTIME=30\r\n";
    if (defaultMark >= 0)
        file += "Question_conut= " + QByteArray::number(questions.size()) +
                "\r\nMark= " + QByteArray::number(defaultMark) + "\r\n";
    for (int i = 0; i < questions.size(); ++i) {
        const PaperQuestion &q = questions.at(i);
        const QString qf = q.file.isEmpty() ? QStringLiteral("q%1.RTF").arg(i + 1) : q.file;
        const QString ef = q.explain.isEmpty() ? QStringLiteral("e%1.RTF").arg(i + 1) : q.explain;
        file += '[' + QByteArray::number(i + 1) + "]\r\nQUESTION=" + qf.toUtf8() +
                "\r\nexplain=" + ef.toUtf8() + "\r\nanswer=" + q.answer.toUtf8() +
                "\r\nmark=" + q.mark.toUtf8() + "\r\n";
        if (!q.text.isEmpty()) {
            root.write(folder + qf, rtfText(q.text));
            root.write(folder + ef, rtfText(QStringLiteral("Why ") + q.text));
        }
    }
    root.write(folder + name + QStringLiteral(".cho"), file);
}

/// Questions "Question 1".."Question n" with no answer and the default mark.
inline QList<PaperQuestion> simpleQuestions(int n)
{
    QList<PaperQuestion> list;
    for (int i = 1; i <= n; ++i)
        list.append({QStringLiteral("Question %1").arg(i), {}, {}, {}, {}});
    return list;
}

/// The editor opened (shown) on a paper.
class Editor
{
public:
    explicit Editor(const QString &paperName, bool show = true)
    {
        examforge::session().currentPaperName = paperName;
        d.setWorkFolder(work.path());
        if (show)
            d.show();
    }
    ~Editor()
    {
        // Leave without the question of Cancel.
        if (d.isVisible())
            d.done(QDialog::Rejected);
    }

    template <typename T = QWidget> T *get(const QString &name) const
    {
        T *w = d.findChild<T *>(name);
        if (!w)
            qFatal("no control %s", qPrintable(name));
        return w;
    }
    QTableWidget *grid() const { return get<QTableWidget>(QStringLiteral("Grid试卷")); }
    RichTextBox *question() const { return get<RichTextBox>(QStringLiteral("RichTextBox1")); }
    RichTextBox *explanation() const { return get<RichTextBox>(QStringLiteral("RichTextBox2")); }
    QCheckBox *answer(int k) const { return get<QCheckBox>(QStringLiteral("Chk答案(%1)").arg(k)); }
    void click(const QString &button) const { get<QPushButton>(button)->click(); }
    void select(int question) const { grid()->setCurrentCell(question - 1, 1); }
    QString gridText(int question) const { return grid()->item(question - 1, 1)->text(); }
    QString caption() const { return get(QStringLiteral("Frame考题"))->property("title").toString(); }
    QStringList workFiles() const { return paths::listFiles(work.path(), {QStringLiteral("*.rtf")}); }
    QString workFile(const QString &name) const { return paths::join(work.path(), name); }
    QList<paper::Question> &questions() const { return examforge::session().questions.questions; }

    QTemporaryDir work;
    QuestionEditorDialog d;
};

} // namespace editortest
