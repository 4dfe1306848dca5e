#include "scoresdialog.h"
#include "ui_scoresdialog.h"

#include "answerrecord.h"
#include "catalogue.h"
#include "csvexport.h"
#include "enterkey.h"
#include "helpwindow.h"
#include "itemanalysiswindow.h"
#include "liveview.h"
#include "regradedialog.h"
#include "numbers.h"
#include "paperfile.h"
#include "prompt.h"

#include <QDir>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QScrollBar>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QTimer>

using scores::StudentRow;

namespace {

constexpr int AutoRefreshMs = 30000;

/// Chooses a row, or none for -1. "None" is set explicitly so that the keyboard focus does not
/// choose the first row by itself: a student is chosen only by the teacher.
void setCurrentRow(QListWidget *list, int row)
{
    if (row >= 0)
        list->setCurrentRow(row);
    else
        list->setCurrentIndex(QModelIndex());
}

/// The mark of a record that does not agree: red for one that does not match its answers or
/// was damaged, amber for one scored with keys that have changed since.
QColor checkColour(scores::CheckKind kind)
{
    return kind == scores::CheckKind::KeyChanged ? QColor(255, 226, 150) : QColor(255, 190, 185);
}

} // namespace

/// Gives every row of the ruled lists one height, whatever script a name is written in, so
/// that the rows of two lists side by side stay level. Rows take the list's whole width.
class FixedRowDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void setRowHeight(int height) { m_height = height; }

    QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const override { return {0, m_height}; }

private:
    int m_height = 16;
};

ScoresDialog::ScoresDialog(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::考务成绩>())
    , m_rows(new FixedRowDelegate(this))
    , m_timer(new QTimer(this))
{
    ui->setupUi(this);
    help::setTopic(this, QStringLiteral("scores"));

    m_timer->setObjectName(QStringLiteral("Timer刷新"));
    m_timer->setInterval(AutoRefreshMs);
    connect(m_timer, &QTimer::timeout, this, &ScoresDialog::autoRefresh);

    m_distribution = {ui->Lab分布_0, ui->Lab分布_1, ui->Lab分布_2, ui->Lab分布_3,
                      ui->Lab分布_4, ui->Lab分布_5, ui->Lab分布_6, ui->Lab分布_7};
    for (int d = 0; d < int(m_distribution.size()); ++d) {
        m_distribution[d]->setObjectName(QStringLiteral("Lab分布(%1)").arg(d));
        m_distribution[d]->clear();
    }

    // The lines are ruled with underscores: a fixed-width font keeps the columns in line.
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QList<QListWidget *> ruled = {ui->List1, ui->List2, ui->Lst统计, ui->List5, ui->List6};
    for (QListWidget *list : ruled) {
        list->setFont(fixed);
        list->setTextElideMode(Qt::ElideNone);
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        list->setUniformItemSizes(true);
    }
    ui->List1->addItem(QStringLiteral("Ag_|_\u4E2D\u6587"));
    m_rows->setRowHeight(ui->List1->sizeHintForRow(0));
    ui->List1->clear();
    for (QListWidget *list : ruled)
        list->setItemDelegate(m_rows);

    // Each pair of lists is one table: List2 and List6 carry the scroll bar for their pair.
    const auto pair = [](QListWidget *left, QListWidget *right) {
        left->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        connect(left->verticalScrollBar(), &QScrollBar::valueChanged, right->verticalScrollBar(),
                &QScrollBar::setValue);
        connect(right->verticalScrollBar(), &QScrollBar::valueChanged, left->verticalScrollBar(),
                &QScrollBar::setValue);
    };
    pair(ui->List1, ui->List2);
    pair(ui->List5, ui->List6);
    ui->List2->setFocusPolicy(Qt::NoFocus);
    ui->List6->setFocusPolicy(Qt::NoFocus);
    ui->List6->setSelectionMode(QAbstractItemView::NoSelection);
    ui->Lst统计->setSelectionMode(QAbstractItemView::NoSelection);
    connect(ui->List1, &QListWidget::currentRowChanged, this, &ScoresDialog::studentChosen);
    connect(ui->List2, &QListWidget::currentRowChanged, this, &ScoresDialog::studentChosen);
    connect(ui->List5, &QListWidget::currentRowChanged, this, &ScoresDialog::questionChosen);

    ui->Rich考题->setReadOnly(true);

    connect(ui->Combo1, &QComboBox::currentIndexChanged, this, &ScoresDialog::refresh);
    connect(ui->Combo2, &QComboBox::currentIndexChanged, this, &ScoresDialog::refresh);
    connect(ui->CMD学号, &QPushButton::clicked, this, [this] { sortStudents(NumberColumn); });
    connect(ui->CMD姓名, &QPushButton::clicked, this, [this] { sortStudents(NameColumn); });
    connect(ui->CMD成绩, &QPushButton::clicked, this, [this] { sortStudents(ScoreColumn); });
    connect(ui->Cmd名次, &QPushButton::clicked, this, [this] { sortStudents(RankColumn); });
    connect(ui->Cmd剩余时间, &QPushButton::clicked, this, [this] { sortStudents(TimeColumn); });
    connect(ui->Cmd题号, &QPushButton::clicked, this, [this] { sortQuestions(QuestionNumberColumn); });
    connect(ui->Cmd得分率, &QPushButton::clicked, this, [this] { sortQuestions(RateColumn); });
    connect(ui->Cmd标准答案, &QPushButton::clicked, this, [this] { sortQuestions(KeyColumn); });
    connect(ui->CMD_刷新, &QPushButton::clicked, this, &ScoresDialog::refresh);
    connect(ui->Chk自动刷新, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            m_timer->start();
        else
            m_timer->stop();
    });
    connect(ui->Cmd删除成绩, &QPushButton::clicked, this, &ScoresDialog::deleteScore);
    connect(ui->Cmd允许重考, &QPushButton::clicked, this, &ScoresDialog::allowRetest);
    connect(ui->Cmd输出, &QPushButton::clicked, this, [this] {
        if (m_exporter)
            m_exporter(this, m_report);
    });
    connect(ui->CmdAnalysis, &QPushButton::clicked, this, &ScoresDialog::openAnalysis);
    connect(ui->CmdCSV, &QPushButton::clicked, this, &ScoresDialog::exportCsv);
    connect(ui->CmdLive, &QPushButton::clicked, this, &ScoresDialog::openLiveView);
    connect(ui->CmdRegrade, &QPushButton::clicked, this, &ScoresDialog::openRegrade);
    connect(ui->CMD_退出, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->CmdHELP, &QPushButton::clicked, this, [this] { help::showFor(this); });

    updateButtons();
}

