#include "tokenizer.h"

#include <limits>

namespace rtf {
namespace {

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

Tokenizer::Tokenizer(QByteArrayView data)
    : m_data(data)
{
}

Token Tokenizer::next()
{
    const qsizetype size = m_data.size();
    const char *bytes = m_data.data();
    // Line breaks and NUL bytes carry nothing between tokens.
    while (m_pos < size && (bytes[m_pos] == '\r' || bytes[m_pos] == '\n' || bytes[m_pos] == '\0'))
        ++m_pos;
    Token token;
    if (m_pos >= size)
        return token;
    switch (bytes[m_pos]) {
    case '{':
        ++m_pos;
        token.type = Token::Type::GroupOpen;
        return token;
    case '}':
        ++m_pos;
        token.type = Token::Type::GroupClose;
        return token;
    case '\\':
        return controlSequence();
    default:
        break;
    }
    const qsizetype start = m_pos;
    while (m_pos < size) {
        const char c = bytes[m_pos];
        if (c == '{' || c == '}' || c == '\\' || c == '\r' || c == '\n' || c == '\0')
            break;
        ++m_pos;
    }
    token.type = Token::Type::Text;
    token.data = m_data.sliced(start, m_pos - start);
    return token;
}

Token Tokenizer::controlSequence()
{
    const qsizetype size = m_data.size();
    const char *bytes = m_data.data();
    Token token;
    ++m_pos; // the backslash
    if (m_pos >= size)
        return token; // a lone backslash at the very end: nothing more
    const char first = bytes[m_pos];
    if (!isLetter(first)) {
        ++m_pos;
        if (first == '\'') {
            const int high = m_pos < size ? hexValue(bytes[m_pos]) : -1;
            const int low = m_pos + 1 < size ? hexValue(bytes[m_pos + 1]) : -1;
            if (high >= 0 && low >= 0) {
                m_pos += 2;
                token.type = Token::Type::HexByte;
                token.byte = std::uint8_t(high * 16 + low);
                return token;
            }
            // A broken escape stands for nothing.
            token.type = Token::Type::ControlSymbol;
            token.symbol = '\'';
            return token;
        }
        if (first == '\r' || first == '\n') {
            token.type = Token::Type::ControlWord;
            token.word = "par";
            return token;
        }
        token.type = Token::Type::ControlSymbol;
        token.symbol = first;
        return token;
    }

    const qsizetype nameStart = m_pos;
    while (m_pos < size && isLetter(bytes[m_pos]))
        ++m_pos;
    const qsizetype nameLength = m_pos - nameStart;
    token.type = Token::Type::ControlWord;
    if (nameLength <= MaxWordLength)
        token.word = std::string_view(bytes + nameStart, size_t(nameLength));

    // Optional signed decimal parameter; the value saturates, every digit is consumed.
    bool negative = false;
    if (m_pos + 1 < size && bytes[m_pos] == '-' && isDigit(bytes[m_pos + 1])) {
        negative = true;
        ++m_pos;
    }
    if (m_pos < size && isDigit(bytes[m_pos])) {
        std::int64_t value = 0;
        constexpr std::int64_t limit = std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1;
        while (m_pos < size && isDigit(bytes[m_pos])) {
            if (value < limit)
                value = value * 10 + (bytes[m_pos] - '0');
            ++m_pos;
        }
        if (negative)
            value = -value;
        if (value > std::numeric_limits<std::int32_t>::max())
            value = std::numeric_limits<std::int32_t>::max();
        if (value < std::numeric_limits<std::int32_t>::min())
            value = std::numeric_limits<std::int32_t>::min();
        token.hasParameter = true;
        token.parameter = std::int32_t(value);
    }
    // One space delimits the control word and belongs to it.
    if (m_pos < size && bytes[m_pos] == ' ')
        ++m_pos;

    if (token.word == "bin") {
        // The next N bytes are data, whatever they hold.
        const qsizetype available = size - m_pos;
        const qsizetype length = token.parameter > 0 ? qMin<qsizetype>(token.parameter, available) : 0;
        token.type = Token::Type::Binary;
        token.data = m_data.sliced(m_pos, length);
        m_pos += length;
    }
    return token;
}

} // namespace rtf
