#include "files.h"

#include <QFile>
#include <QSaveFile>

namespace files {

bool read(const QString &path, QByteArray &bytes)
{
    if (path.isEmpty())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray all = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    bytes = std::move(all);
    return true;
}

bool writeAtomically(const QString &path, const QByteArray &bytes)
{
    if (path.isEmpty())
        return false;
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    if (out.write(bytes) != bytes.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

} // namespace files
