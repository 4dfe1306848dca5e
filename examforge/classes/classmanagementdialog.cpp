#include "classmanagementdialog.h"
#include "ui_classmanagementdialog.h"

#include "helpwindow.h"
#include "int16validator.h"
#include "names.h"
#include "numbers.h"
#include "prompt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QShowEvent>
#include <QSignalBlocker>

#include <QTimer>

#include <algorithm>
#include <limits>

namespace {

const QString ManageClasses = QStringLiteral("Manage classes");

} // namespace

ClassManagementDialog::ClassManagementDialog(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::班级管理>())
{
    ui->setupUi(this);
    help::setTopic(this, QStringLiteral("classes"));
    setMinimumSize(480, 300);

    for (QLineEdit *box : {ui->Text2, ui->Text3, ui->Text4})
        box->setValidator(new Int16Validator(box));

    connect(ui->List1, &QListWidget::currentRowChanged, this, &ClassManagementDialog::showSelected);
    connect(ui->Text2, &QLineEdit::textEdited, this, &ClassManagementDialog::countEdited);
    connect(ui->Text3, &QLineEdit::textEdited, this, &ClassManagementDialog::firstEdited);
    connect(ui->Command1, &QPushButton::clicked, this, &ClassManagementDialog::save);
    connect(ui->Command2, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->Command3, &QPushButton::clicked, this, [this] { help::showFor(this); });
    connect(ui->Command4, &QPushButton::clicked, this, &ClassManagementDialog::addClass);
    connect(ui->Command5, &QPushButton::clicked, this, &ClassManagementDialog::deleteClass);
    connect(ui->cmdUp, &QPushButton::clicked, this, &ClassManagementDialog::moveUp);
    connect(ui->cmdDown, &QPushButton::clicked, this, &ClassManagementDialog::moveDown);
    ui->List1->installEventFilter(this);
    ui->Text4->installEventFilter(this);
    showSelected();
}

ClassManagementDialog::~ClassManagementDialog() = default;

void ClassManagementDialog::showEvent(QShowEvent *event)
{
    // A window restored from the task bar keeps its edits; only a real opening reloads.
    if (!event->spontaneous()) {
        load();
        ui->List1->setFocus(Qt::OtherFocusReason);
    }
    QDialog::showEvent(event);
}

void ClassManagementDialog::load()
{
    m_classes = catalogue::loadClasses();
    refreshList(0);
    ui->List1->scrollToTop();
}

int ClassManagementDialog::selected() const
{
    const int row = ui->List1->currentRow();
    return row >= 0 && row < m_classes.size() ? row : -1;
}

void ClassManagementDialog::refreshList(int row)
{
    QListWidget *list = ui->List1;
    const int scroll = list->verticalScrollBar()->value();
    {
        const QSignalBlocker block(list);
        const auto n = int(m_classes.size());
        while (list->count() > n)
            delete list->takeItem(list->count() - 1);
        for (int i = 0; i < n; ++i) {
            if (i < list->count())
                list->item(i)->setText(m_classes.at(i).name);
            else
                list->addItem(m_classes.at(i).name);
        }
        // After the last entry was deleted its index is gone: the new last one takes its place.
        list->setCurrentRow(row < 0 ? -1 : std::min(row, n - 1));
    }
    // The list refreshes when it gets the focus, often from a mouse press: moving it under
    // the pointer then would make the press land on another class.
    list->verticalScrollBar()->setValue(scroll);
    showSelected();
}

void ClassManagementDialog::showSelected()
{
    const int k = selected();
    const bool any = k >= 0;
    for (QLineEdit *box : {ui->Text2, ui->Text3, ui->Text4})
        box->setEnabled(any);
    if (!any) {
        ui->Text1->clear();
        setBox(ui->Text2, QString());
        setBox(ui->Text3, QString());
        setBox(ui->Text4, QString());
        return;
    }
    const catalogue::ClassRecord &c = m_classes.at(k);
    ui->Text1->setText(c.name);
    setBox(ui->Text2, numbers::plain(c.count));
    setBox(ui->Text3, numbers::plain(c.first));
    setBox(ui->Text4, numbers::plain(c.last));
}

