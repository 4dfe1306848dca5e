#include "examrules.h"

#include "numbers.h"

#include <cmath>
#include <utility>

namespace examdesk {

QList<qint16> paperOrder(int questionCount)
{
    QList<qint16> order;
    order.reserve(qMax(0, questionCount));
    for (int k = 1; k <= questionCount; ++k)
        order.append(qint16(k));
    return order;
}

QList<qint16> shuffledOrder(int questionCount, std::mt19937 &generator)
{
    QList<qint16> order = paperOrder(questionCount);
    if (order.isEmpty())
        return order;
    std::uniform_int_distribution<qsizetype> partner(0, order.size() - 1);
    for (qsizetype i = 0; i < order.size(); ++i)
        std::swap(order[i], order[partner(generator)]);
    return order;
}

QList<qint16> newAttemptOrder(int questionCount, qint16 changeQuestionSort, std::mt19937 &generator)
{
    return changeQuestionSort == 1 ? shuffledOrder(questionCount, generator) : paperOrder(questionCount);
}

std::optional<qint16> answerCode(Choices choices)
{
    int code = 0;
    for (int c = 1; c <= 7; ++c) {
        if (choices & (1u << (c - 1))) {
            code = code * 10 + c;
            if (code > 32767)
                return std::nullopt;
        }
    }
    return qint16(code);
}

Choices choicesOf(qint16 code)
{
    Choices choices = 0;
    const QString digits = QString::number(code);
    for (int c = 1; c <= 7; ++c) {
        if (digits.contains(QChar(u'0' + c)))
            choices |= 1u << (c - 1);
    }
    return choices;
}

bool answerMatches(const QString &key, qint16 answerCode)
{
    return numbers::leadingNumber(key) == double(answerCode);
}

qint16 score(const QList<paper::Question> &questions, const QList<qint16> &answers, qint16 defaultMark,
             const QList<bool> &voided, scoring::VoidRule rule)
{
    // One rule for both programs: the teacher's checks and regrade score the same way.
    return scoring::score({questions, voided, defaultMark, rule}, answers);
}

int selectorValueFor(int value, int position)
{
    while (position - value > SelectorButtons)
        value += SelectorStep;
    while (value > 0 && value >= position)
        value -= SelectorStep;
    return qMax(0, value);
}

int selectorMaximum(int questionCount)
{
    return qMax(0, questionCount) / SelectorStep * SelectorStep;
}

qint64 testSeconds(qint16 minutes)
{
    return qMax<qint64>(0, qint64(minutes) * 60);
}

qint64 limitSeconds(qint16 minutes, const catalogue::ExtraTime &extra)
{
    return catalogue::ownLimitSeconds(minutes, extra);
}

QString finishMessage(bool displayScore, qint16 fullMark, qint16 mark, bool saved)
{
    QString text;
    if (displayScore) {
        text = QStringLiteral("        The test full mark is:") + numbers::signBlank(qint64(fullMark)) +
               QStringLiteral("\n        Your test mark is:") + numbers::signBlank(qint64(mark)) +
               QStringLiteral("          \n");
    }
    if (!saved) {
        return text + QStringLiteral("        Your test mark is NOT saved!\n"
                                     "        Please tell your teacher at once.");
    }
    if (displayScore)
        return text + QStringLiteral("            Good Bye!");
    return QStringLiteral("        Your test mark is saved.          \n"
                          "       Thank you very much! Good Bye!         ");
}

} // namespace examdesk
