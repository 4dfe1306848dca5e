#include "paperfile.h"

#include "numbers.h"
#include "paths.h"
#include "profile.h"

#include <QDateTime>
#include <QDir>
#include <QSet>
#include <QFileInfo>

#include <cmath>

namespace paper {

QStringList managementKeys()
{
    return {TestTimeKey,  ExerciseModeKey, RetestPasswordKey, ReloginPasswordKey,
            DisplayScoreKey, ChangeQuestionSortKey, AGradeKey, BGradeKey,
            CGradeKey,    DGradeKey,       AuthorKey,         AboutTestKey};
}

QString folder(const QString &paperName)
{
    return paths::paperFolder(paperName);
}

QString file(const QString &paperName)
{
    return paths::paperFile(paperName);
}

QString rtfPath(const QString &paperName, const QString &fileName)
{
    return paths::resolve(folder(paperName), {fileName.trimmed()});
}

void loadQuestions(const QString &paperFilePath, QuestionTable &table)
{
    loadQuestions(profile::Snapshot(paperFilePath), table);
}

void loadQuestions(const profile::Snapshot &s, QuestionTable &table)
{
    const qint16 count = s.number(MainSection, QuestionCountKey, QStringLiteral("0"));
    table.defaultMark = s.number(MainSection, MarkKey, QStringLiteral("0"));
    if (count <= 0) {
        table.questions.clear();
        return;
    }
    QList<Question> questions;
    questions.reserve(count);
    for (int i = 1; i <= count; ++i) {
        const QString section = QString::number(i);
        questions.append({s.value(section, QuestionKey).trimmed(), s.value(section, ExplainKey).trimmed(),
                          s.value(section, AnswerKey).trimmed(), s.value(section, QuestionMarkKey).trimmed(),
                          s.number(section, VoidKey) == 1});
    }
    table.questions = std::move(questions);
}

bool saveQuestions(const QString &paperFilePath, const QuestionTable &table)
{
    const profile::Snapshot before(paperFilePath);
    profile::Batch batch(paperFilePath);
    batch.write(MainSection, QuestionCountKey, numbers::signBlank(qint64(table.count())));
    batch.write(MainSection, FullMarkKey, numbers::signBlank(qint64(table.fullScore)));
    batch.write(MainSection, MarkKey, numbers::signBlank(qint64(table.defaultMark)));
    for (qsizetype i = 0; i < table.questions.size(); ++i) {
        const Question &q = table.questions.at(i);
        const QString section = QString::number(i + 1);
        batch.write(section, QuestionKey, q.questionFile);
        batch.write(section, ExplainKey, q.explainFile);
        batch.write(section, QStringLiteral("answer"), q.answer);
        batch.write(section, QuestionMarkKey, q.mark);
        if (q.isVoid || before.contains(section, VoidKey))
            batch.write(section, VoidKey, q.isVoid ? QStringLiteral("1") : QStringLiteral("0"));
    }
    return batch.commit();
}

double effectiveMark(const Question &question, qint16 defaultMark)
{
    const QString mark = question.mark.trimmed();
    return mark.isEmpty() ? double(defaultMark) : numbers::leadingNumber(mark);
}

double fullScoreExact(const QList<Question> &questions, qint16 defaultMark)
{
    double total = 0;
    for (const Question &q : questions)
        total = std::nearbyint(total + effectiveMark(q, defaultMark));
    return total;
}

char grade(double score, qint16 a, qint16 b, qint16 c, qint16 d)
{
    if (score >= a)
        return 'A';
    if (score >= b)
        return 'B';
    if (score >= c)
        return 'C';
    if (score >= d)
        return 'D';
    return 'F';
}

std::mt19937 &randomGenerator()
{
    static std::mt19937 generator = [] {
        std::random_device device;
        std::seed_seq seed{device(), device(), unsigned(QDateTime::currentMSecsSinceEpoch()),
                           unsigned(QDateTime::currentMSecsSinceEpoch() >> 32)};
        return std::mt19937(seed);
    }();
    return generator;
}

QString newRtfName(const QString &folder, const QString &extension, const QStringList &alsoTaken)
{
    const QString ext = extension.trimmed();
    const QStringList taken =
        QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot) + alsoTaken;
    std::uniform_int_distribution<int> draw(1, 100000000);
    for (;;) {
        const QString name = QString::number(draw(randomGenerator())) + u'.' + ext;
        bool used = false;
        for (const QString &t : taken) {
            if (t.compare(name, Qt::CaseInsensitive) == 0) {
                used = true;
                break;
            }
        }
        if (!used && !QFileInfo::exists(paths::join(folder, name)))
            return name;
    }
}

QStringList newRtfNames(const QString &folder, int count, const QString &extension)
{
    const QString ext = extension.trimmed();
    QSet<QString> taken;
    for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot))
        taken.insert(name.toLower());
    std::uniform_int_distribution<int> draw(1, 100000000);
    QStringList names;
    names.reserve(count);
    while (names.size() < count) {
        const QString name = QString::number(draw(randomGenerator())) + u'.' + ext;
        if (taken.contains(name.toLower()) || QFileInfo::exists(paths::join(folder, name)))
            continue;
        taken.insert(name.toLower());
        names.append(name);
    }
    return names;
}

} // namespace paper
