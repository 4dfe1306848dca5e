#pragma once

#include <QString>
#include <QUrl>

#include <functional>

class QWidget;

/// What the two exports share: a fresh folder for the finished file, a file name made from
/// a paper or class name, and the desktop's default application that shows the file.
namespace exports {

/// Opens a file with the desktop's default application; false when none could be started.
using Opener = std::function<bool(const QUrl &)>;

/// QDesktopServices::openUrl.
Opener desktopOpener();

/// name followed by "." and extension, with every character that a file system refuses in
/// a name (and control characters) replaced by "_". An empty name gives "export".
QString fileName(const QString &name, const QString &extension);

/// Makes a new folder of its own below parent (the system's temp folder when parent is
/// empty), so that an export never overwrites an earlier one that may still be open.
/// Returns its path, or an empty string when it could not be made.
QString makeFreshFolder(const QString &parent);

/// Hands path to opener (the desktop opener when opener is empty); false when nothing could
/// show it.
bool open(const QString &path, const Opener &opener);

/// Tells the user where a file that could not be shown was saved: it would otherwise stay
/// hidden in a temporary folder.
void tellWhereSaved(QWidget *parent, const QString &path);

/// How an export hands its file over; tests replace both.
struct Options
{
    Opener open;             ///< shows the file; the desktop's default application when empty
    QString temporaryFolder; ///< where the file's fresh folder is made; the system's when empty
};

class WaitCursor;

/// The common end of an export: save (which writes the file at the path it is given) puts
/// "<name>.<extension>" into a fresh folder, then the file is shown, doneText is said, and
/// where the file lies is said too when nothing could show it. Returns the file's path, or an
/// empty string, with nothing left behind and nothing said, when the folder or the file could
/// not be made. The wait cursor goes before the first message.
QString saveAndShow(QWidget *parent, const Options &options, const QString &name, const QString &extension,
                    const std::function<bool(const QString &)> &save, const QString &doneText, WaitCursor &wait);

/// Shows the wait cursor from construction until release() or destruction.
class WaitCursor final
{
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
    void release();

private:
    bool m_active = true;
};

} // namespace exports
