#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>

#include <memory>

class QStringDecoder;

/// Code pages of RTF text: what \fcharset and \ansicpg name, and how their bytes become text.
namespace rtf::codepage {

/// Pseudo code pages for fonts of the symbol character set (\fcharset2).
inline constexpr int SymbolFont = -2;   ///< the "Symbol" font: bytes mapped to the Unicode letters it shows
inline constexpr int PrivateFont = -3;  ///< other symbol fonts (Wingdings...): bytes mapped to U+F000 + byte

/// Windows code page of a \fcharset value; 0 when the charset names none (DEFAULT_CHARSET and
/// unknown values: the document's \ansicpg applies).
int fromCharset(int charset);

/// The \fcharset value that declares a Windows code page (1 = DEFAULT_CHARSET when none does).
int charsetOf(int codePage);

/// Name under which QStringDecoder/QStringEncoder know a Windows code page; empty when unknown.
QByteArray converterName(int codePage);

/// True when text in this code page can be decoded here.
bool isSupported(int codePage);

/// Turns bytes of one code page into text. Keeps one converter per code page, so one Decoder
/// should serve a whole document. Bytes of an unsupported code page are read as Windows-1252.
class Decoder
{
public:
    Decoder();
    ~Decoder();
    Decoder(const Decoder &) = delete;
    Decoder &operator=(const Decoder &) = delete;

    QString decode(int codePage, QByteArrayView bytes);

private:
    QHash<int, std::shared_ptr<QStringDecoder>> m_decoders;
};

/// The fallback of one character for RTF writers: its bytes in a code page, or "?" when the code
/// page has no such character. Results are cached per character.
class Encoder
{
public:
    explicit Encoder(int codePage);
    ~Encoder();
    Encoder(const Encoder &) = delete;
    Encoder &operator=(const Encoder &) = delete;

    int codePage() const { return m_codePage; }
    QByteArray fallback(char32_t ch);

private:
    int m_codePage;
    QByteArray m_name;
    QHash<char32_t, QByteArray> m_cache;
};

} // namespace rtf::codepage
