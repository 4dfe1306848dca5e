#include "names.h"

#include "ansicodec.h"
#include "catalogue.h"

#include <QFile>

#include <algorithm>

namespace names {

namespace {

// Bytes a name may take. A name is stored as a profile value (255 bytes at most) and is part
// of file names up to "<test>_<class>.xlsx", which must stay within the 255 bytes a file name
// may have.
constexpr qsizetype MaxNameBytes = 120;

} // namespace

QString problem(Kind kind, const QString &raw, const QStringList &existing)
{
    const QString name = raw.trimmed();
    const QString what = kind == Kind::Class ? QStringLiteral("class") : QStringLiteral("test");
    if (name.isEmpty())
        return QStringLiteral("The %1 name must not be empty.").arg(what);

    static const QString forbidden = QStringLiteral("\\/:*?\"<>|]=");
    for (const QChar c : name) {
        if (forbidden.contains(c) || c.unicode() < 0x20) {
            return QStringLiteral("The %1 name must not contain any of these characters:\n\\ / : * ? \" < > | ] =")
                .arg(what);
        }
    }
    if (name.startsWith(u'['))
        return QStringLiteral("The %1 name must not begin with \"[\".").arg(what);
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return QStringLiteral("\"%1\" cannot be used as a %2 name.").arg(name, what);
    // Read back from the files, a name that the code page cannot hold comes back changed.
    const QByteArray stored = ansi::encode(name);
    if (ansi::decode(stored) != name)
        return QStringLiteral(
                   "The %1 name has characters that this computer cannot store; please choose another name.")
            .arg(what);
    if (std::max(stored.size(), QFile::encodeName(name).size()) > MaxNameBytes)
        return QStringLiteral("The %1 name is too long; please choose a shorter name.").arg(what);

    const QStringList reserved = {catalogue::ClassNameSection, catalogue::ClassNameCountKey,
                                  catalogue::ClassCountSection, catalogue::FirstNumberSection,
                                  catalogue::LastNumberSection, catalogue::TestNameSection,
                                  catalogue::TestNameCountKey,  catalogue::AdminSection,
                                  catalogue::PasswordKey};
    for (const QString &r : reserved) {
        if (name.compare(r, Qt::CaseInsensitive) == 0)
            return QStringLiteral("\"%1\" is a name the program uses itself; please choose another %2 name.").arg(name, what);
    }
    bool isNumber = false;
    name.toLongLong(&isNumber);
    if (kind == Kind::Paper && isNumber)
        return QStringLiteral("A test name must not be a number alone.");

    for (const QString &other : existing) {
        const QString o = other.trimmed();
        if (o.compare(name, Qt::CaseInsensitive) == 0 && o != name) {
            return QStringLiteral("\"%1\" differs from the listed %2 \"%3\" only in letter case; please choose another name.")
                .arg(name, what, o);
        }
    }
    return {};
}

} // namespace names
