#include "sweep.h"

#include <QRandomGenerator>

#include "paths.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace sweep {
namespace {

int g_cases = 0;
QString g_sandbox;

/// Ends the run when a case goes on far beyond its limit: a hang must not wait for the CTest
/// time-out, and the message names the case.
class Watchdog
{
public:
    Watchdog()
        : m_thread([this] { watch(); })
    {}
    ~Watchdog()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }

    void arm(const QString &label, int limitMs)
    {
        const std::lock_guard lock(m_mutex);
        m_label = label.left(200).toStdString();
        m_deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
        m_armed = true;
    }
    void disarm()
    {
        const std::lock_guard lock(m_mutex);
        m_armed = false;
    }

private:
    void watch()
    {
        std::unique_lock lock(m_mutex);
        while (!m_stop) {
            m_wake.wait_for(lock, std::chrono::milliseconds(200));
            if (m_armed && std::chrono::steady_clock::now() > m_deadline) {
                std::fprintf(stderr, "sweep: case \"%s\" hangs; ending the run\n", m_label.c_str());
                std::fflush(stderr);
                std::abort();
            }
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::string m_label;
    std::chrono::steady_clock::time_point m_deadline;
    bool m_armed = false;
    bool m_stop = false;
    std::thread m_thread;
};

Watchdog *g_watchdog = nullptr;

/// The work folders' parent: the programs may change their own folder in it, nothing else.
QString workFolders()
{
    return QFileInfo(paths::workFolder(QStringLiteral("examforge"))).absolutePath();
}

bool inside(const QString &path, const QString &folder)
{
    return !folder.isEmpty() && (path == folder || path.startsWith(folder + u'/'));
}

/// Every file and folder below folder, with what tells a change: size and time of files.
/// With a token, only the entries whose path holds it.
void scan(const QString &folder, QHash<QString, QString> &into, const QString &token = QString())
{
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (!token.isEmpty() && !info.absoluteFilePath().contains(token))
            continue;
        into.insert(info.absoluteFilePath(), info.isDir() && !info.isSymLink()
                                                 ? QStringLiteral("folder")
                                                 : QStringLiteral("%1 bytes, %2")
                                                       .arg(info.size())
                                                       .arg(info.lastModified().toMSecsSinceEpoch()));
    }
}

} // namespace

QList<Value> badTexts()
{
    return {
        {QStringLiteral("empty"), QStringLiteral("")},
        {QStringLiteral("blanks"), QStringLiteral("   \t  ")},
        {QStringLiteral("huge"), QString(100000, u'x')},
        {QStringLiteral("huge CJK"), QString(100000, QChar(0x4E2D))},
        {QStringLiteral("NUL"), QString::fromUtf16(u"a\0b\0", 4)},
        {QStringLiteral("controls"), QStringLiteral("\x01\x02\x1b[0m\x7f\r\n\tz")},
        {QStringLiteral("invalid UTF-8"), QString::fromUtf8("\xff\xfe\xc3\x28\xa0\xa1")},
        {QStringLiteral("code-page bytes"), QString::fromLatin1("\xb5\xda\xd2\xbb\xd5\xc2")},
        {QStringLiteral("lone surrogate"), QString(QChar(0xD800)) + QStringLiteral("x")},
        {QStringLiteral("quotes"), QStringLiteral("\"quoted\"")},
    };
}

QList<Value> pathNames()
{
    return {
        {QStringLiteral("dot dot"), QStringLiteral("..")},
        {QStringLiteral("dot"), QStringLiteral(".")},
        {QStringLiteral("up one"), QStringLiteral("../") + escape()},
        {QStringLiteral("up two"), QStringLiteral("../../") + escape()},
        {QStringLiteral("up three"), QStringLiteral("../../../") + escape()},
        {QStringLiteral("slash"), QStringLiteral("a/b")},
        {QStringLiteral("backslash"), QStringLiteral("a\\b")},
        {QStringLiteral("absolute"), outside(escape())},
        {QStringLiteral("drive"), QStringLiteral("C:\\") + escape()},
        {QStringLiteral("colon"), QStringLiteral("a:b")},
        {QStringLiteral("bracket first"), QStringLiteral("[x")},
        {QStringLiteral("equals"), QStringLiteral("x=y")},
        {QStringLiteral("bracket last"), QStringLiteral("x]")},
    };
}

QList<Value> badNumbers()
{
    return {
        {QStringLiteral("99999"), QStringLiteral("99999")},
        {QStringLiteral("-99999"), QStringLiteral("-99999")},
        {QStringLiteral("1e9"), QStringLiteral("1e9")},
        {QStringLiteral("32768"), QStringLiteral("32768")},
        {QStringLiteral("-32769"), QStringLiteral("-32769")},
        {QStringLiteral("32767.5"), QStringLiteral("32767.5")},
        {QStringLiteral("hex"), QStringLiteral("0x7fff")},
        {QStringLiteral("trailing text"), QStringLiteral("12abc")},
        {QStringLiteral("400 digits"), QString(400, u'9')},
    };
}

QString escape()
{
    return QStringLiteral("sweep-escape-%1").arg(QCoreApplication::applicationPid());
}

QString sandbox()
{
    return g_sandbox;
}

QString outside(const QString &relative)
{
    return paths::join(g_sandbox, relative);
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("sweep: cannot write %s", qPrintable(path));
}

