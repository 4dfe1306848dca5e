#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QAction;
class QMenu;
class QPoint;
class RichTextBox;

/// The pop-up menu of editing commands of one rich-text editor: cut, copy, paste, undo, font
/// name, font size and text colour, acting on that editor's selection only.
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
    };

    /// Smallest and largest size offered, in points.
    static constexpr int FirstSize = 5;
    static constexpr int LastSize = 40;

    /// Builds the menu for editor, owned by window (which also owns the colour dialog). The
    /// font list is families, in that order.
    RichTextCommands(RichTextBox *editor, QWidget *window, const Names &names, const QStringList &families);

    QMenu *menu() const { return m_menu; }

    /// Opens the menu at a global position.
    void popup(const QPoint &globalPos);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void sendKey(int key);
    void chooseColour();
    void updateEnabled();

    RichTextBox *m_editor;
    QWidget *m_window;
    QMenu *m_menu;
    QAction *m_cut;
    QAction *m_copy;
};