ScoresDialog::~ScoresDialog() = default;

void ScoresDialog::setExporter(Exporter exporter)
{
    m_exporter = std::move(exporter);
    updateButtons();
}

void ScoresDialog::showEvent(QShowEvent *event)
{
    // Each opening reads afresh; a restore from the task bar is no opening.
    if (!event->spontaneous()) {
        if (load()) {
            ui->List1->setFocus(Qt::OtherFocusReason);
        } else {
            // Only this window closes; the main window stays.
            QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
        }
    }
    if (ui->Chk自动刷新->isChecked())
        m_timer->start();
    QDialog::showEvent(event);
}

void ScoresDialog::hideEvent(QHideEvent *event)
{
    // A closed window does not go on reading records in the background.
    m_timer->stop();
    QDialog::hideEvent(event);
}

void ScoresDialog::keyPressEvent(QKeyEvent *event)
{
    // Enter presses the focused button; elsewhere it must not delete or reopen anything unasked.
    if (!enterkey::pressFocusedButton(this, event))
        QDialog::keyPressEvent(event);
}

bool ScoresDialog::load()
{
    const QStringList papers = catalogue::paperNames();
    const QStringList classes = catalogue::classNames();
    {
        const QSignalBlocker blockPapers(ui->Combo1);
        const QSignalBlocker blockClasses(ui->Combo2);
        ui->Combo1->clear();
        ui->Combo2->clear();
        ui->Combo1->addItems(papers);
        ui->Combo2->addItems(classes);
        ui->Combo1->setCurrentIndex(papers.isEmpty() ? -1 : 0);
        ui->Combo2->setCurrentIndex(classes.isEmpty() ? -1 : 0);
    }
    // Each opening starts afresh: no student or question stays chosen from the last one.
    m_report = {};
    if (papers.isEmpty() || classes.isEmpty()) {
        m_studentOrder.clear();
        m_questionOrder.clear();
        fillStatistics();
        fillQuestionList(0);
        fillStudentLists(QString());
        prompt::inform(this, papers.isEmpty() ? QStringLiteral("Sorry!No test now.")
                                              : QStringLiteral("Sorry!No achievement now."));
        return false;
    }
    refresh();
    return true;
}

