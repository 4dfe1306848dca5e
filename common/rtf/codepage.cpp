#include "codepage.h"

#include "macpages.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <array>

namespace rtf::codepage {
namespace {

struct CharsetEntry
{
    int charset;
    int codePage;
};

// Windows font charsets (wingdi.h) and the ANSI code page of each.
constexpr std::array<CharsetEntry, 29> Charsets{{
    {0, 1252},   // ANSI
    {77, 10000}, // Mac Roman
    {78, 10001}, // Mac Japanese
    {79, 10003}, // Mac Korean
    {80, 10008}, // Mac Simplified Chinese
    {81, 10002}, // Mac Traditional Chinese
    {83, 10005}, // Mac Hebrew
    {84, 10004}, // Mac Arabic
    {85, 10006}, // Mac Greek
    {86, 10081}, // Mac Turkish
    {87, 10021}, // Mac Thai
    {88, 10029}, // Mac Central European
    {89, 10007}, // Mac Cyrillic
    {128, 932},  // Shift_JIS
    {129, 949},  // Hangul (Unified Hangul Code)
    {130, 1361}, // Johab
    {134, 936},  // GB2312 (GBK)
    {136, 950},  // Big5
    {161, 1253}, // Greek
    {162, 1254}, // Turkish
    {163, 1258}, // Vietnamese
    {177, 1255}, // Hebrew
    {178, 1256}, // Arabic
    {186, 1257}, // Baltic
    {204, 1251}, // Cyrillic
    {222, 874},  // Thai
    {238, 1250}, // Central European
    {254, 437},  // PC 437
    {255, 850},  // OEM
}};

// What the "Symbol" font shows for each byte from 0x20 to 0xFF (the font's own encoding), as
// Unicode. Bytes the font leaves empty map into the private use area, like Windows does.
// clang-format off
constexpr std::array<char16_t, 224> SymbolGlyphs{{
    // 0x20
    0x0020, 0x0021, 0x2200, 0x0023, 0x2203, 0x0025, 0x0026, 0x220B,
    0x0028, 0x0029, 0x2217, 0x002B, 0x002C, 0x2212, 0x002E, 0x002F,
    // 0x30
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,
    // 0x40
    0x2245, 0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393,
    0x0397, 0x0399, 0x03D1, 0x039A, 0x039B, 0x039C, 0x039D, 0x039F,
    // 0x50
    0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9,
    0x039E, 0x03A8, 0x0396, 0x005B, 0x2234, 0x005D, 0x22A5, 0x005F,
    // 0x60
    0x203E, 0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3,
    0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BF,
    // 0x70
    0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5, 0x03D6, 0x03C9,
    0x03BE, 0x03C8, 0x03B6, 0x007B, 0x007C, 0x007D, 0x223C, 0xF07F,
    // 0x80
    0xF080, 0xF081, 0xF082, 0xF083, 0xF084, 0xF085, 0xF086, 0xF087,
    0xF088, 0xF089, 0xF08A, 0xF08B, 0xF08C, 0xF08D, 0xF08E, 0xF08F,
    // 0x90
    0xF090, 0xF091, 0xF092, 0xF093, 0xF094, 0xF095, 0xF096, 0xF097,
    0xF098, 0xF099, 0xF09A, 0xF09B, 0xF09C, 0xF09D, 0xF09E, 0xF09F,
    // 0xA0
    0x20AC, 0x03D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x0192, 0x2663,
    0x2666, 0x2665, 0x2660, 0x2194, 0x2190, 0x2191, 0x2192, 0x2193,
    // 0xB0
    0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022,
    0x00F7, 0x2260, 0x2261, 0x2248, 0x2026, 0x23D0, 0x23AF, 0x21B5,
    // 0xC0
    0x2135, 0x2111, 0x211C, 0x2118, 0x2297, 0x2295, 0x2205, 0x2229,
    0x222A, 0x2283, 0x2287, 0x2284, 0x2282, 0x2286, 0x2208, 0x2209,
    // 0xD0
    0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5,
    0x00AC, 0x2227, 0x2228, 0x21D4, 0x21D0, 0x21D1, 0x21D2, 0x21D3,
    // 0xE0
    0x25CA, 0x2329, 0x00AE, 0x00A9, 0x2122, 0x2211, 0x239B, 0x239C,
    0x239D, 0x23A1, 0x23A2, 0x23A3, 0x23A7, 0x23A8, 0x23A9, 0x23AA,
    // 0xF0
    0xF0F0, 0x232A, 0x222B, 0x2320, 0x23AE, 0x2321, 0x239E, 0x239F,
    0x23A0, 0x23A4, 0x23A5, 0x23A6, 0x23AB, 0x23AC, 0x23AD, 0xF0FF,
}};
// clang-format on

bool isAscii(QByteArrayView bytes)
{
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

} // namespace

int fromCharset(int charset)
{
    if (charset == 2)
        return SymbolFont;
    for (const CharsetEntry &entry : Charsets) {
        if (entry.charset == charset)
            return entry.codePage;
    }
    return 0;
}

int charsetOf(int codePage)
{
    for (const CharsetEntry &entry : Charsets) {
        if (entry.codePage == codePage)
            return entry.charset;
    }
    return 1;
}

namespace {

QByteArray findConverterName(int codePage)
{
    switch (codePage) {
    case 65001:
        return QByteArrayLiteral("UTF-8");
    case 10000:
        return QByteArrayLiteral("macintosh");
    // The Mac code pages that the converters know by name; the double-byte ones are, but
    // for a few single bytes, the encodings they were built on.
    case 10001:
        return QByteArrayLiteral("Shift_JIS");
    case 10002:
        return QByteArrayLiteral("Big5");
    case 10003:
        return QByteArrayLiteral("EUC-KR");
    case 10008:
        return QByteArrayLiteral("GB2312");
    case 10006:
        return QByteArrayLiteral("x-mac-greek");
    case 10007:
        return QByteArrayLiteral("x-mac-cyrillic");
    case 10017:
        return QByteArrayLiteral("x-MacUkraine");
    case 10029:
        return QByteArrayLiteral("x-mac-centraleurroman");
    case 10081:
        return QByteArrayLiteral("x-mac-turkish");
    case 932:
        return QByteArrayLiteral("windows-31j");
    case 54936:
        return QByteArrayLiteral("GB18030");
    case 20127:
        return QByteArrayLiteral("US-ASCII");
    case 28591:
        return QByteArrayLiteral("ISO-8859-1");
    default:
        break;
    }
    if (codePage <= 0 || codePage > 65535)
        return {};
    const QByteArray number = QByteArray::number(codePage);
    for (const char *prefix : {"windows-", "cp", "IBM"}) {
        const QByteArray name = QByteArray(prefix) + number;
        if (QStringDecoder(name.constData()).isValid())
            return name;
    }
    return {};
}

} // namespace

QByteArray converterName(int codePage)
{
    // Asking the converters is slow and the answer never changes: keep it (per thread, so that
    // documents may be read on several threads).
    thread_local QHash<int, QByteArray> known;
    const auto it = known.constFind(codePage);
    if (it != known.constEnd())
        return it.value();
    if (known.size() > 1024)
        known.clear(); // hostile input naming every number
    const QByteArray name = findConverterName(codePage);
    known.insert(codePage, name);
    return name;
}

bool isSupported(int codePage)
{
    return hasMacTable(codePage) || !converterName(codePage).isEmpty();
}

Decoder::Decoder() = default;
Decoder::~Decoder() = default;

QString Decoder::decode(int codePage, QByteArrayView bytes)
{
    if (codePage == SymbolFont || codePage == PrivateFont) {
        QString text;
        text.reserve(bytes.size());
        for (const char c : bytes) {
            const auto b = static_cast<unsigned char>(c);
            if (codePage == PrivateFont)
                text.append(QChar(char16_t(b < 0x20 ? b : 0xF000 + b)));
            else
                text.append(QChar(b < 0x20 ? char16_t(b) : SymbolGlyphs[b - 0x20]));
        }
        return text;
    }
    // ASCII reads the same in every code page that RTF names.
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    if (hasMacTable(codePage))
        return decodeMac(codePage, bytes);
    auto it = m_decoders.find(codePage);
    if (it == m_decoders.end()) {
        QByteArray name = converterName(codePage);
        if (name.isEmpty())
            name = QByteArrayLiteral("windows-1252");
        auto decoder = std::make_shared<QStringDecoder>(name.constData(), QStringConverter::Flag::Stateless);
        if (!decoder->isValid())
            decoder =
                std::make_shared<QStringDecoder>(QStringConverter::Latin1, QStringConverter::Flag::Stateless);
        it = m_decoders.insert(codePage, decoder);
    }
    return it.value()->decode(bytes);
}

Encoder::Encoder(int codePage)
    : m_codePage(codePage)
    , m_name(converterName(codePage))
{}

Encoder::~Encoder() = default;

QByteArray Encoder::fallback(char32_t ch)
{
    if (ch < 0x80)
        return QByteArray(1, char(ch));
    const auto cached = m_cache.constFind(ch);
    if (cached != m_cache.constEnd())
        return cached.value();
    QByteArray result = QByteArrayLiteral("?");
    if (!m_name.isEmpty() && ch <= 0x10FFFF && !(ch >= 0xD800 && ch <= 0xDFFF)) {
        const QString text = QString::fromUcs4(&ch, 1);
        QStringEncoder encoder(m_name.constData());
        const QByteArray bytes = encoder.encode(text);
        // A converter may substitute what it cannot map; only a faithful round trip counts.
        QStringDecoder decoder(m_name.constData());
        if (!encoder.hasError() && !bytes.isEmpty() && QString(decoder.decode(bytes)) == text &&
            !decoder.hasError())
            result = bytes;
    }
    m_cache.insert(ch, result);
    return result;
}

} // namespace rtf::codepage
