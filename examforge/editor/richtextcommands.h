#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QAction;
class QComboBox;
class QMenu;
class QPoint;
class QTextCharFormat;
class QToolBar;
class RichTextBox;

/// The pop-up menu of editing commands of one rich-text editor: cut, copy, paste, undo, font
/// name, font size and text colour, then bold, italic, underline, superscript, subscript,
/// "Insert picture..." and "Insert symbol...", acting on that editor's selection only. A tool
/// bar offers the formatting commands with the font size and colour; the formatting commands
/// have their usual shortcuts while the editor has the focus, and show the state of the text
/// where the cursor stands.
///
/// Cut, copy, paste and undo are sent to the editor as the keystrokes Ctrl+X, Ctrl+C, Ctrl+V
/// and Ctrl+Z, so the editor's own key handling runs them and reports the change as typing
/// does. The menu opens when the right mouse button is released over the editor, or with the
/// keyboard's menu key.
class RichTextCommands final : public QObject
{
    Q_OBJECT

public:
    /// Object names of the menu and its items; the font and size items are named
    /// fontItem + "(k)" and sizeItem + "(k)", k from 0.
    struct Names
    {
        QString menu, cut, copy, paste, undo, fontMenu, fontItem, sizeMenu, sizeItem, colour;
        /// The formatting items and the tool bar: prefix + "Bold", "Italic", "Underline",
        /// "Superscript", "Subscript", "Picture", "Symbol", and toolBar for the bar itself
        /// (its size box is toolBar + "Size").
        QString formatPrefix, toolBar;
    };

    /// Smallest and largest size offered, in points.
    static constexpr int FirstSize = 5;
    static constexpr int LastSize = 40;

    /// Builds the menu for editor, owned by window (which also owns the colour dialog). The
    /// font list is families, in that order.
    RichTextCommands(RichTextBox *editor, QWidget *window, const Names &names, const QStringList &families);

    QMenu *menu() const { return m_menu; }
    /// The formatting tool bar, for the window to place above the editor.
    QToolBar *toolBar() const { return m_toolBar; }

    /// Opens the menu at a global position.
    void popup(const QPoint &globalPos);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void addFormatting(const Names &names, QAction *colour);
    void sendKey(int key);
    void chooseColour();
    void updateEnabled();
    void showFormat(const QTextCharFormat &format);
    void toggle(QAction *action, const QTextCharFormat &on, const QTextCharFormat &off);
    void insertPicture();
    void insertSymbol();

    RichTextBox *m_editor;
    QWidget *m_window;
    QMenu *m_menu;
    QAction *m_cut;
    QAction *m_copy;
    QAction *m_bold = nullptr;
    QAction *m_italic = nullptr;
    QAction *m_underline = nullptr;
    QAction *m_superscript = nullptr;
    QAction *m_subscript = nullptr;
    QToolBar *m_toolBar = nullptr;
    QComboBox *m_size = nullptr;
};
