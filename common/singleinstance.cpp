#include "singleinstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

const QByteArray ActivateRequest = QByteArrayLiteral("activate\n");

QString userTag()
{
#ifdef Q_OS_UNIX
    return QString::number(getuid());
#else
    QString user = qEnvironmentVariable("USERNAME");
    if (user.isEmpty())
        user = qEnvironmentVariable("USER");
    return user;
#endif
}

} // namespace

QString SingleInstance::lockPath(const QString &program)
{
    return QDir(QDir::tempPath()).filePath(program + u'-' + userTag() + QStringLiteral(".lock"));
}

QString SingleInstance::serverName(const QString &program)
{
#ifdef Q_OS_UNIX
    // Beside the lock, so that whoever shares the lock folder shares the socket.
    return QDir(QDir::tempPath()).filePath(program + u'-' + userTag() + QStringLiteral(".socket"));
#else
    return program + u'-' + userTag();
#endif
}

SingleInstance::SingleInstance(const QString &program)
    : m_program(program)
    , m_lock(std::make_unique<QLockFile>(lockPath(program)))
    , m_handler(std::make_shared<std::function<void()>>())
{
    // Never stale by age: the owner holds it for its whole life. A dead owner's lock is
    // recognised by its process id and taken over.
    m_lock->setStaleLockTime(0);
    m_first = m_lock->tryLock(0);
    if (!m_first)
        return;

    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // Whatever socket is there was left by a copy that died: the lock is ours.
    QLocalServer::removeServer(serverName(program));
    if (!m_server->listen(serverName(program))) {
        // The program still runs alone; a later copy just cannot reach it.
        m_server.reset();
        return;
    }
    QLocalServer *server = m_server.get();
    const std::shared_ptr<std::function<void()>> handler = m_handler;
    QObject::connect(server, &QLocalServer::newConnection, server, [server, handler] {
        while (QLocalSocket *socket = server->nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket, handler] {
                if (!socket->canReadLine())
                    return;
                const bool activate = socket->readLine(64) == ActivateRequest;
                socket->disconnectFromServer();
                if (activate && *handler)
                    (*handler)();
            });
        }
    });
}

SingleInstance::~SingleInstance() = default;

void SingleInstance::setActivationHandler(std::function<void()> handler)
{
    *m_handler = std::move(handler);
}

bool SingleInstance::activateFirst(int timeoutMs) const
{
    if (m_first)
        return false;
    // The first copy takes the lock a moment before it listens: try again until the deadline.
    const QDeadlineTimer deadline(timeoutMs);
    do {
        QLocalSocket socket;
        socket.connectToServer(serverName(m_program));
        if (socket.waitForConnected(int(std::max<qint64>(deadline.remainingTime(), 0)))) {
            socket.write(ActivateRequest);
            const bool sent = socket.waitForBytesWritten(int(std::max<qint64>(deadline.remainingTime(), 0)));
            socket.disconnectFromServer();
            return sent;
        }
        QThread::msleep(50);
    } while (!deadline.hasExpired());
    return false;
}
