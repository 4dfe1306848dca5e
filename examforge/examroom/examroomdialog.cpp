#include "examroomdialog.h"
#include "ui_examroomdialog.h"

#include "catalogue.h"
#include "helpwindow.h"
#include "prompt.h"

#include <QDir>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStyledItemDelegate>

#include <algorithm>

namespace {

const QString Yes = QStringLiteral("Yes");
const QString No = QStringLiteral("No");

// Pairs of a test and a class the window holds at most: far more than any school has, while a
// damaged catalogue that claims 32767 tests and 32767 classes would take all the memory.
constexpr qint64 MaxPairs = 1000000;

} // namespace

/// Gives every row of the lists it serves one common height, so that the rows of a name list
/// and of its Yes/No list stay side by side whatever script a name is written in.
class RowHeightDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void setRowHeight(int height) { m_height = height; }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height(), m_height));
        return size;
    }

private:
    int m_height = 0;
};

ExamRoomDialog::ExamRoomDialog(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::考场管理>())
    , m_paperRows(new RowHeightDelegate(this))
    , m_classRows(new RowHeightDelegate(this))
{
    ui->setupUi(this);
    help::setTopic(this, QStringLiteral("examroom"));
    setMinimumSize(560, 320);

    const auto pair = [this](QListWidget *names, QListWidget *values, RowHeightDelegate *rows) {
        for (QListWidget *list : {names, values}) {
            list->setItemDelegate(rows);
            list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            list->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
        }
        // One scroll bar, on the Yes/No side, serves the pair.
        names->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        values->setFocusPolicy(Qt::NoFocus);
        values->viewport()->installEventFilter(this);
        names->installEventFilter(this);
        connect(names->verticalScrollBar(), &QScrollBar::valueChanged, values->verticalScrollBar(),
                &QScrollBar::setValue);
        connect(values->verticalScrollBar(), &QScrollBar::valueChanged, names->verticalScrollBar(),
                &QScrollBar::setValue);
    };
    pair(ui->List11, ui->List1, m_paperRows);
    pair(ui->List22, ui->List2, m_classRows);

    connect(ui->List11, &QListWidget::currentRowChanged, this, &ExamRoomDialog::paperChosen);
    connect(ui->List11, &QListWidget::doubleClicked, this,
            [this](const QModelIndex &index) { togglePaper(index.row()); });
    // A class and its Yes/No entry are selected together, whichever column was clicked.
    connect(ui->List22, &QListWidget::currentRowChanged, this,
            [this](int row) { ui->List2->setCurrentRow(row); });
    connect(ui->List2, &QListWidget::currentRowChanged, this,
            [this](int row) { ui->List22->setCurrentRow(row); });
    connect(ui->List22, &QListWidget::doubleClicked, this,
            [this](const QModelIndex &index) { togglePermission(index.row(), false); });
    connect(ui->全部选定, &QPushButton::clicked, this, [this] { setAllClasses(Yes); });
    connect(ui->全部选定取消, &QPushButton::clicked, this, [this] { setAllClasses(No); });
    connect(ui->Command1, &QPushButton::clicked, this, &ExamRoomDialog::save);
    connect(ui->Command2, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->CMDHELP, &QPushButton::clicked, this, [this] { help::showFor(this); });
}

ExamRoomDialog::~ExamRoomDialog() = default;

void ExamRoomDialog::showEvent(QShowEvent *event)
{
    // A window restored from the task bar keeps its edits; only a real opening reloads.
    if (!event->spontaneous()) {
        if (load())
            ui->List11->setFocus(Qt::OtherFocusReason);
        else // nothing it could show: the window closes, as the scores window does without tests
            QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
    }
    QDialog::showEvent(event);
}

bool ExamRoomDialog::load()
{
    QList<catalogue::PaperEntry> papers = catalogue::loadPapers(QStringLiteral("0"));
    m_classNames = catalogue::classNames();
    const bool fits = qint64(papers.size()) * m_classNames.size() <= MaxPairs;
    if (!fits) {
        prompt::inform(this,
                       QStringLiteral("The catalogue lists %1 tests and %2 classes, too many to show here. "
                                      "Check the file\n%3")
                           .arg(papers.size())
                           .arg(m_classNames.size())
                           .arg(QDir::toNativeSeparators(catalogue::path())));
        papers.clear();
        m_classNames.clear();
    }
    m_paperNames.clear();
    m_paperFlags.clear();
    for (const catalogue::PaperEntry &p : papers) {
        m_paperNames.append(p.name);
        m_paperFlags.append(catalogue::isSet(p.openFlag) ? Yes : No);
    }
    const QList<QStringList> stored = catalogue::permissions(m_paperNames, m_classNames, QStringLiteral("1"));
    m_permissions.clear();
    m_permissions.append(QStringList(m_classNames.size(), QString()));
    for (const QStringList &row : stored) {
        QStringList yesNo;
        for (const QString &value : row)
            yesNo.append(catalogue::isSet(value) ? Yes : No);
        m_permissions.append(yesNo);
    }

    for (QListWidget *list : {ui->List11, ui->List1, ui->List22, ui->List2}) {
        const QSignalBlocker block(list);
        list->clear();
    }
    ui->List11->addItems(m_paperNames);
    ui->List1->addItems(m_paperFlags);
    ui->List22->addItems(m_classNames);
    // No paper is chosen yet: a keyboard focus must not pick the first one by itself.
    ui->List11->setCurrentIndex(QModelIndex());
    ui->List22->setCurrentIndex(QModelIndex());
    alignRows(ui->List11, ui->List1, m_paperRows);
    fillPermissions();
    return fits;
}

