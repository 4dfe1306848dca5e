#pragma once

#include <QString>

#include <functional>
#include <memory>

class QLocalServer;
class QLockFile;

/// Refuses a second copy of a program for the same user on the same machine, and lets the
/// second copy ask the first to show itself.
///
/// The lock is a file in the temporary folder, held for the lifetime of the object; a lock
/// left behind by a process that no longer runs does not block. The copy that holds the lock
/// also listens on a local socket beside it, through which a later copy asks it to come to
/// the front.
class SingleInstance final
{
public:
    /// program: a short ASCII name such as "examforge".
    explicit SingleInstance(const QString &program);
    ~SingleInstance();

    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    /// True when this object holds the lock, i.e. no other copy is running.
    bool isFirst() const { return m_first; }

    /// In the first copy: what to run, on the event loop, when a later copy asks the program
    /// to come to the front. Requests that arrive before it is set are dropped.
    void setActivationHandler(std::function<void()> handler);

    /// In a later copy: asks the first copy to come to the front, waiting at most timeoutMs
    /// for it to take the request. Returns false when it could not be reached (it may be
    /// starting or ending); nothing else is reported.
    bool activateFirst(int timeoutMs = 2000) const;

    /// Path of the lock file for a program (for tests that hold it from another process).
    static QString lockPath(const QString &program);
    /// Name of the local socket the first copy listens on.
    static QString serverName(const QString &program);

private:
    QString m_program;
    std::unique_ptr<QLockFile> m_lock;
    std::unique_ptr<QLocalServer> m_server;
    std::shared_ptr<std::function<void()>> m_handler;
    bool m_first = false;
};
