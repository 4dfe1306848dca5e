#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <random>

namespace profile {
class Snapshot;
}

/// A paper (a test): the folder SHIJUAN/<paper> under the data root, holding the paper file
/// <paper>.cho (settings in section MAIN, one section per question) and two RTF files per
/// question, named by random numbers.
namespace paper {

inline const QString MainSection = QStringLiteral("MAIN");

// Keys of section MAIN.
inline const QString TestTimeKey = QStringLiteral("TESTTIME");
inline const QString FullMarkKey = QStringLiteral("full_mark");
inline const QString ExerciseModeKey = QStringLiteral("EXERCISEMODE");
inline const QString RetestPasswordKey = QStringLiteral("RETESTPASSWD");
inline const QString ReloginPasswordKey = QStringLiteral("RELOGINPASSWD");
inline const QString DisplayScoreKey = QStringLiteral("DISPLAY_SCORE");
inline const QString ChangeQuestionSortKey = QStringLiteral("CHANGE_QUESTION_SORT");
inline const QString AGradeKey = QStringLiteral("A_grade");
inline const QString BGradeKey = QStringLiteral("B_grade");
inline const QString CGradeKey = QStringLiteral("C_grade");
inline const QString DGradeKey = QStringLiteral("D_grade");
inline const QString QuestionCountKey = QStringLiteral("Question_conut"); // spelled so in every paper file
inline const QString AuthorKey = QStringLiteral("Author");
inline const QString MarkKey = QStringLiteral("Mark");
inline const QString AboutTestKey = QStringLiteral("about_test");

// Keys of a question section.
inline const QString QuestionKey = QStringLiteral("QUESTION");
inline const QString ExplainKey = QStringLiteral("explain");
inline const QString AnswerKey = QStringLiteral("ANSWER");
inline const QString QuestionMarkKey = QStringLiteral("mark");
inline const QString VoidKey = QStringLiteral("VOID"); ///< "1": the question is void

/// The default retest and relogin passwords of a new paper.
inline const QString DefaultRetestPassword = QStringLiteral("827");
inline const QString DefaultReloginPassword = QStringLiteral("358");

/// The twelve settings that paper management owns, in the order it writes them.
QStringList managementKeys();

/// One question's record: file names (no folder), answer key ("13" = choices 1 and 3, empty
/// = none) and own mark (empty = the paper's default mark).
struct Question
{
    QString questionFile;
    QString explainFile;
    QString answer;
    QString mark;
    bool isVoid = false; ///< counts for everyone alike, as the paper's void rule says

    bool operator==(const Question &) const = default;
};

/// The questions of one paper in paper order, with the paper-wide values that go with them.
/// questions[i - 1] is question i.
struct QuestionTable
{
    qint16 defaultMark = 0;
    qint16 fullScore = 0;
    QList<Question> questions;

    qint16 count() const { return qint16(questions.size()); }
};

/// The paper's folder, file, and the path of one of its RTF files (letter case of what is on
/// disk is followed). A file name that is no plain name inside the folder (empty, "..", or
/// holding a separator, as a damaged or hostile paper file may have it) gives an empty path,
/// so nothing outside the paper folder is ever read.
QString folder(const QString &paperName);
QString file(const QString &paperName);
QString rtfPath(const QString &paperName, const QString &fileName);

/// Fills table from a paper file: the count from Question_conut, the default mark from Mark,
/// and sections 1..count (values trimmed). With a count of 0 or less no section is read and
/// the table holds no question. A missing file reads as an empty paper.
void loadQuestions(const QString &paperFilePath, QuestionTable &table);
/// The same from a paper file already read, for callers that read its settings too.
void loadQuestions(const profile::Snapshot &paperFile, QuestionTable &table);

/// Writes Question_conut, full_mark and Mark (in the " 12" form), then each question's
/// section, as one batch. VOID is written for a void question, and for any question whose
/// section held it already, so that a paper without void questions keeps its old form. The caller sets fullScore first. Returns false when the file could
/// not be written.
bool saveQuestions(const QString &paperFilePath, const QuestionTable &table);

/// What a question is worth: its own mark's leading number, or the default mark when its own
/// mark is empty.
double effectiveMark(const Question &question, qint16 defaultMark);

/// The sum of the effective marks (an empty mark counts as the default mark, any other as its
/// leading number), rounded to an integer, halves to even, after each addition. Not clamped:
/// the caller checks numbers::fitsInt16() before storing it.
double fullScoreExact(const QList<Question> &questions, qint16 defaultMark);

/// The grade of a score: 'A' when score >= a, else 'B' when >= b, 'C' when >= c, 'D' when
/// >= d, else 'F'.
char grade(double score, qint16 a, qint16 b, qint16 c, qint16 d);

/// A file name "<n>.<extension>" with n from 1 to 100000000 that does not exist in folder
/// (in any letter case) and is none of alsoTaken (names drawn but not yet written). Uses the
/// process's one random generator.
QString newRtfName(const QString &folder, const QString &extension = QStringLiteral("RTF"),
                   const QStringList &alsoTaken = {});

/// count names as newRtfName() draws them, all different, for adding many questions at once
/// (the folder is listed once, not once per name).
QStringList newRtfNames(const QString &folder, int count, const QString &extension = QStringLiteral("RTF"));

/// The process's random generator, seeded once from the system and the clock.
std::mt19937 &randomGenerator();

} // namespace paper
