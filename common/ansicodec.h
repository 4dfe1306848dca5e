#pragma once

#include <QByteArray>
#include <QString>

/// The machine's 8-bit ("ANSI") code page, in which profile files are stored.
///
/// On Windows this is the code page of GetACP(); elsewhere it is the codeset of the
/// current locale. Where the locale names no real 8-bit or multi-byte code page (the C or
/// POSIX locale's ASCII), UTF-8 is used so that no character a user types is ever lost.
namespace ansi {

/// Name of the code page in use, as understood by QStringDecoder (e.g. "GBK", "UTF-8").
QString codePageName();

/// Replaces the code page for the rest of the process; an empty name restores the system's.
/// Meant for tests. Returns false, and changes nothing, when the name is unknown.
bool setCodePageForTesting(const QString &name);

QString decode(const QByteArray &bytes);
QByteArray encode(const QString &text);

/// Cuts text so that its encoded form is at most maxBytes bytes, never splitting a character.
QString cutToBytes(const QString &text, qsizetype maxBytes);

/// Windows code page number matching the code page in use (936 for GBK, 1252 for Latin-1 and
/// for code pages without a Windows number).
int windowsCodePage();

} // namespace ansi
