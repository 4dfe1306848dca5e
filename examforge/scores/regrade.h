#pragma once

#include "scoring.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

/// Scoring a paper's finished records again with the paper's current keys and marks, after a
/// key was corrected or a question voided. preview() reads and changes nothing; apply() writes
/// the new score of each changed record, keeping the old one beside it, and logs each change.
namespace regrade {

/// The log beside the records: one line per change, tab-separated.
inline const QString LogName = QStringLiteral("regrade.log");
/// The keys and marks of the last regrade, beside the records, so that the next preview can
/// tell which questions changed since.
inline const QString KeysName = QStringLiteral("regrade.cho");

struct Line
{
    QString number;
    QString name;
    bool stillTesting = false; ///< started and not finished: left alone
    QString oldText;           ///< DF as stored
    std::optional<double> oldScore;
    qint16 newScore = 0;
    double difference = 0; ///< new - old (the whole new score when there was none)
    QString questions;     ///< which questions changed the score, as shown
    bool changed() const { return !stillTesting && (!oldScore || double(newScore) != *oldScore); }
};

struct Preview
{
    QString paper;
    QString className;
    scoring::Marking marking;
    QString digest;
    bool noKeys = false; ///< no question has a key: scoring would reward empty answers
    int finished = 0;
    int stillTesting = 0;
    QList<Line> lines; ///< changed records by difference (largest first), then still testing
    int changedCount() const;
};

/// Reads the class's records once each and scores the finished ones under the paper's
/// current marking, void questions counting by rule.
Preview preview(const QString &paper, const QString &className, scoring::VoidRule rule);

struct Outcome
{
    int written = 0;
    int skipped = 0;    ///< changed meanwhile (a retest, another regrade): left as they were
    QStringList failed; ///< numbers whose record could not be written
    bool logWritten = true;
};

/// Writes what a preview found: for each changed line, under the record's lock, N DFOLD = the
/// old score, N DF = the new one and N DFKEY = the digest, but only when the record still
/// holds the score the preview saw. Writes the void rule into the paper when a question is
/// void, keeps the keys for the next preview and appends one log line per change.
Outcome apply(const Preview &preview, const QString &machine, const QDateTime &when);

/// The name of this machine for the log.
QString machineName();

} // namespace regrade