void ScoresDialog::refresh()
{
    if (ui->Combo1->currentIndex() < 0 || ui->Combo2->currentIndex() < 0)
        return;
    const QString paperBefore = m_report.paper;
    const QString classBefore = m_report.className;
    const QString keepNumber = selectedNumber();
    const int keepQuestion = selectedQuestion();

    m_report = scores::loadReport(ui->Combo1->currentText(), ui->Combo2->currentText());
    const bool samePaper = m_report.paper == paperBefore;
    const bool sameClass = samePaper && m_report.className == classBefore;

    m_questionOrder.resize(m_report.questionCount);
    for (int j = 0; j < m_report.questionCount; ++j)
        m_questionOrder[j] = j;
    fillStatistics();
    fillQuestionList(samePaper ? keepQuestion : 0);

    // The list starts in number order: flag 2 makes the number sort ascend.
    m_studentFlags[NumberColumn] = 2;
    sortStudentsKeeping(NumberColumn, sameClass ? keepNumber : QString());
    updateButtons();
    if (m_live && !sameClass)
        m_live->setTarget(m_report.paper, m_report.className);
}

void ScoresDialog::autoRefresh()
{
    if (ui->Chk自动刷新->isChecked())
        refresh();
}

QList<int> ScoresDialog::questionOrder() const
{
    QList<int> numbers;
    for (const int j : m_questionOrder)
        numbers.append(j + 1);
    return numbers;
}

int ScoresDialog::selectedStudent() const
{
    const int position = ui->List1->currentRow();
    return position >= 0 && position < m_studentOrder.size() ? m_studentOrder.at(position) : -1;
}

QString ScoresDialog::selectedNumber() const
{
    const int row = selectedStudent();
    return row >= 0 && row < m_report.students.size() ? m_report.students.at(row).number : QString();
}

int ScoresDialog::selectedQuestion() const
{
    const int position = ui->List5->currentRow();
    return position >= 0 && position < m_questionOrder.size() ? m_questionOrder.at(position) + 1 : 0;
}

void ScoresDialog::sortStudents(StudentColumn column)
{
    sortStudentsKeeping(column, selectedNumber());
}

void ScoresDialog::sortStudentsKeeping(StudentColumn column, const QString &keepNumber)
{
    const int flag = scores::pressSortButton(m_studentFlags[column]);
    const QList<StudentRow> &rows = m_report.students;
    if (column == NameColumn || column == TimeColumn) {
        QStringList keys;
        keys.reserve(rows.size());
        for (const StudentRow &row : rows)
            keys.append(column == NameColumn ? row.firstName : row.timeLeft);
        m_studentOrder = scores::sortOrder(keys, flag);
    } else {
        QList<double> keys;
        keys.reserve(rows.size());
        for (const StudentRow &row : rows) {
            const QString &text = column == NumberColumn  ? row.number
                                  : column == ScoreColumn ? row.score
                                                          : row.rank;
            keys.append(numbers::leadingNumber(text));
        }
        m_studentOrder = scores::sortOrder(keys, flag);
    }
    fillStudentLists(keepNumber);
}

