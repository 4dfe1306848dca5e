#pragma once

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QList>
#include <QString>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

/// The answer record of one student for one paper: CHENGJI/<paper>/<class><number>.cho, one
/// section named by the class, every key prefixed by the student number N:
///
///   N, N LAST          first and last name (written at every login)
///   N TIME1            start stamp "YYYY,MM,DD  hh:mm:ss" (a new attempt)
///   N TIME, N DangQian remaining time and position (every periodic save)
///   N DA i, N SX k     answer code of question i, question number shown at position k
///   N TIME2            remaining time at the finish, "hh:mm:ss"
///   N DF               the score, " 85" (written last)
///
/// Every multi-key operation is one atomic batch or one snapshot read, so a reader never sees
/// half of a save. Writes return false when the file could not be written.
namespace record {

struct Id
{
    QString paper;     ///< trimmed by every function
    QString className; ///< trimmed by every function
    QString number;    ///< canonical decimal text ("7", never "007")
};

enum class State {
    None,       ///< no file, or neither TIME1 nor TIME2
    Identified, ///< names only: counts as not started
    Started,    ///< TIME1 and no TIME2: a broken-off attempt
    Finished,   ///< TIME2 present
    Unreadable  ///< the record is there, or may be, but cannot be read now (a share away)
};

QString path(const Id &id);
QString section(const Id &id);

/// TIME1 form of a moment: "2004,05,06  14:03:22".
QString startStamp(const QDateTime &when);

/// The state a login sees, from one read of the file.
State state(const Id &id);

/// Writes N and N LAST (trimmed).
bool identify(const Id &id, const QString &firstName, const QString &lastName);

/// Writes N TIME1.
bool stampStart(const Id &id, const QDateTime &when);

/// What a periodic save stores and a resume reads. answers[i - 1] is the code of question i,
/// order[k - 1] the question shown at position k.
struct Progress
{
    qint64 secondsLeft = 0;
    qint16 position = 1;
    QList<qint16> answers;
    QList<qint16> order;
};

/// N TIME, N DangQian, N DA 1..n, N SX 1..n as one batch (n = answers.size()).
bool saveProgress(const Id &id, const Progress &progress);

/// The start of a new attempt: N TIME1 followed by the first periodic save, as one batch, so
/// that a record is never started without an order a relogin can resume.
bool startAttempt(const Id &id, const QDateTime &when, const Progress &progress);

/// Reads a saved attempt of n questions from one parse of the file. What a periodic save did
/// not leave usable falls back on its own: an order that is missing or no permutation of 1..n
/// gives paper order, a position outside 1..n gives 1, a missing or unreadable time gives
/// fullSeconds; missing answer codes read as 0.
Progress resume(const Id &id, int questionCount, qint64 fullSeconds);
/// The same, but nothing when the record cannot be read now (a share away): an attempt
/// resumed from nothing would overwrite its saved answers with the first save.
std::optional<Progress> tryResume(const Id &id, int questionCount, qint64 fullSeconds);

/// N TIME2, N DA 1..n and N DF (" 85" form) as one batch, in this order. A digest of the
/// keys and marks that scored it (see scoring::digest) goes in as N DFKEY just before DF.
bool finish(const Id &id, const QString &timeLeft, const QList<qint16> &answers, qint16 score,
            const QString &digest = QString());

/// The finish batch as the record gets it: N TIME2, the answer codes, the digest of the keys
/// and marks it was scored with (empty writes none), the score.
struct Finish
{
    QString timeLeft;
    QList<qint16> answers;
    qint16 score = 0;
    QString digest;
};
bool finish(const Id &id, const Finish &batch);

/// Writes one attempt's record on a thread of its own, so that a slow or missing share never
/// holds the exam window: one write in flight, and of the states handed in meanwhile only the
/// newest is written next. A finish is written after any progress still waiting. Nothing is
/// retried here: the caller hands in its state again when a write failed.
class Saver
{
public:
    /// Told on the thread of context, after each write, which submission it wrote and whether
    /// the record took it.
    using Done = std::function<void(quint64 submission, bool written)>;

    Saver(Id id, QObject *context, Done done);
    /// Waits for the write in flight and anything still waiting.
    ~Saver();
    Saver(const Saver &) = delete;
    Saver &operator=(const Saver &) = delete;

    /// A periodic save; with started, the start of a new attempt goes with it (see startAttempt).
    quint64 submitProgress(const Progress &progress, std::optional<QDateTime> started);
    quint64 submitFinish(const Finish &batch);
    /// Waits up to ms for the outcome of that submission (or of a newer one of its kind, which
    /// replaced it). Returns whether it was written; false on time-out.
    bool wait(quint64 submission, int ms);
    /// Whether that submission was tried (written or not).
    bool outcomeKnown(quint64 submission) const;

    /// Counts, for the bench and the share check.
    int writes() const;
    int failures() const;
    qint64 longestWriteMs() const;

private:
    struct Job
    {
        quint64 submission = 0;
        bool isFinish = false;
        Progress progress;
        std::optional<QDateTime> started;
        Finish finish;
    };
    void run();

    Id m_id;
    QObject *m_context;
    Done m_done;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::optional<Job> m_progress;
    std::optional<Job> m_finish;
    quint64 m_next = 0;
    QHash<quint64, bool> m_outcomes; // submission -> written, also for submissions replaced
    QList<quint64> m_replaced;       // waiting submissions a newer one replaced
    bool m_stop = false;
    int m_writes = 0;
    int m_failures = 0;
    qint64 m_longestMs = 0;
    std::thread m_thread;
};

/// What the scores window reads of one record, from one parse of the file.
struct Result
{
    QString firstName;
    QString lastName;
    std::optional<double> score; ///< DF when present and not negative
    QString timeLeft;            ///< TIME2 as stored
    QList<qint16> answers;       ///< DA 1..n, 0 when missing
    // What the record checks and the live view read besides.
    QString scoreText;     ///< DF as stored
    QString digest;        ///< DFKEY as stored, empty in records of older copies
    QList<qint16> order;   ///< SX 1..n, 0 for a missing entry; empty when no SX key is there
    bool started = false;  ///< TIME1 present
    QString savedTimeLeft; ///< TIME as the last periodic save left it
    QString file;          ///< the file it was read from, empty when there is none
};
Result readResult(const Id &id, int questionCount);

/// The results of many students of one paper and class, each record from one parse of its
/// file: results[i] belongs to numbers[i]. A student without a record gets an empty result
/// with questionCount answer codes 0. Costs one file open per record present; the score
/// folder is listed once, and only when a record is not found under its exact name.
/// withOrder false leaves Result::order empty, for callers that do not need it (it costs as
/// much as the answer codes).
QList<Result> readResults(const QString &paper, const QString &className, const QStringList &numbers,
                          int questionCount, bool withOrder = true);

/// Empties N TIME2, so that the next login resumes the saved attempt. A record that is not
/// finished (no file, or no TIME2) is left as it is: no file is made for a student who has none.
bool allowRetest(const Id &id);

/// Deletes the student's record. Class and number are joined without a separator, so two
/// students can share one file (class Grade1 with number 12 and Grade11 with 2); then only the
/// student's own section is taken out and the other record stays. Returns false when the
/// record could not be removed.
bool remove(const Id &id);

} // namespace record
