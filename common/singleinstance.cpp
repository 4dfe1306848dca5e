#include "singleinstance.h"

#include <QDir>
#include <QLockFile>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

QString SingleInstance::lockPath(const QString &program)
{
    QString user = qEnvironmentVariable("USER");
#ifdef Q_OS_UNIX
    user = QString::number(getuid());
#else
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
#endif
    return QDir(QDir::tempPath()).filePath(program + u'-' + user + QStringLiteral(".lock"));
}

SingleInstance::SingleInstance(const QString &program)
    : m_lock(std::make_unique<QLockFile>(lockPath(program)))
{
    // Never stale by age: the owner holds it for its whole life. A dead owner's lock is
    // recognised by its process id and taken over.
    m_lock->setStaleLockTime(0);
    m_first = m_lock->tryLock(0);
}

SingleInstance::~SingleInstance() = default;
