#pragma once

#include "prompt.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTest>

#include <memory>

class QLineEdit;
class QWidget;

/// The bad-input sweep: every box and every file the programs read gets empty, huge, binary
/// and malformed values. Each case runs on a fresh data root and is checked for what a user
/// would suffer from: a hang, a write outside the data root, or a message box without text.
/// A crash ends the run, which CTest reports.
namespace sweep {

struct Value
{
    QString label;
    QString text;
};

/// Texts that no box may trip over: empty, blanks, huge, NUL and control characters, bytes
/// that are no valid UTF-8 or come from another code page, a lone surrogate, quotes.
QList<Value> badTexts();

/// Names with path characters, and the other characters a name must not carry. Escapes that
/// would work land in the sandbox, where the snapshot sees them.
QList<Value> pathNames();

/// Numbers that do not fit 16 bits, or are no plain number at all.
QList<Value> badNumbers();

/// The name that escapes out of the data root or a work folder lead to, if they succeed. It is
/// the process's own: the work folders' parent is shared with other processes, and only
/// entries of this name are watched there.
QString escape();

/// The folder every case works in: the data roots are made in its "tmp" folder (the process's
/// temporary folder points there), so the snapshot of the sandbox sees any write beside them.
QString sandbox();
/// sandbox() joined with a relative path.
QString outside(const QString &relative);

/// Writes a file anywhere (made with its folders); fails the run when it cannot.
void writeFile(const QString &path, const QByteArray &bytes);

/// The bytes of a literal, NUL characters included (not the one that ends it).
template <qsizetype N> QByteArray bytes(const char (&literal)[N])
{
    return QByteArray(literal, N - 1);
}

/// True when a message would show nothing readable: empty, or blanks and control characters.
bool blank(const QString &text);

/// Replaces the text of a box the way a user pastes: select all, then Ctrl+V.
void paste(QWidget *box, const QString &text);

/// Replaces the text of a line box as a user does, short values typed, long ones pasted.
void enter(QLineEdit *box, const QString &text);

/// One case of the sweep: a fresh data root, scripted prompts, a snapshot of everything outside
/// the root, and a watchdog that ends the run when the case hangs.
class Case
{
public:
    /// limitMs is what the case may take at most; a hang far beyond it aborts the run.
    explicit Case(const QString &label, int limitMs = 5000);
    ~Case();
    Case(const Case &) = delete;
    Case &operator=(const Case &) = delete;

    TestDataRoot root;
    prompt::ScopedScript script;

    const QString &label() const { return m_label; }

    /// A folder outside the root that the case may write to (an export target).
    void allowWrites(const QString &folder);
    /// Writes a file outside the root (an import source) and takes it into the snapshot.
    void writeOutside(const QString &path, const QByteArray &bytes);

    /// Texts of the message boxes shown so far.
    QStringList messages() const;
    bool anyMessage() const { return !messages().isEmpty(); }

    /// Closes every window and checks the case: time, writes outside the root, prompt texts.
    /// Returns what went wrong (empty when nothing did). Counts the case.
    QString done();

private:
    QString m_label;
    QElapsedTimer m_clock;
    int m_limitMs;
    QStringList m_allowed;
    QHash<QString, QString> m_before;
    bool m_done = false;
};

/// Cases finished so far in this process.
int casesTried();

/// Runs the test object with the sandbox and the watchdog set up, then prints the count.
int run(QObject &test, int argc, char **argv);

/// size bytes of repeatable noise (the same seed gives the same bytes).
QByteArray noise(int size, quint32 seed);

/// True when a stored number is the plain decimal text of a 16-bit number.
bool plainInt16(const QString &stored);

} // namespace sweep

/// Ends the case and fails the test function when it went wrong.
#define SWEEP_DONE(c)                                                                                        \
    do {                                                                                                     \
        const QString sweepProblems = (c).done();                                                            \
        QVERIFY2(sweepProblems.isEmpty(), qPrintable((c).label() + QStringLiteral(": ") + sweepProblems));   \
    } while (false)

/// A check inside a case that names the case when it fails.
#define SWEEP_VERIFY(c, condition)                                                                           \
    QVERIFY2(condition, qPrintable((c).label() + QStringLiteral(": ") + QStringLiteral(#condition)))
