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
