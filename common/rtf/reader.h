#pragma once

#include <QByteArrayView>

namespace rtf {

class Sink;

/// Reads RTF into a Sink: the tokenizer feeds a dispatcher driven by the control word table
/// (controlwords.cpp), which keeps a stack of group states and passes text, pictures and
/// paragraph marks on to the sink.
///
/// Any input is safe: the pass is linear in its size, group nesting deeper than MaxDepth is
/// followed for balance only, and numbers, \bin data and tables are bounded; a picture holds at most its bytes in the file. Input cut
/// short is read as far as it goes.
class Reader
{
public:
    static constexpr int MaxDepth = 256;
    static constexpr int MaxColors = 4096;
    /// Tables nested deeper than this (\itapN) are read as tables of this level.
    static constexpr int MaxTableNesting = 16;

    /// True when data starts (after blanks) with "{\rtf".
    static bool isRtf(QByteArrayView data);

    /// Reads data into sink. Returns false, and gives the sink nothing, when data is not RTF.
    static bool read(QByteArrayView data, Sink &sink);
};

} // namespace rtf
