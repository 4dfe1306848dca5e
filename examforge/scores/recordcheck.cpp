#include "recordcheck.h"

#include "answerrecord.h"
#include "numbers.h"

#include <QRegularExpression>

namespace scores {
namespace {

// What a writer of scores leaves: the leading-number rule would read "85abc" as 85 unseen.
const QRegularExpression NumberForm(QStringLiteral("^[+-]?[0-9]+(\\.[0-9]+)?$"));

/// A score as the window shows it: integers without decimals.
QString shown(double value)
{
    return QString::number(value, 'g', 15);
}

} // namespace

Check checkRecord(const record::Result &r, const CheckRules &rules)
{
    Check check;
    if (r.timeLeft.trimmed().isEmpty())
        return check;
    QStringList findings;
    bool mismatch = false;
    bool keyChanged = false;
    const auto add = [&](const QString &text) {
        findings.append(text);
        mismatch = true;
    };

    const int n = int(rules.marking.questions.size());
    for (int j = 0; j < n && j < r.answers.size(); ++j) {
        if (!scoring::isChoiceCode(r.answers.at(j))) {
            add(QStringLiteral("The answer %1 to question %2 is no set of choices")
                    .arg(r.answers.at(j))
                    .arg(j + 1));
            break;
        }
    }

    const QString df = r.scoreText.trimmed();
    const double expected = scoring::exactScore(rules.marking, r.answers);
    if (df.isEmpty()) {
        add(QStringLiteral("The record is finished but holds no score (scored %1)").arg(shown(expected)));
    } else if (!NumberForm.match(df).hasMatch()) {
        add(QStringLiteral("The score \"%1\" is no number (scored %2)").arg(df, shown(expected)));
    } else {
        const double stored = numbers::leadingNumber(df);
        if (stored != double(numbers::toInt16(expected))) {
            if (!r.digest.isEmpty() && r.digest != rules.digest) {
                findings.append(QStringLiteral("The key changed after this record was scored: Regrade?"));
                keyChanged = true;
            } else {
                add(QStringLiteral("The score %1 does not match the answers (scored %2)")
                        .arg(shown(stored), shown(expected)));
            }
        }
    }

    // Records of older copies that finished before their first periodic save hold no order.
    if (!r.order.isEmpty()) {
        QList<bool> seen(n + 1, false);
        bool permutation = r.order.size() == n;
        for (const qint16 q : r.order) {
            if (q < 1 || q > n || seen[q]) {
                permutation = false;
                break;
            }
            seen[q] = true;
        }
        if (!permutation)
            add(QStringLiteral("The question order is no arrangement of questions 1 to %1").arg(n));
    }

    const std::optional<qint64> left = numbers::parseHhmmss(r.timeLeft);
    if (!left) {
        add(QStringLiteral("The time left \"%1\" is no time").arg(r.timeLeft.trimmed()));
    } else if (rules.limitSeconds > 0 && *left > rules.limitSeconds) {
        // A paper without a time limit has nothing to compare with.
        add(QStringLiteral("The time left %1 is more than the test time %2")
                .arg(numbers::hhmmss(*left), numbers::hhmmss(rules.limitSeconds)));
    }

    check.kind = mismatch ? CheckKind::Mismatch : keyChanged ? CheckKind::KeyChanged : CheckKind::Agrees;
    check.text = findings.join(u'\n');
    return check;
}

} // namespace scores
