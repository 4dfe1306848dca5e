#pragma once

#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocumentFragment>

#include <memory>

class QTextDocument;

/// A small word processor over a QTextDocument: one document and one selection, driven the
/// way a teacher would drive a word processor by hand. Searches move the selection forward,
/// typing replaces it, whole paragraphs are copied and pasted through a fragment of its own
/// (the system clipboard is never touched) and RTF files are inserted with their formats.
///
/// Everything typed or inserted is marked as filled in: a later search never finds a
/// placeholder inside a question's own text or inside a value typed over another one.
class WordProcessor final
{
public:
    /// A run of the document, as positions (end excluded).
    struct Range
    {
        int start = 0;
        int end = 0;
    };

    WordProcessor();
    ~WordProcessor();
    WordProcessor(const WordProcessor &) = delete;
    WordProcessor &operator=(const WordProcessor &) = delete;

    /// Starts a new document from an RTF template. False, with an empty document, when the
    /// file is missing, unreadable or not RTF.
    bool open(const QString &templatePath);

    /// Collapses the selection to the start of the document.
    void goToStart();
    /// Collapses the selection to the start of the paragraph it ends in.
    void home();
    /// Searches forward from the end of the selection, without regard to letter case. On
    /// success the selection covers the first occurrence; otherwise it stays as it was.
    bool find(const QString &text);
    /// Replaces the selection by text in the format of the selection's first character and
    /// leaves the selection collapsed after it.
    void typeText(const QString &text);

    /// The whole paragraph the selection ends in, its paragraph mark included.
    Range paragraphRange() const;
    void select(const Range &range);

    /// Keeps the selection for paste().
    void copy();
    /// Replaces the selection by what copy() kept and leaves the selection collapsed after it.
    /// Whole paragraphs keep their paragraph formats.
    void paste();

    /// Replaces the selection by the document of an RTF file, fonts, colours, paragraph
    /// formats and pictures kept. The file's paragraphs end with their own paragraph mark, so
    /// the rest of the paragraph, and what is inserted next, start on a new line. The
    /// selection is left collapsed after the inserted paragraph mark. A file that is not RTF
    /// is inserted as its text, in the placeholder's format; an empty one (or one of blanks
    /// only) inserts nothing and only removes the selection. False, with nothing changed,
    /// when the file is missing or unreadable.
    bool insertFile(const QString &path);

    Range selection() const;
    QString selectedText() const;
    const QTextDocument &document() const { return *m_document; }

    /// Writes the document as RTF, replacing the file as a whole. False when it could not be
    /// written.
    bool saveAs(const QString &path) const;

private:
    bool isFilledIn(const QTextCursor &match) const;
    void markFilledIn(int start, int end);

    std::unique_ptr<QTextDocument> m_document;
    QTextCursor m_cursor;

    QTextDocumentFragment m_clip;
    bool m_clipStartsParagraph = false; ///< the copy began at a paragraph's start
    bool m_clipEndsDocument = false;    ///< the copy took the last paragraph, which has no mark to copy
    QTextBlockFormat m_clipBlockFormat; ///< the format of the copy's first paragraph
    QTextCharFormat m_clipBlockCharFormat;
};
