#include "richtextbox.h"

#include "rtf/notes.h"
#include "rtf/rtf.h"

#include <QColor>
#include <QFocusEvent>
#include <QImage>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QUrl>

namespace {

// Clipboard formats under which other programs offer RTF (X11/Wayland names, and the Windows
// clipboard's as Qt names it).
const QStringList &rtfMimeTypes()
{
    static const QStringList types = {
        QStringLiteral("text/rtf"), QStringLiteral("application/rtf"), QStringLiteral("text/richtext"),
        QStringLiteral("application/x-qt-windows-mime;value=\"Rich Text Format\"")};
    return types;
}

QByteArray rtfOf(const QMimeData *source)
{
    for (const QString &type : rtfMimeTypes()) {
        if (source->hasFormat(type)) {
            const QByteArray data = source->data(type);
            if (rtf::isRtf(data))
                return data;
        }
    }
    return {};
}

} // namespace

RichTextBox::RichTextBox(QWidget *parent)
    : QTextEdit(parent)
{
    connect(this, &QTextEdit::textChanged, this, [this] {
        if (!m_loading)
            emit contentChanged();
    });
}

RichTextBox::~RichTextBox() = default;

bool RichTextBox::loadFile(const QString &path)
{
    m_loading = true;
    const bool ok = rtf::loadFile(path, *document());
    m_loading = false;
    m_fileName = ok ? path : QString();
    setTextCursor(QTextCursor(document()));
    document()->setModified(false);
    emit contentChanged();
    return ok;
}

bool RichTextBox::saveFile(const QString &path)
{
    if (!rtf::saveFile(path, *document()))
        return false;
    m_fileName = path;
    document()->setModified(false);
    return true;
}

QString RichTextBox::plainText() const
{
    return toPlainText();
}

int RichTextBox::selectionLength() const
{
    const QTextCursor cursor = textCursor();
    return cursor.selectionEnd() - cursor.selectionStart();
}

void RichTextBox::setSelectionFontName(const QString &family)
{
    QTextCharFormat format;
    format.setFontFamilies({family});
    mergeCurrentCharFormat(format);
}

void RichTextBox::setSelectionFontSize(double points)
{
    if (points <= 0)
        return;
    QTextCharFormat format;
    format.setFontPointSize(points);
    mergeCurrentCharFormat(format);
}

void RichTextBox::setSelectionColor(const QColor &color)
{
    QTextCharFormat format;
    format.setForeground(color);
    mergeCurrentCharFormat(format);
}

void RichTextBox::focusOutEvent(QFocusEvent *event)
{
    QTextEdit::focusOutEvent(event);
    // Opening a pop-up menu (such as the editing commands) does not leave the control.
    if (event->reason() != Qt::PopupFocusReason)
        emit focusLost();
}

void RichTextBox::mouseReleaseEvent(QMouseEvent *event)
{
    QTextEdit::mouseReleaseEvent(event);
    emit mouseReleased(event->button());
}

bool RichTextBox::canInsertFromMimeData(const QMimeData *source) const
{
    return !rtfOf(source).isEmpty() || source->hasImage() || QTextEdit::canInsertFromMimeData(source);
}

void RichTextBox::insertFromMimeData(const QMimeData *source)
{
    if (isReadOnly())
        return;
    const QByteArray rtfData = rtfOf(source);
    if (!rtfData.isEmpty()) {
        insertRtf(rtfData);
        return;
    }
    // Other rich content goes through our own writer and reader, so that only what a saved
    // file can hold comes in: what shows now is what shows after saving and loading again.
    if (source->hasHtml() && acceptRichText()) {
        QTextDocument html;
        html.setDefaultFont(document()->defaultFont());
        html.setHtml(source->html());
        insertRtf(rtf::write(html));
        return;
    }
    if (source->hasImage()) {
        const QImage image = qvariant_cast<QImage>(source->imageData());
        if (!image.isNull()) {
            QTextDocument picture;
            const QUrl name(QStringLiteral("pasted"));
            picture.addResource(QTextDocument::ImageResource, name, image);
            QTextCursor(&picture).insertImage(name.toString());
            insertRtf(rtf::write(picture));
            return;
        }
    }
    QTextEdit::insertFromMimeData(source);
}

void RichTextBox::insertRtf(const QByteArray &rtfData)
{
    QTextDocument pasted;
    pasted.setDefaultFont(document()->defaultFont());
    if (!rtf::read(rtfData, pasted))
        return;
    rtf::copyPictures(pasted, pasted, *document());
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    rtf::insertWithNotes(cursor, pasted); // its notes join the notes area
    cursor.endEditBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
}

QMimeData *RichTextBox::createMimeDataFromSelection() const
{
    const QTextDocumentFragment fragment = textCursor().selection();
    auto *mime = new QMimeData;
    mime->setText(fragment.toPlainText());
    mime->setHtml(fragment.toHtml());
    // RTF for word processors, and for our own controls to paste with the pictures.
    QTextDocument selected;
    selected.setDefaultFont(document()->defaultFont());
    QTextCursor(&selected).insertFragment(fragment);
    rtf::copyPictures(selected, *document(), selected);
    const QByteArray rtfData = rtf::write(selected);
    mime->setData(QStringLiteral("text/rtf"), rtfData);
    mime->setData(QStringLiteral("application/rtf"), rtfData);
    return mime;
}