void ClassManagementDialog::setBox(QLineEdit *box, const QString &text)
{
    if (box->text() != text)
        box->setText(text);
    if (box == ui->Text2)
        m_lastCount = text;
    else if (box == ui->Text3)
        m_lastFirst = text;
    else
        m_lastLast = text;
}

void ClassManagementDialog::refuse(QLineEdit *box)
{
    box->setText(box == ui->Text2 ? m_lastCount : box == ui->Text3 ? m_lastFirst : m_lastLast);
    QApplication::beep();
}

void ClassManagementDialog::countEdited(const QString &text)
{
    const int k = selected();
    if (k < 0)
        return;
    const QString number = numbers::leadingNumberText(text);
    const int count = numbers::readInt16(number);
    const int first = numbers::readInt16(ui->Text3->text());
    const int last = numbers::readInt16(ui->Text4->text());
    const int needed = first + count - 1;
    // The last number follows the count; a count that would push it beyond what a number
    // can hold is refused.
    if (needed > last && !numbers::fitsInt16(needed)) {
        refuse(ui->Text2);
        return;
    }
    setBox(ui->Text2, number);
    m_classes[k].count = qint16(count);
    if (needed > last) {
        setBox(ui->Text4, numbers::plain(needed));
        m_classes[k].last = qint16(needed);
    }
}

void ClassManagementDialog::firstEdited(const QString &text)
{
    const int k = selected();
    if (k < 0)
        return;
    const QString number = numbers::leadingNumberText(text);
    const int first = numbers::readInt16(number);
    const int count = numbers::readInt16(ui->Text2->text());
    const int last = numbers::readInt16(ui->Text4->text());
    if (count > last - first + 1) {
        const int needed = first + count - 1;
        if (!numbers::fitsInt16(needed)) {
            refuse(ui->Text3);
            return;
        }
        setBox(ui->Text4, numbers::plain(needed));
        m_classes[k].last = qint16(needed);
    }
    setBox(ui->Text3, number);
    m_classes[k].first = qint16(first);
}

bool ClassManagementDialog::confirmLast()
{
    const int k = selected();
    if (k < 0 || m_confirmingLast)
        return true;
    const int first = numbers::readInt16(ui->Text3->text());
    const int count = numbers::readInt16(ui->Text2->text());
    const int last = numbers::readInt16(ui->Text4->text());
    if (count <= last - first + 1) {
        m_classes[k].last = qint16(last);
        setBox(ui->Text4, numbers::plain(last));
        return true;
    }
    m_confirmingLast = true;
    prompt::inform(this, QStringLiteral("The last number is too small,please input again!"), ManageClasses);
    m_confirmingLast = false;
    setBox(ui->Text4, numbers::plain(m_classes.at(k).last));
    ui->Text4->setFocus(Qt::OtherFocusReason);
    ui->Text4->selectAll();
    return false;
}

void ClassManagementDialog::addClass()
{
    // The class count is stored as a 16-bit number: one more class would read back as lost.
    if (m_classes.size() >= std::numeric_limits<qint16>::max()) {
        prompt::inform(this,
                       QStringLiteral("The list already holds %1 classes, the most it can hold. Delete a class "
                                      "before adding another.")
                           .arg(std::numeric_limits<qint16>::max()),
                       ManageClasses);
        return;
    }
    const QString prompt = QStringLiteral("Please enter the name fo new class:");
    const std::optional<QString> answer = prompt::input(this, prompt, prompt, QString());
    if (!answer)
        return;
    const QString name = answer->trimmed();
    QStringList existing;
    for (const catalogue::ClassRecord &c : std::as_const(m_classes))
        existing.append(c.name.trimmed());
    if (existing.contains(name)) {
        prompt::inform(this,
                       QStringLiteral("The class name is the same of a class inhered ,input another name!"));
        return;
    }
    if (name.isEmpty())
        return;
    // The name becomes a key of the catalogue and part of answer-record file names.
    const QString problem = names::problem(names::Kind::Class, name, existing);
    if (!problem.isEmpty()) {
        prompt::inform(this, problem);
        return;
    }
    m_classes.append({name, 0, 0, 0});
    refreshList(selected());
}

