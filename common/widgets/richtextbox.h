#pragma once

#include <QString>
#include <QTextEdit>

class QColor;
class QMimeData;

/// The rich-text control of both programs: a QTextEdit that loads and saves RTF files through
/// the rtf:: layer and reports the notifications the windows rely on.
///
/// Loading a missing file, an empty path or data that is not RTF leaves the control empty and
/// unbound (fileName() empty) and returns false, so a window never shows, nor later saves over,
/// the previous document as if it were the one asked for. Read-only windows call
/// setReadOnly(true) themselves.
class RichTextBox : public QTextEdit
{
    Q_OBJECT

public:
    explicit RichTextBox(QWidget *parent = nullptr);
    ~RichTextBox() override;

    /// Replaces the content by the RTF file at path and binds the control to it. On failure the
    /// content is empty, the control unbound, and false is returned.
    bool loadFile(const QString &path);

    /// Writes the whole content as RTF to path, replacing the file atomically, and binds the
    /// control to it. Returns false, changing nothing, when the file could not be written.
    bool saveFile(const QString &path);

    QString fileName() const { return m_fileName; }
    /// An empty path unbinds the control; the content stays as it is.
    void setFileName(const QString &path) { m_fileName = path; }

    /// The content without formatting (paragraphs separated by '\n').
    QString plainText() const;

    /// Number of selected characters, 0 when nothing is selected.
    int selectionLength() const;

    /// Formatting of the selected characters (or of what is typed next, when nothing is selected).
    void setSelectionFontName(const QString &family);
    void setSelectionFontSize(double points);
    void setSelectionColor(const QColor &color);

signals:
    /// The content changed: by typing, editing commands, or the program loading or clearing it.
    void contentChanged();
    /// The keyboard focus left the control (not for its own pop-up menus).
    void focusLost();
    void mouseReleased(Qt::MouseButton button);

protected:
    void focusOutEvent(QFocusEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;
    QMimeData *createMimeDataFromSelection() const override;

private:
    void insertRtf(const QByteArray &rtf);

    QString m_fileName;
    bool m_loading = false;
};
