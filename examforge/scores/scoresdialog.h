#pragma once

#include "scorereport.h"

#include <QDialog>

#include <array>
#include <functional>
#include <memory>

class QLabel;
class QListWidget;
class QTimer;
class FixedRowDelegate;
class LiveView;

namespace Ui {
class 考务成绩;
}

/// The scores window ("View Scores"): for one test and one class, every student number with
/// name, score, rank and time left, sortable by each column; the class statistics; per
/// question the share of correct answers, the key and how the answers spread. Everything is
/// read afresh at each refresh (on opening, on choosing another test or class, on "Refresh"
/// and every 30 seconds while "Auto" is ticked). The window changes nothing but single
/// records: "Delete score" removes one, "Allow retest" reopens one.
class ScoresDialog final : public QDialog
{
    Q_OBJECT

public:
    /// Writes a report somewhere for the teacher (the spreadsheet export).
    using Exporter = std::function<void(QWidget *parent, const scores::Report &report)>;

    explicit ScoresDialog(QWidget *parent = nullptr);
    ~ScoresDialog() override;

    /// Lets "Export to Excel" hand the last refresh's report to exporter. Without one the
    /// button stays disabled.
    void setExporter(Exporter exporter);

    /// Fills the test and class lists from the catalogue, chooses the first of each and
    /// refreshes. Without any test or class it says so and closes the window. Returns false
    /// then.
    bool load();

    /// Reads the chosen test and class again and rebuilds every list.
    void refresh();

    /// What the timer runs every 30 seconds: a refresh while "Auto" is ticked.
    void autoRefresh();

    /// What the last refresh gathered: students in number order, totals, questions in number
    /// order, answer codes.
    const scores::Report &report() const { return m_report; }

    /// Rows of report().students in the order the student lists show them.
    const QList<int> &studentOrder() const { return m_studentOrder; }
    /// Question numbers (1-based) in the order the question list shows them.
    QList<int> questionOrder() const;

    /// The student chosen in the lists (index into report().students), -1 when none.
    int selectedStudent() const;

    /// The "Testing now" window, once "Now testing" has opened it; nullptr before.
    LiveView *liveView() const { return m_live; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    enum StudentColumn
    {
        NumberColumn,
        NameColumn,
        ScoreColumn,
        RankColumn,
        TimeColumn,
        StudentColumnCount
    };
    enum QuestionColumn
    {
        QuestionNumberColumn,
        RateColumn,
        KeyColumn,
        QuestionColumnCount
    };

    /// A sort button's press: keeps the chosen student chosen.
    void sortStudents(StudentColumn column);
    void sortStudentsKeeping(StudentColumn column, const QString &keepNumber);
    void sortQuestions(QuestionColumn column);
    void fillStudentLists(const QString &keepNumber);
    void fillQuestionList(int keepQuestion);
    void fillStatistics();
    void studentChosen(int position);
    void questionChosen(int position);
    void fillAnswers();
    void showDistribution(int question);
    void deleteScore();
    void allowRetest();
    void openAnalysis();
    /// "Export CSV...": the last refresh as a CSV file.
    void exportCsv();
    void openLiveView();
    void openRegrade();
    void updateButtons();
    QString selectedNumber() const;
    int selectedQuestion() const;

    std::unique_ptr<Ui::考务成绩> ui;
    FixedRowDelegate *m_rows;
    QTimer *m_timer;
    std::array<QLabel *, 8> m_distribution{}; ///< [d]: codes holding digit d; [0] the unanswered
    scores::Report m_report;
    QList<int> m_studentOrder;
    QList<int> m_questionOrder; ///< 0-based question indexes
    std::array<int, StudentColumnCount> m_studentFlags{};
    std::array<int, QuestionColumnCount> m_questionFlags{};
    QString m_shownQuestionFile; ///< the RTF file in the question box, empty when none
    Exporter m_exporter;
    LiveView *m_live = nullptr; ///< made on first use, kept while this window lives
};
