#pragma once

#include "sink.h"

#include <QTextCharFormat>
#include <QTextCursor>

class QTextDocument;

namespace rtf {

/// One pixel of a QTextDocument is 1/96 inch, 15 twips.
inline constexpr double TwipsPerPixel = 15.0;

/// URL scheme of the image resources the reader adds to a document.
inline constexpr char ImageScheme[] = "rtfimage";

/// Fills a QTextDocument through a QTextCursor. Pictures become image resources of the document
/// (see renderPicture()), named after their content, at the size the file gives; the image
/// format holds the kept picture (setKeptPicture()) for the writer.
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

    static QTextCharFormat charFormat(const TextStyle &style);
    static QTextBlockFormat blockFormat(const ParagraphStyle &paragraph);

private:
    void startPendingParagraph();
    const QTextCharFormat &cachedFormat(const TextStyle &style);

    QTextDocument &m_document;
    QTextCursor m_cursor;
    bool m_paragraphPending = false;
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

    QString result() const { return m_text; }

private:
    void startPendingParagraph();

    QString m_text;
    bool m_paragraphPending = false;
};

} // namespace rtf
