#include "extratimedialog.h"
#include "ui_extratimedialog.h"

#include "paperfile.h"
#include "profile.h"
#include "prompt.h"

#include <QHeaderView>
#include <QRegularExpression>
#include <QTableWidgetItem>

#include <cmath>

namespace {

enum Column
{
    NumberColumn,
    FactorColumn,
    MinutesColumn,
    ColumnCount
};

/// The longest time limit among the catalogue's papers, with its paper.
std::pair<qint16, QString> longestPaper()
{
    std::pair<qint16, QString> longest{0, QString()};
    for (const QString &name : catalogue::paperNames()) {
        const qint16 minutes = profile::readNumber(paper::file(name), paper::MainSection, paper::TestTimeKey);
        if (minutes > longest.first)
            longest = {minutes, name};
    }
    return longest;
}

} // namespace

ExtraTimeDialog::ExtraTimeDialog(const catalogue::ClassRecord &cls, QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::ExtraTimeDialog>())
    , m_class(cls)
{
    ui->setupUi(this);
    ui->LabExtraClass->setText(
        QStringLiteral("Class %1, students %2 to %3. The test time is multiplied by the factor, then the "
                       "extra minutes are added.")
            .arg(cls.name)
            .arg(cls.first)
            .arg(cls.last));
    QTableWidget *table = ui->ExtraList;
    table->setColumnCount(ColumnCount);
    table->setHorizontalHeaderLabels(
        {QStringLiteral("No."), QStringLiteral("Time factor"), QStringLiteral("Extra minutes")});
    table->verticalHeader()->hide();
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_stored = catalogue::extraTimes(cls.name, cls.first, cls.last);
    const int rows = qMax(0, cls.last - cls.first + 1);
    table->setRowCount(rows);
    for (int r = 0; r < rows; ++r) {
        const int number = cls.first + r;
        const catalogue::ExtraTime e = m_stored.value(number);
        auto *numberItem = new QTableWidgetItem(QString::number(number));
        numberItem->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        numberItem->setTextAlignment(Qt::AlignCenter);
        table->setItem(r, NumberColumn, numberItem);
        auto *factor =
            new QTableWidgetItem(QString::number(e.factor, 'f', e.factor == std::floor(e.factor) ? 1 : 2));
        auto *minutes = new QTableWidgetItem(QString::number(e.minutes));
        factor->setTextAlignment(Qt::AlignCenter);
        minutes->setTextAlignment(Qt::AlignCenter);
        table->setItem(r, FactorColumn, factor);
        table->setItem(r, MinutesColumn, minutes);
    }
    connect(ui->CmdExtraOk, &QPushButton::clicked, this, &ExtraTimeDialog::save);
    connect(ui->CmdExtraCancel, &QPushButton::clicked, this, &QDialog::reject);
}

ExtraTimeDialog::~ExtraTimeDialog() = default;

void ExtraTimeDialog::save()
{
    static const QRegularExpression decimal(QStringLiteral("^[0-9]+([.,][0-9]+)?$"));
    static const QRegularExpression whole(QStringLiteral("^[0-9]+$"));
    QTableWidget *table = ui->ExtraList;
    const auto refuse = [&](int row, int column, const QString &text) {
        prompt::inform(this, text);
        table->setCurrentCell(row, column);
        table->editItem(table->item(row, column));
    };

    QMap<int, catalogue::ExtraTime> entered;
    for (int r = 0; r < table->rowCount(); ++r) {
        const int number = m_class.first + r;
        const QString factorText = table->item(r, FactorColumn)->text().trimmed();
        const QString minutesText = table->item(r, MinutesColumn)->text().trimmed();
        catalogue::ExtraTime e;
        if (!factorText.isEmpty()) {
            const double factor = QString(factorText).replace(u',', u'.').toDouble();
            if (!decimal.match(factorText).hasMatch() || factor < catalogue::MinFactor ||
                factor > catalogue::MaxFactor) {
                refuse(r, FactorColumn,
                       QStringLiteral("The time factor of student %1 must be a number from 1.0 to 3.0.")
                           .arg(number));
                return;
            }
            e.factor = std::round(factor * 100) / 100;
        }
        if (!minutesText.isEmpty()) {
            const int minutes = minutesText.toInt();
            if (!whole.match(minutesText).hasMatch() || minutesText.size() > 3 ||
                minutes > catalogue::MaxExtraMinutes) {
                refuse(r, MinutesColumn,
                       QStringLiteral("The extra minutes of student %1 must be a whole number from 0 to 240.")
                           .arg(number));
                return;
            }
            e.minutes = minutes;
        }
        entered.insert(number, e);
    }

    // The countdown holds 32767 seconds: what would overflow on the longest test is lowered now,
    // so that no student meets a surprise at login.
    const auto [longest, longestName] = longestPaper();
    const qint64 base = qint64(longest) * 60;
    QStringList lowered;
    for (auto it = entered.begin(); it != entered.end(); ++it) {
        catalogue::ExtraTime &e = *it;
        if (e.isNone() || catalogue::limitSeconds(longest, e) <= qMax(base, catalogue::MaxLimitSeconds))
            continue;
        if (base * e.factor > catalogue::MaxLimitSeconds)
            e.factor = qMax(1.0, std::floor(double(catalogue::MaxLimitSeconds) / double(base) * 100) / 100);
        e.minutes =
            int(qMax<qint64>(0, (catalogue::MaxLimitSeconds - qint64(std::nearbyint(base * e.factor))) / 60));
        lowered.append(QString::number(it.key()));
        const int r = it.key() - m_class.first;
        table->item(r, FactorColumn)->setText(QString::number(e.factor, 'f', 2));
        table->item(r, MinutesColumn)->setText(QString::number(e.minutes));
    }

    QMap<int, catalogue::ExtraTime> changed;
    for (auto it = entered.cbegin(); it != entered.cend(); ++it) {
        if (!(m_stored.value(it.key()) == *it))
            changed.insert(it.key(), *it);
    }
    if (!lowered.isEmpty()) {
        prompt::inform(this,
                       QStringLiteral("Examdesk counts down at most 546 minutes. The extra time of students "
                                      "%1 was lowered so that it fits the longest test (%2, %3 minutes).")
                           .arg(lowered.join(QStringLiteral(", ")), longestName)
                           .arg(longest));
    }
    if (!changed.isEmpty() && !catalogue::saveExtraTimes(m_class.name, changed)) {
        prompt::inform(this, QStringLiteral("The extra time could not be saved: the catalogue file can't be "
                                            "written. Nothing was changed."));
        return;
    }
    accept();
}
