#include "exportfile.h"

#include "prompt.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QTemporaryDir>

namespace exports {

Opener desktopOpener()
{
    return [](const QUrl &url) { return QDesktopServices::openUrl(url); };
}

QString fileName(const QString &name, const QString &extension)
{
    static const QString Refused = QStringLiteral("\\/:*?\"<>|");
    QString base = name.trimmed();
    for (QChar &c : base) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || Refused.contains(c))
            c = u'_';
    }
    // "." and ".." name folders, and a trailing dot is dropped by some file systems.
    while (base.endsWith(u'.'))
        base.chop(1);
    if (base.isEmpty())
        base = QStringLiteral("export");
    return base + u'.' + extension;
}

QString makeFreshFolder(const QString &parent)
{
    const QString base = parent.isEmpty() ? QDir::tempPath() : parent;
    QTemporaryDir folder(QDir(base).filePath(QStringLiteral("examforge-XXXXXX")));
    if (!folder.isValid())
        return {};
    // The file stays for the application that shows it, after this program has ended.
    folder.setAutoRemove(false);
    return folder.path();
}

bool open(const QString &path, const Opener &opener)
{
    return (opener ? opener : desktopOpener())(QUrl::fromLocalFile(path));
}

void tellWhereSaved(QWidget *parent, const QString &path)
{
    prompt::inform(parent, QStringLiteral("No program could be started to show the file. It has been saved "
                                          "as:\n\n%1")
                               .arg(QDir::toNativeSeparators(path)));
}

QString saveAndShow(QWidget *parent, const Options &options, const QString &name, const QString &extension,
                    const std::function<bool(const QString &)> &save, const QString &doneText, WaitCursor &wait)
{
    const QString folder = makeFreshFolder(options.temporaryFolder);
    if (folder.isEmpty())
        return {};
    const QString path = QDir(folder).filePath(fileName(name, extension));
    if (!save(path)) {
        // The file is written whole or not at all; the folder made for it goes with it.
        QDir(folder).removeRecursively();
        return {};
    }
    const bool shown = open(path, options.open);
    wait.release();
    prompt::inform(parent, doneText);
    if (!shown)
        tellWhereSaved(parent, path);
    return path;
}

WaitCursor::WaitCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

WaitCursor::~WaitCursor()
{
    release();
}

void WaitCursor::release()
{
    if (m_active)
        QApplication::restoreOverrideCursor();
    m_active = false;
}

} // namespace exports
