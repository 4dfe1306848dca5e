#pragma once

#include "itemanalysis.h"
#include "scorereport.h"

#include <QDialog>

#include <memory>

class AnalysisChart;
class QLabel;
class QStandardItemModel;

namespace Ui {
class ItemAnalysis;
}

/// "Item analysis": for the paper and class of a scores refresh, how good each question was
/// (facility, discrimination, corrected point-biserial, the answers of the top and bottom
/// groups, flags with their reasons) and how the whole test did (figures of the scores,
/// reliability), with a histogram of the scores and a plot of discrimination against
/// facility that can be saved as pictures. Reads nothing but the chosen question's text.
class ItemAnalysisWindow final : public QDialog
{
    Q_OBJECT

public:
    /// Analyses report, the students with a score only.
    explicit ItemAnalysisWindow(const scores::Report &report, QWidget *parent = nullptr);
    ~ItemAnalysisWindow() override;

    const itemanalysis::Analysis &analysis() const { return m_analysis; }

    /// The question whose answers and text are shown (1-based), 0 when none.
    int shownQuestion() const { return m_shownQuestion; }

    /// Size of the saved pictures.
    static QSize pictureSize() { return {1000, 640}; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void fillSummary();
    void fillItems();
    void showQuestion(int number);
    void savePicture(const AnalysisChart *chart, const QString &what);
    QLabel *figure(int row, int column, const QString &caption, const QString &name, const QString &tip);

    std::unique_ptr<Ui::ItemAnalysis> ui;
    scores::Report m_report;
    itemanalysis::Analysis m_analysis;
    QStandardItemModel *m_items;
    int m_shownQuestion = 0;
};
