#pragma once

#include "catalogue.h"
#include "paperfile.h"
#include "scoring.h"

#include <QList>
#include <QString>

#include <optional>
#include <random>

/// The rules of one attempt that need no window: question order, answer codes, scoring, the
/// selector's scrolling and the texts shown at the finish.
namespace examdesk {

/// Positions 1..n in paper order: order[k - 1] = k.
QList<qint16> paperOrder(int questionCount);

/// A random order of 1..n: for each position in turn, swap it with a position drawn from the
/// whole range. Always a permutation.
QList<qint16> shuffledOrder(int questionCount, std::mt19937 &generator);

/// The order of a new attempt: shuffled when the paper's CHANGE_QUESTION_SORT flag is 1 (a
/// missing flag reads as 1), paper order otherwise.
QList<qint16> newAttemptOrder(int questionCount, qint16 changeQuestionSort, std::mt19937 &generator);

/// Choices as a bit set: bit c - 1 stands for choice c (1..7).
using Choices = unsigned;

/// The answer code of a set of choices: their digits in ascending order as one decimal number
/// (choices 1 and 3 give 13, none gives 0). Nothing when the code would not fit 16 bits (six
/// or seven choices, or 3, 4, 5, 6 and 7 together).
std::optional<qint16> answerCode(Choices choices);

/// The choices a stored code stands for: choice c when the code's decimal text holds digit c.
Choices choicesOf(qint16 code);

/// True when the key, read as a decimal number, equals the answer code. Exact: all choices of
/// the key and nothing else, and an empty or 0 key matches an unanswered question.
bool answerMatches(const QString &key, qint16 answerCode);

/// The score of an attempt: for each question (paper numbering) whose key matches its answer
/// code, its own mark, or defaultMark when its mark is empty; the sum is rounded to an integer,
/// halves to even, after each addition, and clamped to 16 bits. answers[i - 1] belongs to
/// question i; a missing code counts as unanswered. Void questions (voided[i - 1]) count as the
/// rule says: right for everyone, or for nobody.
qint16 score(const QList<paper::Question> &questions, const QList<qint16> &answers, qint16 defaultMark,
             const QList<bool> &voided = {}, scoring::VoidRule rule = scoring::VoidRule::CountAsRight);

/// Number of selector buttons and the step of its scroll bar.
inline constexpr int SelectorButtons = 20;
inline constexpr int SelectorStep = 10;

/// The selector's scroll value after a move to position (1-based): stepped by 10 until the
/// position's button is among the 20 shown.
int selectorValueFor(int value, int position);

/// The selector's scroll bar maximum for a paper of n questions.
int selectorMaximum(int questionCount);

/// The whole test time in seconds (no 16-bit limit); a negative time counts as 0.
qint64 testSeconds(qint16 minutes);

/// A student's own limit: the test time with the student's extra time. Extra time never takes
/// a limit beyond what the countdown holds (the teacher is told when entering it).
qint64 limitSeconds(qint16 minutes, const catalogue::ExtraTime &extra);

/// The message at the finish. With the score displayed it shows the full mark and the mark;
/// otherwise it says the mark is saved. When the record could not be written it never claims
/// a saved mark.
QString finishMessage(bool displayScore, qint16 fullMark, qint16 mark, bool saved);

} // namespace examdesk
