#include "language.h"

#include "paths.h"
#include "profile.h"

namespace language {

QString filePath()
{
    return paths::languageFile();
}

QString text(const QString &section, const QString &key)
{
    return profile::readValue(filePath(), section, key, QString());
}

QString name()
{
    return text(QStringLiteral("info"), QStringLiteral("Language"));
}

} // namespace language