void ScoresDialog::fillStudentLists(const QString &keepNumber)
{
    const int scroll = ui->List2->verticalScrollBar()->value();
    int keep = -1;
    {
        const QSignalBlocker blockNames(ui->List1);
        const QSignalBlocker blockScores(ui->List2);
        ui->List1->clear();
        ui->List2->clear();
        QStringList names;
        QStringList scoreLines;
        names.reserve(m_studentOrder.size());
        scoreLines.reserve(m_studentOrder.size());
        for (qsizetype p = 0; p < m_studentOrder.size(); ++p) {
            const StudentRow &row = m_report.students.at(m_studentOrder.at(p));
            names.append(scores::nameLine(row.number, row.firstName, row.lastName));
            scoreLines.append(scores::scoreLine(row.score, row.rank, row.timeLeft));
            if (!keepNumber.isEmpty() && row.number == keepNumber)
                keep = int(p);
        }
        ui->List1->addItems(names);
        ui->List2->addItems(scoreLines);
        // Long names do not fit the ruled column: the whole name shows when pointed at. A
        // record that does not agree with itself or with the paper stands out in both lists.
        for (qsizetype p = 0; p < m_studentOrder.size(); ++p) {
            const StudentRow &row = m_report.students.at(m_studentOrder.at(p));
            const QString who = QStringList{row.number, row.firstName, row.lastName}.join(u' ').trimmed();
            ui->List1->item(int(p))->setToolTip(row.check.text.isEmpty() ? who : who + u'\n' + row.check.text);
            if (row.check.kind == scores::CheckKind::Agrees)
                continue;
            const QColor mark = checkColour(row.check.kind);
            for (QListWidget *list : {ui->List1, ui->List2}) {
                list->item(int(p))->setBackground(mark);
                list->item(int(p))->setForeground(QColor(Qt::black));
            }
            ui->List2->item(int(p))->setToolTip(row.check.text);
        }
        setCurrentRow(ui->List1, keep);
        setCurrentRow(ui->List2, keep);
    }
    if (keep >= 0)
        ui->List1->scrollToItem(ui->List1->item(keep));
    else
        ui->List2->verticalScrollBar()->setValue(scroll);
    fillAnswers();
    updateButtons();
}

void ScoresDialog::studentChosen(int position)
{
    // Either list chooses the line at the same position in the other.
    for (QListWidget *list : {ui->List1, ui->List2}) {
        if (list->currentRow() != position) {
            const QSignalBlocker block(list);
            list->setCurrentRow(position);
        }
    }
    fillAnswers();
    updateButtons();
}

void ScoresDialog::fillAnswers()
{
    const int scroll = ui->List5->verticalScrollBar()->value();
    ui->List6->clear();
    const int row = selectedStudent();
    if (row < 0)
        return;
    const QList<qint16> &answers = m_report.students.at(row).answers;
    QStringList lines;
    lines.reserve(m_questionOrder.size());
    for (const int j : std::as_const(m_questionOrder))
        lines.append(scores::answerLine(answers.value(j)));
    ui->List6->addItems(lines);
    ui->List6->verticalScrollBar()->setValue(scroll);
}

void ScoresDialog::fillStatistics()
{
    ui->Lst统计->clear();
    if (m_report.paper.isEmpty())
        return;
    ui->Lst统计->addItems(scores::statisticsEntries(m_report.totals));
}

void ScoresDialog::sortQuestions(QuestionColumn column)
{
    const int keep = selectedQuestion();
    const int flag = scores::pressSortButton(m_questionFlags[column]);
    QList<double> keys;
    keys.reserve(m_report.questions.size());
    for (const scores::QuestionStat &q : std::as_const(m_report.questions)) {
        keys.append(column == QuestionNumberColumn ? q.number : column == RateColumn ? q.rate : q.key);
    }
    m_questionOrder = scores::sortOrder(keys, flag);
    fillQuestionList(keep);
    fillAnswers();
}

void ScoresDialog::fillQuestionList(int keepQuestion)
{
    int keep = -1;
    {
        const QSignalBlocker block(ui->List5);
        ui->List5->clear();
        QStringList lines;
        lines.reserve(m_questionOrder.size());
        for (qsizetype p = 0; p < m_questionOrder.size(); ++p) {
            const scores::QuestionStat &q = m_report.questions.at(m_questionOrder.at(p));
            lines.append(scores::questionLine(q));
            if (q.number == keepQuestion)
                keep = int(p);
        }
        ui->List5->addItems(lines);
        setCurrentRow(ui->List5, keep);
    }
    if (keep >= 0) {
        ui->List5->scrollToItem(ui->List5->item(keep));
        showDistribution(keepQuestion);
    } else {
        showDistribution(0);
    }
}

void ScoresDialog::questionChosen(int position)
{
    showDistribution(position >= 0 && position < m_questionOrder.size() ? m_questionOrder.at(position) + 1
                                                                        : 0);
}

