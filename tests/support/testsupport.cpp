#include "testsupport.h"

#include "paths.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QWidget>

TestDataRoot::TestDataRoot()
{
    QStandardPaths::setTestModeEnabled(true);
    paths::setProgramFolderForTesting(m_dir.path());
    paths::setWorkFolderBaseForTesting(m_work.path());
}

TestDataRoot::~TestDataRoot()
{
    paths::setProgramFolderForTesting(QString());
    paths::setWorkFolderBaseForTesting(QString());
}

QString TestDataRoot::file(const QString &relative) const
{
    return paths::join(m_dir.path(), relative);
}

void TestDataRoot::write(const QString &relative, const QByteArray &bytes) const
{
    const QString target = file(relative);
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile f(target);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

QByteArray TestDataRoot::read(const QString &relative) const
{
    QFile f(file(relative));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool TestDataRoot::exists(const QString &relative) const
{
    return QFileInfo::exists(file(relative));
}

QStringList keysOf(const QByteArray &file, const QByteArray &section)
{
    QStringList keys;
    bool inside = false;
    for (const QByteArray &raw : file.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('['))
            inside = line == '[' + section + ']';
        else if (inside && line.contains('='))
            keys.append(QString::fromUtf8(line.left(line.indexOf('='))));
    }
    return keys;
}

void closeAllWindows()
{
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        w->close();
        w->deleteLater();
    }
    QApplication::processEvents();
}
