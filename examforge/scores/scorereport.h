#pragma once

#include "recordcheck.h"
#include "scorecalc.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace scores {

/// One student number of the class, with what the student's answer record holds.
struct StudentRow
{
    QString number; ///< decimal text
    QString firstName;
    QString lastName;
    QString score; ///< as shown, empty when the student has no score
    std::optional<double> scoreValue;
    QString timeLeft;      ///< remaining time at the finish, empty while not finished
    QString rank;          ///< decimal text; students without a score rank with 0 points
    QList<qint16> answers; ///< answer codes of questions 1..questionCount, 0 = not answered
    Check check;           ///< whether the finished record agrees with itself and the paper
    QString extraTime;     ///< the student's extra time as shown ("x1.5 +10 min"), empty for none
};

/// Everything one refresh gathers for a paper and a class: what the window shows and what an
/// export writes.
struct Report
{
    QString paper;
    QString className;
    qint16 classCount = 0; ///< the class's number of students as the catalogue holds it
    qint16 firstNumber = 0;
    qint16 lastNumber = 0;
    int questionCount = 0;
    Thresholds thresholds;
    QList<StudentRow> students; ///< one per number firstNumber..lastNumber, in that order
    Totals totals;
    QList<QuestionStat> questions; ///< in question number order
    QStringList questionFiles;     ///< the RTF file name of each question, as the paper names it
    QList<double> marks;           ///< what each question earns: its own mark, or the paper's Mark
};

/// Reads a report afresh: the class's numbers from the catalogue, the paper file once, and
/// each student's answer record once. Missing files and keys read as their defaults (no
/// name, no score, answer codes 0); a class whose last number is below its first has no rows.
Report loadReport(const QString &paper, const QString &className);

} // namespace scores
