#include "answerrecord.h"

#include "files.h"
#include "numbers.h"
#include "paths.h"
#include "profile.h"
#include "scoring.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLoggingCategory>
#include <QThread>

#include <algorithm>
#include <limits>

// Each background write of a record, for whoever checks a classroom's share
// (QT_LOGGING_RULES="exam.saves.info=true"); a write the record refused is a warning.
Q_LOGGING_CATEGORY(lcSaves, "exam.saves", QtWarningMsg)

namespace record {
namespace {

/// Reads a record for a decision that must not take "cannot read" for "not there"; false
/// when it stays unreadable. A record that is not there reads as empty.
bool readRecord(const QString &file, QByteArray &bytes)
{
    return files::readPresent(file, bytes, paths::dataRoot()) != files::Presence::Unreadable;
}

QString key(const Id &id, const QString &suffix)
{
    return id.number.trimmed() + suffix;
}

void addProgress(profile::Batch &batch, const Id &id, const Progress &progress)
{
    const QString sec = section(id);
    batch.write(sec, key(id, QStringLiteral("TIME")), numbers::hhmmss(progress.secondsLeft));
    batch.write(sec, key(id, QStringLiteral("DangQian")), numbers::plain(progress.position));
    for (qsizetype i = 0; i < progress.answers.size(); ++i)
        batch.write(sec, key(id, QStringLiteral("DA%1").arg(i + 1)), numbers::plain(progress.answers.at(i)));
    for (qsizetype k = 0; k < progress.order.size(); ++k)
        batch.write(sec, key(id, QStringLiteral("SX%1").arg(k + 1)), numbers::plain(progress.order.at(k)));
}

} // namespace

QString path(const Id &id)
{
    return paths::answerRecordFile(id.paper.trimmed(), id.className.trimmed(), id.number.trimmed());
}

QString section(const Id &id)
{
    return id.className.trimmed();
}

QString startStamp(const QDateTime &when)
{
    return when.toString(QStringLiteral("yyyy,MM,dd  HH:mm:ss"));
}

State state(const Id &id)
{
    QByteArray bytes;
    if (!readRecord(path(id), bytes))
        return State::Unreadable;
    const profile::Snapshot s = profile::Snapshot::fromBytes(bytes);
    if (!s.value(section(id), key(id, QStringLiteral("TIME2"))).isEmpty())
        return State::Finished;
    if (!s.value(section(id), key(id, QStringLiteral("TIME1"))).isEmpty())
        return State::Started;
    if (s.contains(section(id), key(id, QString())) || s.contains(section(id), key(id, QStringLiteral("LAST"))))
        return State::Identified;
    return State::None;
}

bool identify(const Id &id, const QString &firstName, const QString &lastName)
{
    profile::Batch batch(path(id));
    batch.write(section(id), key(id, QString()), firstName.trimmed());
    batch.write(section(id), key(id, QStringLiteral("LAST")), lastName.trimmed());
    return batch.commit();
}

bool stampStart(const Id &id, const QDateTime &when)
{
    return profile::writeValue(path(id), section(id), key(id, QStringLiteral("TIME1")), startStamp(when).trimmed());
}

namespace {

bool writeProgress(const Id &id, const Progress &progress, profile::Existing existing)
{
    profile::Batch batch(path(id), existing);
    addProgress(batch, id, progress);
    return batch.commit();
}

bool writeStart(const Id &id, const QDateTime &when, const Progress &progress, profile::Existing existing)
{
    // A retest starts on a finished record. Left in place, the old finish mark would make a
    // broken-off retest look finished: the student could not log in again to resume it, and
    // the next retest would overwrite its answers. The old score stays until the new finish.
    const State was = state(id);
    if (was == State::Unreadable)
        return false; // tried again with the next save
    profile::Batch batch(path(id), existing);
    batch.write(section(id), key(id, QStringLiteral("TIME1")), startStamp(when).trimmed());
    if (was == State::Finished)
        batch.write(section(id), key(id, QStringLiteral("TIME2")), QString());
    addProgress(batch, id, progress);
    return batch.commit();
}

bool writeFinish(const Id &id, const Finish &f, profile::Existing existing)
{
    profile::Batch batch(path(id), existing);
    const QString sec = section(id);
    batch.write(sec, key(id, QStringLiteral("TIME2")), f.timeLeft.trimmed());
    for (qsizetype i = 0; i < f.answers.size(); ++i)
        batch.write(sec, key(id, QStringLiteral("DA%1").arg(i + 1)), numbers::plain(f.answers.at(i)));
    if (!f.digest.isEmpty())
        batch.write(sec, key(id, scoring::DigestSuffix), f.digest);
    batch.write(sec, key(id, QStringLiteral("DF")), numbers::signBlank(qint64(f.score)));
    return batch.commit();
}

} // namespace

bool saveProgress(const Id &id, const Progress &progress)
{
    return writeProgress(id, progress, profile::Existing::MayCreate);
}

bool startAttempt(const Id &id, const QDateTime &when, const Progress &progress)
{
    return writeStart(id, when, progress, profile::Existing::MayCreate);
}

namespace {

Progress progressFrom(const profile::Snapshot &s, const Id &id, int questionCount, qint64 fullSeconds)
{
    const QString sec = section(id);
    const int n = qMax(0, questionCount);
    Progress p;
    QList<bool> seen(n + 1, false);
    bool permutation = true;
    for (int i = 1; i <= n; ++i) {
        const QString shown = s.value(sec, key(id, QStringLiteral("SX%1").arg(i)));
        const qint16 q = numbers::readInt16(shown);
        if (shown.isEmpty() || q < 1 || q > n || seen[q])
            permutation = false;
        else
            seen[q] = true;
        p.order.append(q);
        p.answers.append(s.number(sec, key(id, QStringLiteral("DA%1").arg(i)), QStringLiteral("0")));
    }
    if (!permutation) {
        for (int i = 0; i < n; ++i)
            p.order[i] = qint16(i + 1);
    }
    const QString position = s.value(sec, key(id, QStringLiteral("DangQian")));
    p.position = numbers::readInt16(position);
    if (position.isEmpty() || p.position < 1 || p.position > qMax(1, n))
        p.position = 1;
    const auto left = numbers::parseHhmmss(s.value(sec, key(id, QStringLiteral("TIME"))));
    p.secondsLeft = left ? *left : fullSeconds;
    return p;
}

} // namespace

std::optional<Progress> tryResume(const Id &id, int questionCount, qint64 fullSeconds)
{
    QByteArray bytes;
    if (!readRecord(path(id), bytes))
        return std::nullopt;
    return progressFrom(profile::Snapshot::fromBytes(bytes), id, questionCount, fullSeconds);
}

Progress resume(const Id &id, int questionCount, qint64 fullSeconds)
{
    if (std::optional<Progress> saved = tryResume(id, questionCount, fullSeconds))
        return *saved;
    return progressFrom(profile::Snapshot::fromBytes({}), id, questionCount, fullSeconds);
}

bool finish(const Id &id, const Finish &batch)
{
    return finish(id, batch.timeLeft, batch.answers, batch.score, batch.digest);
}

Saver::Saver(Id id, QObject *context, Done done)
    : m_id(std::move(id))
    , m_context(context)
    , m_done(std::move(done))
    , m_thread([this] { run(); })
{
}

Saver::~Saver()
{
    {
        std::lock_guard guard(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

quint64 Saver::submitProgress(const Progress &progress, std::optional<QDateTime> started)
{
    std::lock_guard guard(m_mutex);
    // A start not yet written goes with the state that replaces it.
    if (m_progress && !started)
        started = m_progress->started;
    if (m_progress)
        m_replaced.append(m_progress->submission);
    Job job;
    job.submission = ++m_next;
    job.progress = progress;
    job.started = std::move(started);
    m_progress = std::move(job);
    m_changed.notify_all();
    return m_next;
}

quint64 Saver::submitFinish(const Finish &batch)
{
    std::lock_guard guard(m_mutex);
    if (m_finish)
        m_replaced.append(m_finish->submission);
    Job job;
    job.submission = ++m_next;
    job.isFinish = true;
    job.finish = batch;
    m_finish = std::move(job);
    m_changed.notify_all();
    return m_next;
}

bool Saver::wait(quint64 submission, int ms)
{
    std::unique_lock guard(m_mutex);
    const bool known = m_changed.wait_for(guard, std::chrono::milliseconds(qMax(0, ms)),
                                          [&] { return m_outcomes.contains(submission); });
    return known && m_outcomes.value(submission);
}

bool Saver::outcomeKnown(quint64 submission) const
{
    std::lock_guard guard(m_mutex);
    return m_outcomes.contains(submission);
}

int Saver::writes() const
{
    std::lock_guard guard(m_mutex);
    return m_writes;
}

int Saver::failures() const
{
    std::lock_guard guard(m_mutex);
    return m_failures;
}

qint64 Saver::longestWriteMs() const
{
    std::lock_guard guard(m_mutex);
    return m_longestMs;
}

void Saver::run()
{
    bool recordSeen = QFileInfo::exists(path(m_id));
    std::unique_lock guard(m_mutex);
    for (;;) {
        m_changed.wait(guard, [this] { return m_stop || m_progress || m_finish; });
        if (!m_progress && !m_finish)
            return; // stopped with nothing left to write
        // Progress first: a finish must not overtake the start of its attempt.
        Job job = m_progress ? *std::exchange(m_progress, std::nullopt) : *std::exchange(m_finish, std::nullopt);
        const QList<quint64> replaced = std::exchange(m_replaced, {});
        guard.unlock();
        QElapsedTimer took;
        took.start();
        bool written = false;
        // Once the record has been seen (the login wrote the student's name into it) a record
        // not there is one the share fails to show for a moment: a new file would hold nothing
        // else of the attempt, so the write waits for the next try instead.
        const auto existing = recordSeen ? profile::Existing::Required : profile::Existing::MayCreate;
        if (job.isFinish)
            written = writeFinish(m_id, job.finish, existing);
        else if (job.started)
            written = writeStart(m_id, *job.started, job.progress, existing);
        else
            written = writeProgress(m_id, job.progress, existing);
        const qint64 ms = took.elapsed();
        recordSeen = recordSeen || written;
        const char *kind = job.isFinish ? "finish" : job.started ? "start" : "progress";
        if (written)
            qCInfo(lcSaves, "%s %s written in %lld ms", qUtf8Printable(path(m_id)), kind, static_cast<long long>(ms));
        else
            qCWarning(lcSaves, "%s %s NOT written (%lld ms)", qUtf8Printable(path(m_id)), kind, static_cast<long long>(ms));
        guard.lock();
        ++m_writes;
        if (!written)
            ++m_failures;
        m_longestMs = qMax(m_longestMs, ms);
        m_outcomes.insert(job.submission, written);
        // A state that was replaced before it was written is carried by the newer one.
        for (quint64 r : replaced)
            m_outcomes.insert(r, written);
        m_changed.notify_all();
        if (m_context && m_done) {
            const Done done = m_done;
            const quint64 submission = job.submission;
            QMetaObject::invokeMethod(m_context, [done, submission, written] { done(submission, written); },
                                      Qt::QueuedConnection);
        }
    }
}

bool finish(const Id &id, const QString &timeLeft, const QList<qint16> &answers, qint16 score,
            const QString &digest)
{
    return writeFinish(id, Finish{timeLeft, answers, score, digest}, profile::Existing::MayCreate);
}

namespace {

Result resultFrom(const profile::Snapshot &s, const Id &id, int questionCount, bool withOrder = true)
{
    const QString sec = section(id);
    Result r;
    r.firstName = s.value(sec, key(id, QString())).trimmed();
    r.lastName = s.value(sec, key(id, QStringLiteral("LAST"))).trimmed();
    // An empty score reads like a missing one.
    const QString df = s.value(sec, key(id, QStringLiteral("DF")));
    // Scores are 16-bit numbers: one beyond that is clamped here, once, so that the row, the
    // sum, the ranks and the highest score all count the same value.
    if (const double score = numbers::leadingNumber(df); !df.isEmpty() && score >= 0)
        r.score = std::min(score, double(std::numeric_limits<qint16>::max()));
    r.timeLeft = s.value(sec, key(id, QStringLiteral("TIME2")));
    for (int j = 1; j <= questionCount; ++j)
        r.answers.append(s.number(sec, key(id, QStringLiteral("DA%1").arg(j)), QStringLiteral("0")));
    r.scoreText = df;
    r.digest = s.value(sec, key(id, scoring::DigestSuffix)).trimmed();
    bool anyOrder = false;
    QList<qint16> order;
    order.reserve(questionCount);
    for (int k = 1; withOrder && k <= questionCount; ++k) {
        const QString shown = s.value(sec, key(id, QStringLiteral("SX%1").arg(k)));
        anyOrder = anyOrder || !shown.isEmpty();
        order.append(shown.isEmpty() ? qint16(0) : numbers::readInt16(shown));
    }
    if (anyOrder)
        r.order = order;
    r.started = !s.value(sec, key(id, QStringLiteral("TIME1"))).isEmpty();
    r.savedTimeLeft = s.value(sec, key(id, QStringLiteral("TIME")));
    return r;
}

} // namespace

Result readResult(const Id &id, int questionCount)
{
    const QString file = path(id);
    Result r = resultFrom(profile::Snapshot(file), id, questionCount);
    if (QFileInfo::exists(file))
        r.file = file;
    return r;
}

namespace {

// How long a listed record that cannot be read is tried again: on a network folder a record
// being replaced can be missing, or unreadable, for a moment.
constexpr int ListedRecordRetryMs = 200;

/// The bytes of a record the folder lists; empty when it stays unreadable or empty.
QByteArray readListed(const QString &file)
{
    QByteArray bytes;
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (files::read(file, bytes) && !bytes.isEmpty())
            return bytes;
        if (waited.elapsed() >= ListedRecordRetryMs)
            return {};
        QThread::msleep(10);
    }
}

} // namespace

QList<Result> readResults(const QString &paper, const QString &className, const QStringList &numbers,
                          int questionCount, bool withOrder)
{
    const QString folder = paths::scoreFolder(paper);
    const QString cls = className.trimmed();
    // The folder is listed once: names are found without regard to case, and a record that
    // is listed but does not open at once is tried again instead of counting as missing.
    QHash<QString, QString> listing;
    if (!folder.isEmpty()) {
        const QStringList entries = QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
        // The first spelling wins, as it does for the record paths the other windows use.
        for (const QString &entry : entries) {
            if (!listing.contains(entry.toCaseFolded()))
                listing.insert(entry.toCaseFolded(), entry);
        }
    }
    // Students without a record share one list of codes: a class of thousands on a paper of
    // thousands of questions must not take gigabytes.
    const QList<qint16> unanswered(qMax(0, questionCount), 0);
    QList<Result> results;
    results.reserve(numbers.size());
    for (const QString &number : numbers) {
        const Id id{paper, cls, number.trimmed()};
        const QString name = cls + id.number + QStringLiteral(".cho");
        // A test or class name that is no plain file name has no record (see paths::resolve).
        const bool named = !folder.isEmpty() && paths::isPlainName(name);
        QByteArray bytes;
        QString file;
        bool found = false;
        if (named) {
            const QString exact = paths::join(folder, name);
            if (files::read(exact, bytes) && !bytes.isEmpty()) {
                found = true;
                file = exact;
            } else if (const auto it = listing.constFind(name.toCaseFolded()); it != listing.cend()) {
                file = paths::join(folder, *it);
                bytes = readListed(file);
                found = !bytes.isEmpty();
            }
        }
        if (!found) {
            Result none;
            none.answers = unanswered;
            results.append(none);
        } else {
            results.append(resultFrom(profile::Snapshot::fromBytes(bytes), id, questionCount, withOrder));
            results.last().file = file;
        }
    }
    return results;
}

bool allowRetest(const Id &id)
{
    const QString file = path(id);
    if (profile::Snapshot(file).value(section(id), key(id, QStringLiteral("TIME2"))).isEmpty())
        return true;
    return profile::writeValue(file, section(id), key(id, QStringLiteral("TIME2")), QString());
}

bool remove(const Id &id)
{
    const QString file = path(id);
    if (!QFileInfo::exists(file))
        return true;
    return profile::removeSection(file, section(id));
}

} // namespace record