void ClassManagementDialog::deleteClass()
{
    if (m_classes.size() == 1) {
        prompt::inform(this, QStringLiteral("Not allow to delete the class!"));
        return;
    }
    const int k = selected();
    if (k < 0)
        return;
    if (prompt::ask(this, QStringLiteral("Will you delete all data of the present calss?"),
                    prompt::Buttons::OkCancel, ManageClasses) != prompt::Answer::Ok) {
        return;
    }
    m_classes.removeAt(k);
    refreshList(k);
    ui->List1->scrollToItem(ui->List1->currentItem());
    prompt::inform(this, QStringLiteral("The present calss had been deleted?"), ManageClasses);
}

void ClassManagementDialog::moveUp()
{
    const int k = selected();
    if (k < 1)
        return;
    m_classes.swapItemsAt(k, k - 1);
    refreshList(k - 1);
    ui->List1->scrollToItem(ui->List1->currentItem());
}

void ClassManagementDialog::moveDown()
{
    const int k = selected();
    if (k < 0 || k >= m_classes.size() - 1)
        return;
    m_classes.swapItemsAt(k, k + 1);
    refreshList(k + 1);
    ui->List1->scrollToItem(ui->List1->currentItem());
}

void ClassManagementDialog::save()
{
    // Enter in the last-number box presses OK without leaving the box: check it first.
    if (ui->Text4->hasFocus() && !confirmLast())
        return;
    if (!catalogue::saveClasses(m_classes)) {
        prompt::inform(
            this,
            QStringLiteral("The class list could not be saved to\n%1\nCheck that the folder can be written "
                           "to, then press OK again.")
                .arg(QDir::toNativeSeparators(catalogue::path())),
            ManageClasses);
        return;
    }
    accept();
}

bool ClassManagementDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_refusedButton) {
        // The press that moved the focus out of a refused last number: the teacher is to
        // type the number again, so the button must not act on this press.
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
            disarmRefusedButton();
            return true;
        }
        return QDialog::eventFilter(watched, event);
    }
    if (watched == ui->List1) {
        if (event->type() == QEvent::FocusIn) {
            refreshList(selected());
        } else if (event->type() == QEvent::KeyPress) {
            const auto *key = static_cast<QKeyEvent *>(event);
            if (key->modifiers() == Qt::ControlModifier && key->key() == Qt::Key_Up) {
                moveUp();
                return true;
            }
            if (key->modifiers() == Qt::ControlModifier && key->key() == Qt::Key_Down) {
                moveDown();
                return true;
            }
            if (key->modifiers() == Qt::NoModifier && key->key() == Qt::Key_Delete) {
                deleteClass();
                return true;
            }
            if (key->modifiers() == Qt::NoModifier && key->key() == Qt::Key_Insert) {
                addClass();
                return true;
            }
        }
    } else if (watched == ui->Text4 && event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        // Only a move inside this window counts as leaving the box (not a message box or
        // another program taking the focus). Cancel and Help need no valid number.
        const QWidget *next = QApplication::focusWidget();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && isVisible() &&
            next != ui->Command2 && next != ui->Command3 && !confirmLast()) {
            // A mouse press gives the focus before the pressed button sees it; that press is
            // delivered right after this returns, so a posted call disarms an unused guard.
            if (auto *button = qobject_cast<QAbstractButton *>(const_cast<QWidget *>(next));
                button && reason == Qt::MouseFocusReason) {
                disarmRefusedButton();
                m_refusedButton = button;
                button->installEventFilter(this);
                QTimer::singleShot(0, this, &ClassManagementDialog::disarmRefusedButton);
            }
            return true; // the focus went back to the box, which keeps its focused state
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ClassManagementDialog::disarmRefusedButton()
{
    if (m_refusedButton)
        m_refusedButton->removeEventFilter(this);
    m_refusedButton = nullptr;
}
