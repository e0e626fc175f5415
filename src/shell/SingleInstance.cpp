#include "shell/SingleInstance.h"

#include "shell/DataFolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace {

const QByteArray closeRequest = QByteArrayLiteral("close\n");
const QByteArray showRequest = QByteArrayLiteral("show\n");

// Absolute, ending with '/'.
QString folderOf(const QString &dataPath)
{
    return QDir::cleanPath(QDir(dataPath).absolutePath()) + QLatin1Char('/');
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

#ifdef Q_OS_UNIX
// Where the socket goes when the data folder's path is too long for a socket name: a folder of
// this user's in /tmp (not $TMPDIR, which two copies need not share).
QString fallbackFolder()
{
    return QStringLiteral("/tmp/notavex-%1").arg(::geteuid());
}

// Another user who made the fallback folder first, or put a link there, could stand in for the
// running copy.
bool isOwnPrivateFolder(const QString &folder)
{
    struct stat st;
    return ::lstat(QFile::encodeName(folder).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}
#endif

} // namespace

SingleInstance::SingleInstance(const QString &dataPath, QObject *parent)
    : QObject(parent), m_dataPath(dataPath)
{
}

SingleInstance::~SingleInstance()
{
    // The socket goes before the lock: a copy starting next would otherwise set up its own
    // socket only to see ours removed from under it.
    delete m_server;
    m_server = nullptr;
    m_lock.reset();
}

QString SingleInstance::lockFilePath(const QString &dataPath)
{
    return folderOf(dataPath) + QStringLiteral(".notavex.lock");
}

QString SingleInstance::serverName(const QString &dataPath)
{
#ifdef Q_OS_UNIX
    const QString inFolder = folderOf(dataPath) + QStringLiteral(".notavex.sock");
    if (QFile::encodeName(inFolder).size() < qsizetype(sizeof(sockaddr_un::sun_path)))
        return inFolder;
    return fallbackFolder() + QLatin1Char('/') + instanceKey(dataPath) + QStringLiteral(".sock");
#else
    return instanceKey(dataPath);
#endif
}

bool SingleInstance::acquire()
{
    const QString lockPath = lockFilePath(m_dataPath);
    m_lock = std::make_unique<QLockFile>(lockPath);
    // The owner holds an advisory lock on the file as long as it lives, so even a lock judged
    // old cannot be taken from a running copy; one whose process is gone is taken over.
    if (m_lock->tryLock(0)) {
        QFile::setPermissions(lockPath, QFile::ReadOwner | QFile::WriteOwner);
    } else {
        if (m_lock->error() == QLockFile::LockFailedError)
            return false;
        // The folder refused the lock file: run unguarded rather than not at all.
    }

    const QString name = serverName(m_dataPath);
#ifdef Q_OS_UNIX
    if (name.startsWith(fallbackFolder() + QLatin1Char('/'))) {
        ::mkdir(QFile::encodeName(fallbackFolder()).constData(), 0700);
        if (!isOwnPrivateFolder(fallbackFolder()))
            return true; // running without the close socket beats not running
    }
#endif
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
            QByteArray pending = socket->property("pending").toByteArray() + socket->readAll();
            // Each request is a line of its own, acted on once however the bytes arrive.
            for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1)) {
                const QByteArray line = pending.left(end + 1);
                if (line == closeRequest)
                    emit closeRequested();
                else if (line == showRequest)
                    emit showRequested();
            }
            if (pending.size() > 64) {
                socket->abort();
                return;
            }
            socket->setProperty("pending", pending);
        });
    }
}

bool SingleInstance::requestClose(const QString &dataPath, int timeoutMs)
{
    return sendRequest(dataPath, closeRequest, timeoutMs);
}

bool SingleInstance::requestShow(const QString &dataPath, int timeoutMs)
{
    return sendRequest(dataPath, showRequest, timeoutMs);
}

bool SingleInstance::sendRequest(const QString &dataPath, const QByteArray &request, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(serverName(dataPath));
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(request);
    const bool sent = socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    return sent;
}
