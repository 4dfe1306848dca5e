#pragma once

#include <QByteArrayView>

#include <cstdint>
#include <string_view>

namespace rtf {

/// One lexical unit of RTF.
struct Token
{
    enum class Type : std::uint8_t {
        End,           ///< no more input
        GroupOpen,     ///< {
        GroupClose,    ///< }
        ControlWord,   ///< \name or \nameN; word and parameter are set
        ControlSymbol, ///< \ followed by one non-letter (\~ \* \{ ...); symbol is set
        HexByte,       ///< \'hh; byte is set
        Text,          ///< a run of plain bytes without line breaks; data is set
        Binary,        ///< the data of \binN (at most what the input still holds); data is set
    };

    Type type = Type::End;
    std::string_view word;     ///< name of a control word; empty when it was too long to be one
    bool hasParameter = false;
    std::int32_t parameter = 0; ///< clamped to the 32-bit range
    char symbol = 0;
    std::uint8_t byte = 0;
    QByteArrayView data;
};

/// Splits an RTF byte buffer into tokens. Each call consumes at least one byte until End, so a
/// pass over any input takes linear time; line breaks between tokens are dropped (a backslash
/// followed by a line break is the control word "par"). The buffer must outlive the tokenizer.
class Tokenizer
{
public:
    /// Longest control word name that RTF writers produce; longer ones are no words we know.
    static constexpr int MaxWordLength = 32;

    explicit Tokenizer(QByteArrayView data);

    Token next();
    qsizetype position() const { return m_pos; }

private:
    Token controlSequence();

    QByteArrayView m_data;
    qsizetype m_pos = 0;
};

} // namespace rtf
