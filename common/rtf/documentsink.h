#pragma once

#include "sink.h"

#include <QHash>
#include <QTextCharFormat>
#include <QTextCursor>

#include <memory>
#include <vector>

class QTextDocument;
class QTextTable;

namespace rtf {

/// One pixel of a QTextDocument is 1/96 inch, 15 twips.
inline constexpr double TwipsPerPixel = 15.0;

/// URL scheme of the image resources the reader adds to a document.
inline constexpr char ImageScheme[] = "rtfimage";

/// Hidden text (\v) is an invisible object in the text that holds the hidden run: its text
/// in HiddenTextProperty and its formatting, a QTextCharFormat, in HiddenFormatProperty.
inline constexpr int HiddenTextObject = QTextFormat::UserObject + 0x76;
inline constexpr int HiddenTextProperty = QTextFormat::UserProperty + 0x760;
inline constexpr int HiddenFormatProperty = QTextFormat::UserProperty + 0x761;

/// Fills a QTextDocument through a QTextCursor. Pictures become image resources of the document
/// (see renderPicture()), named after their content, at the size the file gives; the image
/// format holds the kept picture (setKeptPicture()) for the writer. Footnotes and comments are
/// gathered on the side and shown at the end, in the notes area (see notes.h).
class DocumentSink final : public Sink
{
public:
    /// The document should be empty; the sink appends at its end.
    explicit DocumentSink(QTextDocument &document);
    ~DocumentSink() override;

    void text(const QString &text, const TextStyle &style) override;
    void picture(const KeptPicture &picture, const TextStyle &style) override;
    void paragraphEnd(const ParagraphStyle &paragraph, const TextStyle &style) override;
    void finish(const ParagraphStyle &lastParagraph, const TextStyle &style) override;
    void rowStart(const RowDefinition &row) override;
    void cellEnd(const ParagraphStyle &paragraph, const TextStyle &style) override;
    void rowEnd(const RowDefinition &row) override;
    void tableEnd() override;
    void keptGroup(QByteArrayView raw) override;
    void noteStart(const NoteInfo &note) override;
    void noteEnd(const NoteInfo &note, const ParagraphStyle &lastParagraph, const TextStyle &style) override;
    void noteNumber(const QString &number, const TextStyle &style) override;
    void commentRange(bool start, const QString &name) override;

    static QTextCharFormat charFormat(const TextStyle &style);
    static QTextBlockFormat blockFormat(const ParagraphStyle &paragraph);

private:
    void startPendingParagraph();
    void openParagraph();
    bool batchable(const TextStyle &style) const;
    void flushBatch();
    void enterCell();
    const QTextCharFormat &cachedFormat(const TextStyle &style);
    void appendNotes();

    struct Note
    {
        int id = 0;
        NoteInfo info;
        std::unique_ptr<QTextDocument> document; // the note's content, read by sink
        std::unique_ptr<DocumentSink> sink;      // while it is being read
    };

    QTextDocument &m_document;
    std::unique_ptr<Note> m_note; // the note being read: content goes to its sink
    std::vector<std::unique_ptr<Note>> m_notes;
    int m_nextNoteId = 1;
    QHash<QString, int> m_rangeStarts; // comment ranges open, by name: where they start
    QList<QByteArray> m_keptGroups;
    QTextCursor m_cursor;
    bool m_paragraphPending = false;
    // Paragraphs of one formatting wait here, separated by U+2029, and go into the document
    // with one insertText(); the text after the last separator is the open paragraph's.
    QString m_batch;
    TextStyle m_batchStyle; // of the text and of the paragraph marks
    ParagraphStyle m_batchParagraph;
    int m_batchParagraphs = 0; // paragraph marks in m_batch
    QTextTable *m_table = nullptr; // the table being filled
    int m_row = -1;
    int m_column = 0;
    bool m_cellPending = false; // the next content opens cell m_column
    QList<QList<bool>> m_mergeFirst; // per row and column: \clvmgf, \clvmrg
    QList<QList<bool>> m_merged;
    bool m_rowOpen = false; // between rowStart() and rowEnd(): a rowStart() nests a table
    // The tables around a nested one, innermost last, with where each was.
    struct OuterTable
    {
        QTextTable *table;
        int row;
        int column;
        QList<QList<bool>> mergeFirst;
        QList<QList<bool>> merged;
    };
    QList<OuterTable> m_outer;
    TextStyle m_lastStyle;
    QTextCharFormat m_lastFormat;
    bool m_hasLast = false;
};

/// Collects the text of a document as QTextDocument::toPlainText() gives it, without building
/// the document.
class PlainTextSink final : public Sink
{
public:
    void text(const QString &text, const TextStyle &style) override;
    void picture(const KeptPicture &picture, const TextStyle &style) override;
    void paragraphEnd(const ParagraphStyle &paragraph, const TextStyle &style) override;
    void finish(const ParagraphStyle &lastParagraph, const TextStyle &style) override;
    void rowStart(const RowDefinition &row) override;
    void cellEnd(const ParagraphStyle &paragraph, const TextStyle &style) override;
    void rowEnd(const RowDefinition &row) override;
    void tableEnd() override;
    void noteStart(const NoteInfo &note) override;
    void noteEnd(const NoteInfo &note, const ParagraphStyle &lastParagraph, const TextStyle &style) override;
    void noteNumber(const QString &number, const TextStyle &style) override;

    QString result() const { return m_text; }

private:
    struct Note
    {
        NoteInfo info;
        QString text;
        bool startsWithMark = false;
    };
    std::unique_ptr<PlainTextSink> m_note; // the note being read
    NoteInfo m_noteInfo;
    QList<Note> m_notes;
    bool m_startsWithMark = false; // the text starts with its number (\chftn) or its own mark

    void startPendingParagraph();
    QString &out() { return m_inTable ? m_cellText : m_text; }

    QString m_text;
    bool m_paragraphPending = false;
    const QString *m_hiddenIn = nullptr; // where the last hidden run's object stands
    qsizetype m_hiddenEnd = -1;
    TextStyle m_hiddenStyle;
    // A table is gathered cell by cell and given out at its end, once its columns are known.
    bool m_inTable = false;
    QList<QStringList> m_rows;
    QList<QList<bool>> m_mergeFirst; // as DocumentSink keeps them
    QList<QList<bool>> m_merged;
    QString m_cellText;
    bool m_cellStarted = false;
    int m_columns = 0;
    bool m_rowOpen = false;
    // The tables around a nested one, innermost last, as they were when it opened.
    struct OuterTable
    {
        QList<QStringList> rows;
        QList<QList<bool>> mergeFirst;
        QList<QList<bool>> merged;
        QString cellText;
        int columns;
    };
    QList<OuterTable> m_outer;
};

} // namespace rtf
