#include "scorereport.h"

#include "answerrecord.h"
#include "catalogue.h"
#include "paperfile.h"
#include "profile.h"

namespace scores {

Report loadReport(const QString &paperName, const QString &className)
{
    Report report;
    report.paper = paperName.trimmed();
    report.className = className.trimmed();

    const catalogue::ClassRecord cls = catalogue::loadClass(report.className);
    report.classCount = cls.count;
    report.firstNumber = cls.first;
    report.lastNumber = cls.last;

    // The paper file is read once for the settings and every question.
    const profile::Snapshot paperFile(paper::file(report.paper));
    report.questionCount = qMax(0, int(paperFile.number(paper::MainSection, paper::QuestionCountKey)));
    report.thresholds.a = paperFile.number(paper::MainSection, paper::AGradeKey);
    report.thresholds.b = paperFile.number(paper::MainSection, paper::BGradeKey);
    report.thresholds.c = paperFile.number(paper::MainSection, paper::CGradeKey);
    report.thresholds.d = paperFile.number(paper::MainSection, paper::DGradeKey);
    const qint16 defaultMark = paperFile.number(paper::MainSection, paper::MarkKey);
    CheckRules rules;
    rules.marking = scoring::marking(paperFile);
    rules.digest = scoring::digest(rules.marking);
    const qint16 testMinutes = paperFile.number(paper::MainSection, paper::TestTimeKey);
    const QMap<int, catalogue::ExtraTime> extra = catalogue::extraTimes(report.className, cls.first, cls.last);
    QList<qint16> keys;
    keys.reserve(report.questionCount);
    for (int j = 1; j <= report.questionCount; ++j) {
        const QString section = QString::number(j);
        keys.append(paperFile.number(section, paper::AnswerKey, QString()));
        report.questionFiles.append(paperFile.value(section, paper::QuestionKey).trimmed());
        paper::Question question;
        question.mark = paperFile.value(section, paper::QuestionMarkKey);
        report.marks.append(paper::effectiveMark(question, defaultMark));
    }

    QStringList numbers;
    for (int number = cls.first; number <= cls.last; ++number)
        numbers.append(QString::number(number));
    const QList<record::Result> results =
        record::readResults(report.paper, report.className, numbers, report.questionCount);

    QList<std::optional<double>> scores;
    QList<double> rankKeys;
    QList<QList<qint16>> answers;
    report.students.reserve(numbers.size());
    for (qsizetype i = 0; i < numbers.size(); ++i) {
        const record::Result &r = results.at(i);
        StudentRow row;
        row.number = numbers.at(i);
        row.firstName = r.firstName;
        row.lastName = r.lastName;
        row.scoreValue = r.score;
        if (r.score)
            row.score = scoreText(*r.score);
        row.timeLeft = r.timeLeft;
        row.answers = r.answers;
        // The time left is checked against the student's own limit, as Examdesk set it.
        const catalogue::ExtraTime e = extra.value(cls.first + int(i));
        rules.limitSeconds = catalogue::ownLimitSeconds(testMinutes, e);
        row.extraTime = catalogue::extraTimeText(e);
        row.check = checkRecord(r, rules);
        scores.append(r.score);
        rankKeys.append(r.score.value_or(0));
        answers.append(r.answers);
        report.students.append(row);
    }

    report.totals = tally(scores, report.thresholds);
    const QList<int> rank = ranks(rankKeys);
    for (qsizetype i = 0; i < report.students.size(); ++i)
        report.students[i].rank = QString::number(rank.at(i));
    report.questions = questionStatistics(keys, answers, report.totals.scored);
    return report;
}

} // namespace scores
