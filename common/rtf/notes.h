#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTextFormat>
#include <QVariant>

#include <cstdint>

class QTextBlock;
class QTextCursor;
class QTextDocument;

namespace rtf {

/// Footnotes, endnotes and comments of a document read from RTF.
///
/// Where a note stands in the text, an invisible object (NoteAnchorObject, like hidden text)
/// holds the note's id in NoteIdProperty. The notes themselves are the last paragraphs of the
/// document, under a short rule: every paragraph there has NotesAreaProperty, the rule's id is
/// 0, a note's paragraphs have its id and its details (NoteInfoProperty, see NoteInfo). The
/// writer writes each note at its anchor, never the notes area as text.
///
/// Text the reader adds for the reader's eyes (a comment's marker, a note's label) carries its
/// own text in NoteLabelProperty and is not written; the number of \chftn carries its text in
/// NoteNumberProperty and is written as \chftn. Text typed right after either takes its format:
/// only the leading label or number is taken for it, the rest stays text.
inline constexpr int NoteAnchorObject = QTextFormat::UserObject + 0x77;
inline constexpr int NoteIdProperty = QTextFormat::UserProperty + 0x780;
inline constexpr int NoteInfoProperty = QTextFormat::UserProperty + 0x781;
inline constexpr int NotesAreaProperty = QTextFormat::UserProperty + 0x782;
inline constexpr int NoteNumberProperty = QTextFormat::UserProperty + 0x783;
inline constexpr int NoteLabelProperty = QTextFormat::UserProperty + 0x784;
/// On the text a comment refers to (\atrfstart ... \atrfend): the range's name.
inline constexpr int CommentRangeProperty = QTextFormat::UserProperty + 0x785;

/// Most notes one document keeps; further ones are read as text where they stand.
inline constexpr int MaxNotes = 4096;

enum class NoteKind : std::uint8_t
{
    Footnote,
    Endnote, ///< \ftnalt
    Comment
};

struct NoteInfo
{
    NoteKind kind = NoteKind::Footnote;
    int number = 0;         ///< footnotes and endnotes count together, comments on their own
    QString initials;       ///< \atnid
    QString author;         ///< \atnauthor
    QString reference;      ///< \atnref: the name of the comment's range
    QList<QByteArray> kept; ///< {\*\atndate ...} and the like, as read

    bool isComment() const { return kind == NoteKind::Comment; }
    /// The initials, or those of the author's name when the file gives none.
    QString shownInitials() const;
    /// "[AL2]": the comment's marker in the text and the start of its label.
    QString commentMarker() const;
    /// What starts the note's first paragraph in the notes area: "[AL2] Ann Lee: " for a
    /// comment, "3 " for a footnote whose text has no number of its own.
    QString label() const;

    QVariant toVariant() const;
    static NoteInfo fromVariant(const QVariant &value);

    friend bool operator==(const NoteInfo &, const NoteInfo &) = default;
};

bool isNotesAreaBlock(const QTextBlock &block);

/// Inserts source at cursor, as QTextCursor::insertFragment() does, but with source's notes
/// added to the end of the notes area of cursor's document (under one rule) and numbered after
/// its own, so that no note is merged into another. Pictures are the caller's (copyPictures()).
void insertWithNotes(QTextCursor &cursor, const QTextDocument &source);

} // namespace rtf
