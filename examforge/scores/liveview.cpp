#include "liveview.h"
#include "ui_liveview.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QShowEvent>
#include <QTableWidgetItem>
#include <QTimer>

namespace {

constexpr int RefreshMs = 10000;

enum Column
{
    NumberColumn,
    NameColumn,
    AnsweredColumn,
    TimeColumn,
    SaveColumn,
    ExtraColumn,
    ColumnCount
};

const QColor WarningColour(255, 205, 150);

} // namespace

LiveView::LiveView(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::LiveView>())
    , m_timer(new QTimer(this))
    , m_clock([] { return QDateTime::currentDateTime(); })
{
    ui->setupUi(this);
    ui->LiveList->setColumnCount(ColumnCount);
    ui->LiveList->setHorizontalHeaderLabels({QStringLiteral("No."), QStringLiteral("Name"),
                                             QStringLiteral("Answered"), QStringLiteral("Time left"),
                                             QStringLiteral("Last save"), QStringLiteral("Extra time")});
    ui->LiveList->verticalHeader()->hide();
    ui->LiveList->horizontalHeader()->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
    ui->LiveList->setColumnWidth(NumberColumn, 60);
    ui->LiveList->setColumnWidth(AnsweredColumn, 90);
    ui->LiveList->setColumnWidth(TimeColumn, 80);
    ui->LiveList->setColumnWidth(SaveColumn, 170);
    ui->LiveList->setColumnWidth(ExtraColumn, 100);

    m_timer->setObjectName(QStringLiteral("TimerLive"));
    m_timer->setInterval(RefreshMs);
    connect(m_timer, &QTimer::timeout, this, &LiveView::refresh);
    connect(ui->CmdLiveRefresh, &QPushButton::clicked, this, &LiveView::refresh);
    connect(ui->CmdLiveClose, &QPushButton::clicked, this, &QDialog::close);
}

LiveView::~LiveView() = default;

void LiveView::setTarget(const QString &paper, const QString &className)
{
    m_paper = paper;
    m_className = className;
    ui->LabLiveWhat->setText(
        QStringLiteral("Test: %1    Class: %2").arg(paper.trimmed(), className.trimmed()));
    if (isVisible())
        refresh();
}

void LiveView::setClock(Clock clock)
{
    m_clock = std::move(clock);
}

void LiveView::showEvent(QShowEvent *event)
{
    if (!event->spontaneous())
        refresh();
    m_timer->start();
    QDialog::showEvent(event);
}

void LiveView::hideEvent(QHideEvent *event)
{
    m_timer->stop();
    QDialog::hideEvent(event);
}

void LiveView::refresh()
{
    const QDateTime now = m_clock();
    m_room = live::read(m_paper, m_className, now);
    ui->LabFinished->setText(live::finishedText(m_room));
    ui->LabUpdated->setText(QStringLiteral("Testing: %1    Read at %2")
                                .arg(m_room.sitting.size())
                                .arg(now.toString(QStringLiteral("HH:mm:ss"))));

    QTableWidget *table = ui->LiveList;
    const QString keep = table->currentRow() >= 0 && table->item(table->currentRow(), NumberColumn)
                             ? table->item(table->currentRow(), NumberColumn)->text()
                             : QString();
    const int scroll = table->verticalScrollBar()->value();
    table->setUpdatesEnabled(false);
    table->setRowCount(int(m_room.sitting.size()));
    int keepRow = -1;
    for (int row = 0; row < int(m_room.sitting.size()); ++row) {
        const live::Sitting &s = m_room.sitting.at(row);
        const QString cells[ColumnCount] = {
            s.number,
            s.name,
            QStringLiteral("%1 of %2").arg(s.answered).arg(s.questionCount),
            s.timeLeft.isEmpty() ? QStringLiteral("-") : s.timeLeft,
            live::lastSaveText(s),
            s.extraTime,
        };
        const bool warn = s.stale || s.clockAhead;
        for (int c = 0; c < ColumnCount; ++c) {
            QTableWidgetItem *item = table->item(row, c);
            if (!item) {
                item = new QTableWidgetItem;
                table->setItem(row, c, item);
            }
            item->setText(cells[c]);
            item->setTextAlignment(c == NameColumn ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
            item->setData(Qt::BackgroundRole, warn ? QVariant(WarningColour) : QVariant());
            item->setToolTip(s.stale ? QStringLiteral("This machine has probably stopped: the student may "
                                                      "log in again on another one.")
                             : s.clockAhead ? QStringLiteral("The clock of this machine or of the shared "
                                                             "folder is ahead of this one.")
                                            : QString());
        }
        if (!keep.isEmpty() && s.number == keep)
            keepRow = row;
    }
    table->setUpdatesEnabled(true);
    if (keepRow >= 0)
        table->selectRow(keepRow);
    else
        table->clearSelection();
    table->verticalScrollBar()->setValue(scroll);
}
