#include "richtextcommands.h"

#include "pictureinsert.h"
#include "prompt.h"
#include "richtextbox.h"
#include "symbolpalette.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QTextCharFormat>
#include <QToolBar>
#include <QToolButton>

#include <cmath>
#include <functional>

namespace {

// The folder the last picture came from, shared by every editor of the program.
QString &lastPictureFolder()
{
    static QString folder;
    return folder;
}

} // namespace

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

    addFormatting(names, colour);

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

void RichTextCommands::addFormatting(const Names &names, QAction *colour)
{
    m_menu->addSeparator();
    const auto command = [this, &names](const QString &name, const QString &caption,
                                        const QList<QKeySequence> &keys) {
        QAction *action = m_menu->addAction(caption);
        action->setObjectName(names.formatPrefix + name);
        if (!keys.isEmpty()) {
            action->setShortcuts(keys);
            action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
            action->setToolTip(QStringLiteral("%1 (%2)").arg(QString(caption).remove(u'&'),
                                                             keys.first().toString(QKeySequence::NativeText)));
            // The shortcuts work while this editor has the focus, and only there.
            m_editor->addAction(action);
        }
        return action;
    };
    const auto checkable = [&](const QString &name, const QString &caption, const QList<QKeySequence> &keys) {
        QAction *action = command(name, caption, keys);
        action->setCheckable(true);
        return action;
    };
    m_bold = checkable(QStringLiteral("Bold"), QStringLiteral("&Bold"), {QKeySequence(Qt::CTRL | Qt::Key_B)});
    m_italic = checkable(QStringLiteral("Italic"), QStringLiteral("&Italic"), {QKeySequence(Qt::CTRL | Qt::Key_I)});
    m_underline = checkable(QStringLiteral("Underline"), QStringLiteral("&Underline"),
                            {QKeySequence(Qt::CTRL | Qt::Key_U)});
    // Shift with "=" gives "+" on most keyboards; both spellings are taken.
    m_superscript = checkable(QStringLiteral("Superscript"), QStringLiteral("Su&perscript"),
                              {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Equal),
                               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Plus)});
    m_subscript = checkable(QStringLiteral("Subscript"), QStringLiteral("Su&bscript"),
                            {QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    m_menu->addSeparator();
    QAction *picture = command(QStringLiteral("Picture"), QStringLiteral("Insert &picture..."), {});
    QAction *symbol = command(QStringLiteral("Symbol"), QStringLiteral("Insert &symbol..."), {});

    const auto weight = [](int w) {
        QTextCharFormat f;
        f.setFontWeight(w);
        return f;
    };
    connect(m_bold, &QAction::triggered, this,
            [this, weight] { toggle(m_bold, weight(QFont::Bold), weight(QFont::Normal)); });
    const auto italic = [](bool on) {
        QTextCharFormat f;
        f.setFontItalic(on);
        return f;
    };
    connect(m_italic, &QAction::triggered, this, [this, italic] { toggle(m_italic, italic(true), italic(false)); });
    const auto underline = [](bool on) {
        QTextCharFormat f;
        f.setFontUnderline(on);
        return f;
    };
    connect(m_underline, &QAction::triggered, this,
            [this, underline] { toggle(m_underline, underline(true), underline(false)); });
    const auto position = [](QTextCharFormat::VerticalAlignment alignment) {
        QTextCharFormat f;
        f.setVerticalAlignment(alignment);
        return f;
    };
    connect(m_superscript, &QAction::triggered, this, [this, position] {
        toggle(m_superscript, position(QTextCharFormat::AlignSuperScript), position(QTextCharFormat::AlignNormal));
    });
    connect(m_subscript, &QAction::triggered, this, [this, position] {
        toggle(m_subscript, position(QTextCharFormat::AlignSubScript), position(QTextCharFormat::AlignNormal));
    });
    connect(picture, &QAction::triggered, this, &RichTextCommands::insertPicture);
    connect(symbol, &QAction::triggered, this, &RichTextCommands::insertSymbol);

    m_toolBar = new QToolBar(m_window);
    m_toolBar->setObjectName(names.toolBar);
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_toolBar->setFocusPolicy(Qt::NoFocus);
    // Short captions that show what they do, without icon files of their own; the menu keeps
    // the long ones.
    const auto button = [this](QAction *action, const QString &text, const std::function<void(QFont &)> &style) {
        action->setIconText(text);
        m_toolBar->addAction(action);
        QWidget *tool = m_toolBar->widgetForAction(action);
        tool->setObjectName(action->objectName() + QStringLiteral("Button"));
        if (style) {
            QFont font = tool->font();
            style(font);
            tool->setFont(font);
        }
    };
    button(m_bold, QStringLiteral("B"), [](QFont &f) { f.setBold(true); });
    button(m_italic, QStringLiteral("I"), [](QFont &f) { f.setItalic(true); });
    button(m_underline, QStringLiteral("U"), [](QFont &f) { f.setUnderline(true); });
    button(m_superscript, QStringLiteral("x\u00b2"), {});
    button(m_subscript, QStringLiteral("x\u2082"), {});
    m_toolBar->addSeparator();
    m_size = new QComboBox(m_toolBar);
    m_size->setObjectName(names.toolBar + QStringLiteral("Size"));
    m_size->setToolTip(QStringLiteral("Font size"));
    m_size->setFocusPolicy(Qt::ClickFocus);
    for (int points = FirstSize; points <= LastSize; ++points)
        m_size->addItem(QString::number(points), points);
    m_size->setCurrentIndex(-1);
    m_toolBar->addWidget(m_size);
    connect(m_size, &QComboBox::activated, this, [this](int index) {
        m_editor->setSelectionFontSize(m_size->itemData(index).toInt());
        m_editor->setFocus(Qt::OtherFocusReason);
    });
    button(colour, QStringLiteral("Colour"), {});
    m_toolBar->addSeparator();
    button(picture, QStringLiteral("Picture..."), {});
    button(symbol, QStringLiteral("\u03a9 Symbol..."), {});

    connect(m_editor, &QTextEdit::currentCharFormatChanged, this, &RichTextCommands::showFormat);
    showFormat(m_editor->currentCharFormat());
}

void RichTextCommands::toggle(QAction *action, const QTextCharFormat &on, const QTextCharFormat &off)
{
    // The action's check state already follows the click; it says what the selection becomes.
    m_editor->mergeCurrentCharFormat(action->isChecked() ? on : off);
    showFormat(m_editor->currentCharFormat());
    m_editor->setFocus(Qt::OtherFocusReason);
}

void RichTextCommands::showFormat(const QTextCharFormat &format)
{
    m_bold->setChecked(format.fontWeight() >= QFont::DemiBold);
    m_italic->setChecked(format.fontItalic());
    m_underline->setChecked(format.fontUnderline());
    m_superscript->setChecked(format.verticalAlignment() == QTextCharFormat::AlignSuperScript);
    m_subscript->setChecked(format.verticalAlignment() == QTextCharFormat::AlignSubScript);
    const double points = format.hasProperty(QTextFormat::FontPointSize)
                              ? format.fontPointSize()
                              : m_editor->document()->defaultFont().pointSizeF();
    m_size->setCurrentIndex(m_size->findData(int(std::lround(points))));
}

void RichTextCommands::insertPicture()
{
    const QString path = prompt::service().chooseFile(
        m_window, QStringLiteral("Insert picture"), lastPictureFolder(),
        QStringLiteral("Pictures (*.png *.jpg *.jpeg *.bmp *.gif *.svg);;All files (*)"));
    if (path.isEmpty())
        return;
    lastPictureFolder() = QFileInfo(path).absolutePath();
    QString error;
    const std::optional<pictures::Prepared> picture =
        pictures::prepare(path, pictures::widthFor(*m_editor), &error);
    if (!picture) {
        prompt::inform(m_window, error);
        return;
    }
    pictures::insert(*m_editor, *picture);
    m_editor->setFocus(Qt::OtherFocusReason);
}

void RichTextCommands::insertSymbol()
{
    SymbolPalette palette(m_window);
    if (palette.exec() != QDialog::Accepted || palette.chosen().isEmpty())
        return;
    m_editor->setFocus(Qt::OtherFocusReason);
    m_editor->insertPlainText(palette.chosen());
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
