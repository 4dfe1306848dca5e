#pragma once

#include "paperfile.h"

#include <QList>
#include <QString>

namespace profile {
class Snapshot;
}

/// What a score is computed from, shared by the finish in Examdesk and the checks and regrade
/// in Examforge, so that both programs score alike and can tell whether they scored with the
/// same keys and marks.
namespace scoring {

/// Key of a question section: "1" makes the question void.
inline const QString &VoidKey = paper::VoidKey;
/// Key of section MAIN: how void questions count. "1" drops them out of the full mark; any
/// other value (or none) counts them as answered right for every student.
inline const QString VoidRuleKey = QStringLiteral("VOID_RULE");

/// Record key suffixes written beside DF: the digest of the keys and marks that scored the
/// record, and the score a regrade replaced.
inline const QString DigestSuffix = QStringLiteral("DFKEY");
inline const QString OldScoreSuffix = QStringLiteral("DFOLD");

enum class VoidRule
{
    CountAsRight, ///< every student gets the question's mark
    DropOut       ///< nobody gets it, and it leaves the full mark
};

/// The keys and marks of a paper as the scoring sees them.
struct Marking
{
    QList<paper::Question> questions; ///< questions[i - 1] is question i
    QList<bool> voided;               ///< voided[i - 1] for question i; missing entries are not void
    qint16 defaultMark = 0;
    VoidRule rule = VoidRule::CountAsRight;

    bool isVoid(qsizetype index) const { return index < voided.size() && voided.at(index); }
    bool anyVoid() const { return voided.contains(true); }
};

/// Reads the questions, the default mark, the void flags and the void rule of a paper file
/// already read. A missing file gives an empty marking.
Marking marking(const profile::Snapshot &paperFile);

/// The score of answer codes (answers[i - 1] for question i; a missing code is unanswered): a
/// question scores when its key read as a number equals the code, and adds its own mark, or
/// the default mark when its mark is empty; the sum is rounded to an integer, halves to even,
/// after each addition. Void questions count as the rule says. Not clamped.
double exactScore(const Marking &marking, const QList<qint16> &answers);

/// exactScore() clamped to 16 bits, as the record stores it.
qint16 score(const Marking &marking, const QList<qint16> &answers);

/// The full mark with void questions as the rule says, rounded after each addition.
double fullMark(const Marking &marking);

/// Whether question index (0-based) scores for the code under the marking.
bool questionScores(const Marking &marking, qsizetype index, qint16 code);

/// A short text (8 hex digits) that changes whenever a key, a mark, the default mark, a void
/// flag or the void rule changes in a way that can change a score. Keys and marks count by
/// their numeric value, as the scoring reads them.
QString digest(const Marking &marking);

/// True when the code is one the exam window can form: 0, or digits 1..7 strictly ascending.
bool isChoiceCode(qint16 code);

} // namespace scoring