bool blank(const QString &text)
{
    for (const QChar c : text) {
        if (!c.isSpace() && c.category() != QChar::Other_Control && c.category() != QChar::Other_Format)
            return false;
    }
    return true;
}

void paste(QWidget *box, const QString &text)
{
    QApplication::clipboard()->setText(text);
    box->setFocus(Qt::OtherFocusReason);
    if (auto *line = qobject_cast<QLineEdit *>(box))
        line->selectAll();
    else if (auto *plain = qobject_cast<QPlainTextEdit *>(box))
        plain->selectAll();
    if (text.isEmpty())
        QTest::keyClick(box, Qt::Key_Delete);
    else
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
}

void enter(QLineEdit *box, const QString &text)
{
    bool typable = text.size() <= 40;
    for (const QChar c : text)
        typable = typable && c.unicode() >= 0x20 && c.unicode() < 0x7f;
    if (!typable || text.isEmpty()) {
        paste(box, text);
        return;
    }
    box->setFocus(Qt::OtherFocusReason);
    box->selectAll();
    QTest::keyClicks(box, text);
}

Case::Case(const QString &label, int limitMs)
    : m_label(label)
    , m_limitMs(limitMs)
{
    scan(g_sandbox, m_before);
    scan(workFolders(), m_before, escape());
    if (g_watchdog)
        g_watchdog->arm(label, std::max(limitMs * 4, 30000));
    m_clock.start();
}

namespace {

/// Closes every window without deleting it: the case's own windows live on its stack.
void closeWindows()
{
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (w->isVisible())
            w->close();
    }
    QApplication::processEvents();
}

} // namespace

Case::~Case()
{
    if (!m_done)
        closeWindows();
    if (g_watchdog)
        g_watchdog->disarm();
}

void Case::allowWrites(const QString &folder)
{
    m_allowed.append(QFileInfo(folder).absoluteFilePath());
}

void Case::writeOutside(const QString &path, const QByteArray &bytes)
{
    writeFile(path, bytes);
    m_before.clear();
    scan(g_sandbox, m_before);
    scan(workFolders(), m_before, escape());
}

QStringList Case::messages() const
{
    QStringList texts;
    for (const prompt::ScriptedPrompts::Record &r : script->records()) {
        if (r.kind == prompt::ScriptedPrompts::Kind::Message)
            texts.append(r.text);
    }
    return texts;
}

QString Case::done()
{
    m_done = true;
    closeWindows();
    const qint64 elapsed = m_clock.elapsed();
    if (g_watchdog)
        g_watchdog->disarm();
    ++g_cases;

    QStringList problems;
    if (elapsed > m_limitMs)
        problems.append(QStringLiteral("took %1 ms (at most %2)").arg(elapsed).arg(m_limitMs));

    for (const prompt::ScriptedPrompts::Record &r : script->records()) {
        if ((r.kind == prompt::ScriptedPrompts::Kind::Message ||
             r.kind == prompt::ScriptedPrompts::Kind::Input) &&
            blank(r.text))
            problems.append(QStringLiteral("a box without text (caption \"%1\")").arg(r.caption));
    }

    // Writes outside the data root: anything in the sandbox or beside the work folders that
    // came, went or changed, except below the root, the work folders and allowed targets.
    QHash<QString, QString> after;
    scan(g_sandbox, after);
    scan(workFolders(), after, escape());
    const QString rootPath = QFileInfo(root.path()).absoluteFilePath();
    QStringList exempt = m_allowed;
    exempt << rootPath << paths::workFolder(QStringLiteral("examforge"))
           << paths::workFolder(QStringLiteral("examdesk"));
    const auto exempted = [&exempt](const QString &path) {
        for (const QString &folder : std::as_const(exempt)) {
            if (inside(path, folder))
                return true;
        }
        return false;
    };
    QStringList changed;
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        if (!exempted(it.key()) && m_before.value(it.key()) != it.value())
            changed.append(it.key());
    }
    for (auto it = m_before.cbegin(); it != m_before.cend(); ++it) {
        if (!exempted(it.key()) && !after.contains(it.key()))
            changed.append(it.key() + QStringLiteral(" (removed)"));
    }
    if (!changed.isEmpty())
        problems.append(QStringLiteral("wrote outside the data root: ") + changed.join(QStringLiteral(", ")));
    return problems.join(QStringLiteral("; "));
}

int casesTried()
{
    return g_cases;
}

int run(QObject &test, int argc, char **argv)
{
    // The data roots, import sources and export targets all live in one private folder, so
    // that the snapshot sees every write of the programs beside the root and nothing of other
    // processes.
    QTemporaryDir box;
    if (!box.isValid())
        qFatal("sweep: no temporary folder");
    g_sandbox = QFileInfo(box.path()).canonicalFilePath();
    QDir().mkpath(outside(QStringLiteral("tmp")));
    qputenv("TMPDIR", QFile::encodeName(outside(QStringLiteral("tmp"))));
    QStandardPaths::setTestModeEnabled(true);

    Watchdog watchdog;
    g_watchdog = &watchdog;
    const int result = QTest::qExec(&test, argc, argv);
    g_watchdog = nullptr;
    qInfo() << "sweep cases:" << casesTried();
    return result;
}

QByteArray noise(int size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, '\0');
    for (char &b : bytes)
        b = char(random.bounded(256));
    return bytes;
}

bool plainInt16(const QString &stored)
{
    bool ok = false;
    const int n = stored.trimmed().toInt(&ok);
    return ok && n >= -32768 && n <= 32767;
}

} // namespace sweep
