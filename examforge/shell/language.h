#pragma once

#include <QString>

/// The language file Language.txt beside the program: the language name and the texts of
/// the windows that take their captions from it. A missing file, section or key gives an
/// empty text.
namespace language {

/// Language.txt in the program folder.
QString filePath();

/// The text of a key, as stored (cut at 255 bytes like every profile value).
QString text(const QString &section, const QString &key);

/// The language name: [info] Language.
QString name();

} // namespace language
