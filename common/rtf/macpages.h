#pragma once

#include <QByteArrayView>
#include <QString>

/// Mac code pages that QStringDecoder does not know here, decoded from tables of our own.
namespace rtf::codepage {

/// True for the Mac code pages these tables hold (Hebrew 10005, Arabic 10004, Thai 10021,
/// Romanian 10010, Icelandic 10079, Croatian 10082).
bool hasMacTable(int codePage);

/// The text of bytes in one of those code pages; other code pages read as Latin-1.
QString decodeMac(int codePage, QByteArrayView bytes);

} // namespace rtf::codepage
