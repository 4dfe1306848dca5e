#include "richtextcommands.h"

#include "prompt.h"
#include "richtextbox.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QMenu>

RichTextCommands::RichTextCommands(RichTextBox *editor, QWidget *window, const Names &names,
                                   const QStringList &families)
    : QObject(window)
    , m_editor(editor)
    , m_window(window)
    , m_menu(new QMenu(window))
{
    m_menu->setObjectName(names.menu);

    const auto command = [this](const QString &name, const QString &caption) {
        QAction *action = m_menu->addAction(caption);
        action->setObjectName(name);
        return action;
    };
    m_cut = command(names.cut, QStringLiteral("cut"));
    m_copy = command(names.copy, QStringLiteral("copy"));
    QAction *paste = command(names.paste, QStringLiteral("paste"));
    QAction *undo = command(names.undo, QStringLiteral("undo"));
    connect(m_cut, &QAction::triggered, this, [this] { sendKey(Qt::Key_X); });
    connect(m_copy, &QAction::triggered, this, [this] { sendKey(Qt::Key_C); });
    connect(paste, &QAction::triggered, this, [this] { sendKey(Qt::Key_V); });
    connect(undo, &QAction::triggered, this, [this] { sendKey(Qt::Key_Z); });
    m_menu->addSeparator();

    QMenu *fonts = m_menu->addMenu(QStringLiteral("FontName"));
    fonts->setObjectName(names.fontMenu);
    for (qsizetype k = 0; k < families.size(); ++k) {
        const QString family = families.at(k);
        // A family name may hold '&', which a caption would take as a mnemonic.
        QAction *item = fonts->addAction(QString(family).replace(u'&', QStringLiteral("&&")));
        item->setObjectName(QStringLiteral("%1(%2)").arg(names.fontItem).arg(k));
        connect(item, &QAction::triggered, this, [this, family] { m_editor->setSelectionFontName(family); });
    }

    QMenu *sizes = m_menu->addMenu(QStringLiteral("FontSize"));
    sizes->setObjectName(names.sizeMenu);
    for (int k = 0; k <= LastSize - FirstSize; ++k) {
        const int points = FirstSize + k;
        QAction *item = sizes->addAction(QString::number(points));
        item->setObjectName(QStringLiteral("%1(%2)").arg(names.sizeItem).arg(k));
        connect(item, &QAction::triggered, this, [this, points] { m_editor->setSelectionFontSize(points); });
    }

    QAction *colour = command(names.colour, QStringLiteral("FontColoer"));
    connect(colour, &QAction::triggered, this, &RichTextCommands::chooseColour);

    connect(m_editor, &QTextEdit::selectionChanged, this, &RichTextCommands::updateEnabled);
    connect(m_editor, &RichTextBox::mouseReleased, this, [this](Qt::MouseButton button) {
        if (button == Qt::RightButton)
            popup(QCursor::pos());
    });
    // The platform's own context menu would open on the press as well; only the keyboard's
    // menu key is let through, and it opens this menu at the text cursor.
    m_editor->installEventFilter(this);
    m_editor->viewport()->installEventFilter(this);
    updateEnabled();
}

void RichTextCommands::popup(const QPoint &globalPos)
{
    updateEnabled();
    m_menu->popup(globalPos);
}

bool RichTextCommands::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ContextMenu) {
        const auto *menuEvent = static_cast<QContextMenuEvent *>(event);
        if (menuEvent->reason() == QContextMenuEvent::Keyboard)
            popup(m_editor->viewport()->mapToGlobal(m_editor->cursorRect().bottomLeft()));
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void RichTextCommands::sendKey(int key)
{
    m_editor->setFocus(Qt::OtherFocusReason);
    const QString text(QChar(char16_t(key - Qt::Key_A + 1))); // the control character of Ctrl+key
    QKeyEvent press(QEvent::KeyPress, key, Qt::ControlModifier, text);
    QApplication::sendEvent(m_editor, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::ControlModifier, text);
    QApplication::sendEvent(m_editor, &release);
}

void RichTextCommands::chooseColour()
{
    const std::optional<QColor> chosen = prompt::service().chooseColor(m_window, QColor());
    if (chosen && chosen->isValid())
        m_editor->setSelectionColor(*chosen);
}

void RichTextCommands::updateEnabled()
{
    const bool selected = m_editor->selectionLength() > 0;
    m_cut->setEnabled(selected);
    m_copy->setEnabled(selected);
}