int ExamRoomDialog::selectedPaper() const
{
    const int row = ui->List11->currentRow();
    return row >= 0 && row < m_paperNames.size() ? row : -1;
}

void ExamRoomDialog::alignRows(QListWidget *names, QListWidget *values, RowHeightDelegate *delegate)
{
    delegate->setRowHeight(0);
    int height = 0;
    for (QListWidget *list : {names, values}) {
        for (int row = 0; row < list->count(); ++row)
            height = std::max(height, list->sizeHintForRow(row));
    }
    delegate->setRowHeight(height);
    names->doItemsLayout();
    values->doItemsLayout();
}

void ExamRoomDialog::paperChosen(int row)
{
    ui->List1->setCurrentRow(row);
    fillPermissions();
}

void ExamRoomDialog::fillPermissions()
{
    const QStringList &row = m_permissions.at(selectedPaper() + 1);
    const int scroll = ui->List22->verticalScrollBar()->value();
    {
        const QSignalBlocker block(ui->List2);
        ui->List2->clear();
        ui->List2->addItems(row);
        ui->List2->setCurrentRow(ui->List22->currentRow());
    }
    alignRows(ui->List22, ui->List2, m_classRows);
    ui->List2->verticalScrollBar()->setValue(scroll);
    ui->List22->verticalScrollBar()->setValue(scroll);
}

void ExamRoomDialog::togglePaper(int row)
{
    if (row < 0 || row >= m_paperFlags.size())
        return;
    m_paperFlags[row] = m_paperFlags.at(row) == Yes ? No : Yes;
    ui->List1->item(row)->setText(m_paperFlags.at(row));
    paperChosen(row);
}

void ExamRoomDialog::paperFlagPressed(int row)
{
    if (row < 0 || row >= m_paperFlags.size())
        return;
    ui->List11->setCurrentRow(row);
    const QString &flag = m_paperFlags.at(row);
    if (flag != Yes && flag != No)
        return;
    m_paperFlags[row] = flag == Yes ? No : Yes;
    ui->List1->item(row)->setText(m_paperFlags.at(row));
}

void ExamRoomDialog::togglePermission(int row, bool strict)
{
    QStringList &permissions = m_permissions[selectedPaper() + 1];
    if (row < 0 || row >= permissions.size())
        return;
    const QString &value = permissions.at(row);
    if (strict && value != Yes && value != No)
        return;
    permissions[row] = value == Yes ? No : Yes;
    if (QListWidgetItem *item = ui->List2->item(row))
        item->setText(permissions.at(row));
}

void ExamRoomDialog::setAllClasses(const QString &value)
{
    QStringList &permissions = m_permissions[selectedPaper() + 1];
    permissions.fill(value);
    fillPermissions();
}

void ExamRoomDialog::save()
{
    QList<catalogue::PaperEntry> papers;
    QList<QList<bool>> allowed;
    for (qsizetype j = 0; j < m_paperNames.size(); ++j) {
        papers.append(
            {m_paperNames.at(j), m_paperFlags.at(j) == Yes ? QStringLiteral("1") : QStringLiteral("0")});
        QList<bool> row;
        for (const QString &value : std::as_const(m_permissions.at(j + 1)))
            row.append(value == Yes);
        allowed.append(row);
    }
    if (!catalogue::savePermissions(papers, m_classNames, allowed)) {
        prompt::inform(
            this,
            QStringLiteral("The tests and classes could not be saved to\n%1\nCheck that the folder can be "
                           "written to, then press OK again.")
                .arg(QDir::toNativeSeparators(catalogue::path())));
        return;
    }
    accept();
}

bool ExamRoomDialog::eventFilter(QObject *watched, QEvent *event)
{
    const bool onPaperFlags = watched == ui->List1->viewport();
    const bool onPermissions = watched == ui->List2->viewport();
    // Each press toggles; the second press of a double click arrives as a double click and
    // is left to the list, so a double click on the Yes/No column toggles once, as on the names.
    if ((onPaperFlags || onPermissions) && event->type() == QEvent::MouseButtonPress) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton) {
            QListWidget *list = onPaperFlags ? ui->List1 : ui->List2;
            const QModelIndex index = list->indexAt(mouse->position().toPoint());
            if (index.isValid()) {
                if (onPaperFlags)
                    paperFlagPressed(index.row());
                else
                    togglePermission(index.row(), true);
            }
        }
    } else if ((watched == ui->List11 || watched == ui->List22) && event->type() == QEvent::KeyPress) {
        // The space bar does what a double click on the name does.
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
            if (watched == ui->List11)
                togglePaper(ui->List11->currentRow());
            else
                togglePermission(ui->List22->currentRow(), false);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
