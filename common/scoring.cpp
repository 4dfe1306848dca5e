#include "scoring.h"

#include "numbers.h"
#include "profile.h"

#include <QCryptographicHash>

#include <cmath>

namespace scoring {

Marking marking(const profile::Snapshot &paperFile)
{
    Marking m;
    paper::QuestionTable table;
    paper::loadQuestions(paperFile, table);
    m.questions = table.questions;
    m.defaultMark = table.defaultMark;
    m.voided.reserve(m.questions.size());
    for (qsizetype i = 0; i < m.questions.size(); ++i)
        m.voided.append(m.questions.at(i).isVoid);
    m.rule =
        paperFile.number(paper::MainSection, VoidRuleKey) == 1 ? VoidRule::DropOut : VoidRule::CountAsRight;
    return m;
}

bool questionScores(const Marking &m, qsizetype index, qint16 code)
{
    if (m.isVoid(index))
        return m.rule == VoidRule::CountAsRight;
    return numbers::leadingNumber(m.questions.at(index).answer) == double(code);
}

double exactScore(const Marking &m, const QList<qint16> &answers)
{
    double total = 0;
    for (qsizetype i = 0; i < m.questions.size(); ++i) {
        const qint16 code = i < answers.size() ? answers.at(i) : qint16(0);
        if (questionScores(m, i, code))
            total = std::nearbyint(total + paper::effectiveMark(m.questions.at(i), m.defaultMark));
    }
    return total;
}

qint16 score(const Marking &m, const QList<qint16> &answers)
{
    return numbers::toInt16(exactScore(m, answers));
}

double fullMark(const Marking &m)
{
    double total = 0;
    for (qsizetype i = 0; i < m.questions.size(); ++i) {
        if (m.isVoid(i) && m.rule == VoidRule::DropOut)
            continue;
        total = std::nearbyint(total + paper::effectiveMark(m.questions.at(i), m.defaultMark));
    }
    return total;
}

QString digest(const Marking &m)
{
    // Only what the scoring reads goes in: the key's and the mark's numbers, not their spelling.
    QByteArray text = QByteArray::number(m.questions.size());
    for (qsizetype i = 0; i < m.questions.size(); ++i) {
        const paper::Question &q = m.questions.at(i);
        text += ';';
        if (m.isVoid(i)) {
            text += m.rule == VoidRule::DropOut ? "void-out" : "void-right";
        } else {
            text += QByteArray::number(numbers::leadingNumber(q.answer), 'g', 17);
        }
        text += ':';
        text += QByteArray::number(paper::effectiveMark(q, m.defaultMark), 'g', 17);
    }
    return QString::fromLatin1(QCryptographicHash::hash(text, QCryptographicHash::Sha1).toHex().left(8));
}

bool isChoiceCode(qint16 code)
{
    if (code == 0)
        return true;
    if (code < 0)
        return false;
    int last = 8;
    for (int value = code; value > 0; value /= 10) {
        const int digit = value % 10;
        if (digit < 1 || digit >= last)
            return false;
        last = digit;
    }
    return true;
}

} // namespace scoring
