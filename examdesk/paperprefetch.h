#pragma once

#include <QList>
#include <QSet>
#include <QString>

#include <memory>
#include <mutex>

/// Copies a paper's rich-text files from a shared folder into the work folder on a thread of
/// its own, in the order the student will see them, so that moving to the next question does
/// not wait for the share (a slow or missing share would freeze the exam window).
class PaperPrefetch
{
public:
    struct File
    {
        QString source;
        QString target;
    };

    explicit PaperPrefetch(QList<File> files);
    /// Stops after the file in flight; never waits for the share.
    ~PaperPrefetch();
    PaperPrefetch(const PaperPrefetch &) = delete;
    PaperPrefetch &operator=(const PaperPrefetch &) = delete;

    /// Whether target is complete in the work folder.
    bool copied(const QString &target) const;
    /// The window copies target itself: the thread leaves it alone from now on.
    void claim(const QString &target);

private:
    struct State
    {
        mutable std::mutex mutex;
        QSet<QString> done;
        bool stop = false;
    };
    std::shared_ptr<State> m_state;
};