void ScoresDialog::showDistribution(int question)
{
    if (question < 1 || question > m_report.questionCount) {
        ui->Rich考题->clear();
        m_shownQuestionFile.clear();
        for (QLabel *label : m_distribution)
            label->clear();
        return;
    }
    // The text is loaded only when another file is asked for: a refresh keeps what is shown.
    const QString name = m_report.questionFiles.value(question - 1);
    const QString file = paper::rtfPath(m_report.paper, name);
    if (file.isEmpty() || file != m_shownQuestionFile) {
        if (file.isEmpty() || !ui->Rich考题->loadFile(file))
            ui->Rich考题->clear();
        m_shownQuestionFile = file;
    }
    QList<qint16> codes;
    codes.reserve(m_report.students.size());
    for (const StudentRow &row : std::as_const(m_report.students))
        codes.append(row.answers.value(question - 1));
    const std::array<int, 8> counts = scores::answerDistribution(codes);
    for (int d = 0; d < int(counts.size()); ++d)
        m_distribution[d]->setText(QString::number(counts[d]));
}

void ScoresDialog::updateButtons()
{
    const bool chosen = selectedStudent() >= 0;
    ui->Cmd删除成绩->setEnabled(chosen);
    ui->Cmd允许重考->setEnabled(chosen);
    ui->Cmd输出->setEnabled(m_exporter && !m_report.paper.isEmpty());
    ui->CmdCSV->setEnabled(!m_report.paper.isEmpty());
    ui->CmdLive->setEnabled(!m_report.paper.isEmpty());
    ui->CmdRegrade->setEnabled(!m_report.paper.isEmpty());
}

void ScoresDialog::exportCsv()
{
    if (!m_report.paper.isEmpty())
        csvexport::exportReport(this, m_report);
}

void ScoresDialog::deleteScore()
{
    const int row = selectedStudent();
    if (row < 0)
        return;
    // Copied: an automatic refresh may rebuild the table while the question is open.
    const StudentRow student = m_report.students.at(row);
    const record::Id id{m_report.paper, m_report.className, student.number};
    const QString name = (student.firstName + u' ' + student.lastName).trimmed();
    const QString who = name.isEmpty() ? student.number : QStringLiteral("%1 (%2)").arg(student.number, name);
    const QString question =
        QStringLiteral("Delete the score of student %1?\n\nThe student's answer record is "
                       "deleted with all answers. This cannot be undone.")
            .arg(who);
    if (prompt::ask(this, question, prompt::Buttons::YesNo, QString(), prompt::Answer::No) !=
        prompt::Answer::Yes)
        return;
    if (!record::remove(id)) {
        prompt::inform(this,
                       QStringLiteral("The answer record of student %1 could not be deleted:\n%2\nCheck that "
                                      "the folder can be written to, then try again.")
                           .arg(student.number, QDir::toNativeSeparators(record::path(id))));
    }
    refresh();
}

void ScoresDialog::allowRetest()
{
    const int row = selectedStudent();
    if (row < 0)
        return;
    const record::Id id{m_report.paper, m_report.className, m_report.students.at(row).number};
    if (!record::allowRetest(id)) {
        prompt::inform(this,
                       QStringLiteral("The answer record of student %1 could not be changed:\n%2\nCheck that "
                                      "the file can be written to, then try again.")
                           .arg(id.number, QDir::toNativeSeparators(record::path(id))));
    }
    refresh();
}

void ScoresDialog::openAnalysis()
{
    if (m_report.paper.isEmpty())
        return;
    // Window-modal and not exec(): the scores window's timer and the tests keep running.
    auto *window = new ItemAnalysisWindow(m_report, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->open();
}

void ScoresDialog::openLiveView()
{
    if (m_report.paper.isEmpty())
        return;
    if (!m_live) {
        m_live = new LiveView(this);
        m_live->setModal(false);
    }
    m_live->setTarget(m_report.paper, m_report.className);
    m_live->show();
    m_live->raise();
    m_live->activateWindow();
}

void ScoresDialog::openRegrade()
{
    if (m_report.paper.isEmpty())
        return;
    RegradeDialog dialog(m_report.paper, m_report.className, this);
    if (dialog.exec() == QDialog::Accepted)
        refresh();
}
