#include "regrade.h"

#include "answerrecord.h"
#include "catalogue.h"
#include "files.h"
#include "numbers.h"
#include "paperfile.h"
#include "paths.h"
#include "profile.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSysInfo>

#include <algorithm>

namespace regrade {
namespace {

QString keysFile(const QString &paper)
{
    const QString folder = paths::scoreFolder(paper);
    return folder.isEmpty() ? QString() : paths::join(folder, KeysName);
}

/// The marking the last regrade kept under the digest it had, if it is the one asked for.
std::optional<scoring::Marking> keptMarking(const QString &paper, const QString &digest)
{
    const QString file = keysFile(paper);
    if (digest.isEmpty() || file.isEmpty())
        return std::nullopt;
    const profile::Snapshot kept(file);
    if (kept.value(paper::MainSection, scoring::DigestSuffix) != digest)
        return std::nullopt;
    return scoring::marking(kept);
}

QString questionList(const QList<int> &questions)
{
    QStringList texts;
    for (const int q : questions)
        texts.append(QString::number(q));
    return texts.join(QStringLiteral(", "));
}

} // namespace

int Preview::changedCount() const
{
    return int(std::count_if(lines.cbegin(), lines.cend(), [](const Line &l) { return l.changed(); }));
}

Preview preview(const QString &paperName, const QString &className, scoring::VoidRule rule)
{
    Preview p;
    p.paper = paperName.trimmed();
    p.className = className.trimmed();
    p.marking = scoring::marking(profile::Snapshot(paper::file(p.paper)));
    p.marking.rule = rule;
    p.digest = scoring::digest(p.marking);
    p.noKeys = std::none_of(p.marking.questions.cbegin(), p.marking.questions.cend(),
                            [](const paper::Question &q) { return numbers::leadingNumber(q.answer) != 0; });

    const catalogue::ClassRecord cls = catalogue::loadClass(p.className);
    QStringList numbers;
    for (int number = cls.first; number <= cls.last; ++number)
        numbers.append(QString::number(number));
    const int n = int(p.marking.questions.size());
    const QList<record::Result> results = record::readResults(p.paper, p.className, numbers, n, false);

    // Older markings are read once each, by digest.
    QHash<QString, std::optional<scoring::Marking>> earlier;
    QList<Line> testing;
    for (qsizetype i = 0; i < results.size(); ++i) {
        const record::Result &r = results.at(i);
        Line line;
        line.number = numbers.at(i);
        line.name = (r.firstName + u' ' + r.lastName).trimmed();
        if (r.timeLeft.trimmed().isEmpty()) {
            if (r.started) {
                line.stillTesting = true;
                testing.append(line);
                ++p.stillTesting;
            }
            continue;
        }
        ++p.finished;
        line.oldText = r.scoreText.trimmed();
        if (!line.oldText.isEmpty() && numbers::leadingNumber(line.oldText) >= 0)
            line.oldScore = numbers::leadingNumber(line.oldText);
        line.newScore = scoring::score(p.marking, r.answers);
        line.difference = double(line.newScore) - line.oldScore.value_or(0);
        if (!line.changed())
            continue;
        if (!earlier.contains(r.digest))
            earlier.insert(r.digest, keptMarking(p.paper, r.digest));
        const std::optional<scoring::Marking> &before = earlier.value(r.digest);
        // Which questions made the difference is known against the keys of the last regrade;
        // before the first one only the void questions can be named.
        QList<int> questions;
        for (int j = 0; j < n; ++j) {
            const qint16 code = r.answers.value(j);
            bool differs = p.marking.isVoid(j);
            if (before && j < before->questions.size()) {
                differs = scoring::questionScores(*before, j, code) !=
                              scoring::questionScores(p.marking, j, code) ||
                          paper::effectiveMark(before->questions.at(j), before->defaultMark) !=
                              paper::effectiveMark(p.marking.questions.at(j), p.marking.defaultMark);
            }
            if (differs)
                questions.append(j + 1);
        }
        if (before)
            line.questions = questions.isEmpty() ? QStringLiteral("marks") : questionList(questions);
        else if (questions.isEmpty())
            line.questions = QStringLiteral("keys or marks");
        else
            line.questions = QStringLiteral("%1 (void), keys or marks").arg(questionList(questions));
        p.lines.append(line);
    }
    std::stable_sort(p.lines.begin(), p.lines.end(),
                     [](const Line &a, const Line &b) { return a.difference > b.difference; });
    p.lines += testing;
    return p;
}

Outcome apply(const Preview &p, const QString &machine, const QDateTime &when)
{
    Outcome outcome;
    QByteArray log;
    const QString stamp = when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    for (const Line &line : p.lines) {
        if (!line.changed())
            continue;
        const record::Id id{p.paper, p.className, line.number};
        const QString file = record::path(id);
        const QString sec = record::section(id);
        const QString prefix = line.number;
        // A student who started a retest, or a second regrade meanwhile, is not overwritten.
        const profile::Snapshot now(file);
        if (now.value(sec, prefix + QStringLiteral("TIME2")).trimmed().isEmpty() ||
            now.value(sec, prefix + QStringLiteral("DF")).trimmed() != line.oldText) {
            ++outcome.skipped;
            continue;
        }
        profile::Batch batch(file);
        batch.write(sec, prefix + scoring::OldScoreSuffix, line.oldText);
        batch.write(sec, prefix + scoring::DigestSuffix, p.digest);
        batch.write(sec, prefix + QStringLiteral("DF"), numbers::signBlank(qint64(line.newScore)));
        if (!batch.commit()) {
            outcome.failed.append(line.number);
            continue;
        }
        ++outcome.written;
        const QString why = QStringLiteral("changed: questions %1").arg(line.questions);
        const QStringList fields = {stamp,
                                    machine,
                                    QFileInfo(file).fileName() + u' ' + sec + u' ' + line.number,
                                    line.oldText.isEmpty() ? QStringLiteral("-") : line.oldText,
                                    QString::number(line.newScore),
                                    why};
        log += fields.join(u'\t').toUtf8() + "\r\n";
    }

    // Students who finish from now on are scored as the preview chose.
    if (p.marking.anyVoid()) {
        profile::writeValue(paper::file(p.paper), paper::MainSection, scoring::VoidRuleKey,
                            p.marking.rule == scoring::VoidRule::DropOut ? QStringLiteral("1")
                                                                         : QStringLiteral("0"));
    }
    // The keys scored with, for the next preview's list of changed questions.
    if (const QString keys = keysFile(p.paper); !keys.isEmpty()) {
        profile::Batch kept(keys);
        kept.write(paper::MainSection, scoring::DigestSuffix, p.digest);
        kept.write(paper::MainSection, paper::QuestionCountKey,
                   numbers::signBlank(qint64(p.marking.questions.size())));
        kept.write(paper::MainSection, paper::MarkKey, numbers::signBlank(qint64(p.marking.defaultMark)));
        kept.write(paper::MainSection, scoring::VoidRuleKey,
                   p.marking.rule == scoring::VoidRule::DropOut ? QStringLiteral("1") : QStringLiteral("0"));
        for (qsizetype j = 0; j < p.marking.questions.size(); ++j) {
            const QString section = QString::number(j + 1);
            kept.write(section, paper::AnswerKey, p.marking.questions.at(j).answer);
            kept.write(section, paper::QuestionMarkKey, p.marking.questions.at(j).mark);
            kept.write(section, scoring::VoidKey,
                       p.marking.isVoid(j) ? QStringLiteral("1") : QStringLiteral("0"));
        }
        kept.commit();
    }
    if (!log.isEmpty()) {
        QFile file(paths::join(paths::scoreFolder(p.paper), LogName));
        outcome.logWritten =
            file.open(QIODevice::WriteOnly | QIODevice::Append) && file.write(log) == log.size();
    }
    return outcome;
}

QString machineName()
{
    const QString name = QSysInfo::machineHostName().trimmed();
    return name.isEmpty() ? QStringLiteral("unknown") : name;
}

} // namespace regrade
