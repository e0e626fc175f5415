#include "shell/SingleInstance.h"

#include "shell/DataFolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

namespace {

const QByteArray closeRequest = QByteArrayLiteral("close\n");

// Per-user runtime folder when there is one, so other users cannot squat on our names.
QString runtimeFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime;
    return QDir::tempPath();
}

QString instanceKey(const QString &dataPath)
{
    QString user = CurrentUserName();
    for (QChar &c : user) {
        if (!c.isLetterOrNumber() && c != QLatin1Char('_') && c != QLatin1Char('-'))
            c = QLatin1Char('_');
    }
    // The same folder reached through a symbolic link is the same data folder. Only the parent
    // is resolved: the data folder itself may not exist yet.
    const QFileInfo info(QDir::cleanPath(QFileInfo(dataPath).absoluteFilePath()));
    QString parent = QFileInfo(info.path()).canonicalFilePath();
    if (parent.isEmpty())
        parent = info.path();
    const QByteArray folder = (parent + QLatin1Char('/') + info.fileName()).toUtf8();
    const QByteArray hash = QCryptographicHash::hash(folder, QCryptographicHash::Sha1).toHex();
    return QStringLiteral("notavex-%1-%2").arg(user, QString::fromLatin1(hash.left(16)));
}

} // namespace

SingleInstance::SingleInstance(const QString &dataPath, QObject *parent)
    : QObject(parent), m_dataPath(dataPath)
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::lockFilePath(const QString &dataPath)
{
    return runtimeFolder() + QLatin1Char('/') + instanceKey(dataPath) + QStringLiteral(".lock");
}

QString SingleInstance::serverName(const QString &dataPath)
{
    return runtimeFolder() + QLatin1Char('/') + instanceKey(dataPath) + QStringLiteral(".sock");
}

bool SingleInstance::acquire()
{
    m_lock = std::make_unique<QLockFile>(lockFilePath(m_dataPath));
    // The owner holds an advisory lock on the file as long as it lives, so even a lock judged
    // old cannot be taken from a running copy; one whose process is gone is taken over.
    if (!m_lock->tryLock(0)) {
        if (m_lock->error() == QLockFile::LockFailedError)
            return false;
        // The runtime folder refused the lock file: run unguarded rather than not at all.
    }

    const QString name = serverName(m_dataPath);
    // A socket file left by a crashed copy would make listen() fail.
    QLocalServer::removeServer(name);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
    m_server->listen(name);
    return true;
}

void SingleInstance::acceptConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            const QByteArray seen = socket->property("seen").toByteArray() + socket->readAll();
            if (seen.size() > 64) {
                socket->abort();
                return;
            }
            socket->setProperty("seen", seen);
            if (seen.contains(closeRequest))
                emit closeRequested();
        });
    }
}

bool SingleInstance::requestClose(const QString &dataPath, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(serverName(dataPath));
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(closeRequest);
    const bool sent = socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    return sent;
}
