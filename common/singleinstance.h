#pragma once

#include <QString>

#include <memory>

class QLockFile;

/// Refuses a second copy of a program for the same user on the same machine.
///
/// The lock is a file in the temporary folder, held for the lifetime of the object; a lock
/// left behind by a process that no longer runs does not block.
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

    /// Path of the lock file for a program (for tests that hold it from another process).
    static QString lockPath(const QString &program);

private:
    std::unique_ptr<QLockFile> m_lock;
    bool m_first = false;
};
