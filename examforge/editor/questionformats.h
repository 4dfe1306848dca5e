#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class QFont;
class QTextDocument;

/// The two plain-text forms of multiple-choice questions that other quiz systems read and
/// write: Aiken (the question, lines "A." to "G.", then "ANSWER: B") and GIFT
/// ("::title:: question { =right ~wrong }"). Plain functions, without widgets or files of the
/// paper: reading a file into questions, telling what could not be read, and writing
/// questions back as GIFT.
namespace questionformats {

enum class Format
{
    Unknown,
    Aiken,
    Gift
};

/// The largest file that is read: a bank of ten thousand long questions fits several times.
constexpr qint64 MaxFileBytes = 16 * 1024 * 1024;
/// Choices 1 to 7 (A to G) are all the answer key can name.
constexpr int MaxChoices = 7;
/// The longest question or explanation text taken; anything longer is no question but a
/// broken file (a missing blank line or closing brace).
constexpr int MaxTextLength = 20000;

/// One question as read from a file.
struct Question
{
    int line = 0;        ///< the file's line where the question starts (1-based)
    QString text;        ///< the question, lines joined with '\n'
    QStringList choices; ///< 1 to MaxChoices
    QString answer;      ///< the key: digits of the right choices, ascending ("13")
    QString explanation; ///< GIFT's general feedback, empty when none

    bool operator==(const Question &) const = default;
};

/// A line that could not be read, a question that was skipped, or a note about one that was
/// taken with a change.
struct Problem
{
    enum Kind
    {
        Unreadable, ///< the line breaks the form; its question is not taken
        Skipped,    ///< a question of a form the paper cannot hold
        Note        ///< the question was taken, but not quite as the file says
    };
    int line = 0;
    Kind kind = Unreadable;
    QString reason;
};

/// What reading a file found.
struct ReadResult
{
    Format format = Format::Unknown;
    QString encoding;          ///< "UTF-8", "UTF-16" or the ANSI code page's name
    QList<Question> questions; ///< in file order
    QList<Problem> problems;   ///< in line order
    QString error;             ///< set when the file could not be read at all; then nothing else is
};

/// Decodes text bytes: UTF-8 or UTF-16 with their byte order marks, UTF-8 without one when
/// the bytes are valid UTF-8, else the ANSI code page. Sets error (and returns an empty text)
/// for bytes that are no text: a NUL byte without a UTF-16 mark, control characters that no
/// text file holds, or bytes the code page cannot decode.
QString decode(const QByteArray &bytes, QString &encoding, QString &error);

/// Which form text is in: GIFT when it holds an answer block "{...}" outside comments, Aiken
/// when it holds "ANSWER:" lines; Unknown when neither.
Format detect(const QString &text);

ReadResult readAiken(const QString &text);
ReadResult readGift(const QString &text);

/// Decodes, detects and reads. Never throws; any input is safe.
ReadResult read(const QByteArray &bytes);

/// The same from a file; a missing, unreadable or too large file sets error without the
/// file being read whole.
ReadResult readFile(const QString &path);

/// The question's text as the paper shows it: the question, an empty line, then the choices
/// lettered "A. " to "G. " on their own lines.
QString paperText(const Question &question);

/// Fills doc (in font) with lines of text, one paragraph each.
void fillDocument(QTextDocument &doc, const QString &text, const QFont &font);

/// One question of a paper as GIFT receives it.
struct ExportQuestion
{
    QString plainText;   ///< the question file's plain text, choices included
    QString answer;      ///< the key digits
    QString explanation; ///< the explanation's plain text
};

/// What writeGift() could not carry over exactly, for the teacher.
struct ExportReport
{
    int pictures = 0;          ///< questions and explanations with pictures, noted as "[picture]"
    QList<int> withoutChoices; ///< questions (1-based) whose choices could not be told in the text
};

/// Splits a question's plain text into the question and its choices: the trailing lines
/// lettered "A." (or "A)", "A、") onwards, in order. False when there are no such lines.
bool splitChoices(const QString &plainText, QString &question, QStringList &choices);

/// GIFT text (UTF-8, CRLF line ends) of questions. Each question gets the title
/// "<titlePrefix> <number>". Questions whose choices cannot be told apart are written as
/// text-only questions ("{}") with a comment, so no text is lost.
QByteArray writeGift(const QList<ExportQuestion> &questions, const QString &titlePrefix,
                     ExportReport *report = nullptr);

/// Text with GIFT's special characters escaped (~ = # { } : and \), line breaks as "\n".
QString escapeGift(const QString &text);

} // namespace questionformats
