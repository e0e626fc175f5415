#include "shell/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSysInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QLockFile>
#endif

namespace {

const QByteArray closeRequest = QByteArrayLiteral("close\n");
const QByteArray showRequest = QByteArrayLiteral("show\n");
// How long a socket that is there may take to say who listens on it.
constexpr int holderTimeoutMs = 250;

// Absolute, ending with '/'.
QString folderOf(const QString &dataPath)
{
    return QDir::cleanPath(QDir(dataPath).absolutePath()) + QLatin1Char('/');
}

// This computer, for the lock file's name. The machine id is not to be published, and the
// folder may be (on a sync tool's server): only a hash of it goes there.
QString machineTag()
{
    static const QString tag = [] {
        QByteArray id = QSysInfo::machineUniqueId();
        if (id.isEmpty())
            id = QSysInfo::machineHostName().toUtf8();
        return QString::fromLatin1(
            QCryptographicHash::hash("notavex:" + id, QCryptographicHash::Sha256).toHex().left(8));
    }();
    return tag;
}

enum class Holder { None, Own, Foreign };

#ifdef Q_OS_UNIX
qint64 ownUid()
{
    return ::geteuid();
}

// "<uid>-<device>-<inode>", empty when there is no such folder. The same folder reached through
// a link, a bind mount or another spelling of its path has the same key.
QString folderKey(const QString &dataPath)
{
    struct stat st;
    if (::stat(QFile::encodeName(dataPath).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return {};
    return QStringLiteral("%1-%2-%3").arg(ownUid()).arg(quint64(st.st_dev)).arg(quint64(st.st_ino));
}

// Not $TMPDIR or $XDG_RUNTIME_DIR, which two copies of one user need not share.
QString privateFolder()
{
    return QStringLiteral("/tmp/notavex-%1").arg(ownUid());
}

// Another user who made the folder first, or put a link there, could stand in for the running
// copy.
bool makeOwnPrivateFolder(const QString &folder)
{
    const QByteArray path = QFile::encodeName(folder);
    ::mkdir(path.constData(), 0700);
    struct stat st;
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 077) == 0;
}

qint64 peerUid(const QLocalSocket &socket)
{
    const int fd = int(socket.socketDescriptor());
#ifdef Q_OS_LINUX
    ucred cred{};
    socklen_t size = sizeof cred;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &size) == 0)
        return cred.uid;
#else
    uid_t uid;
    gid_t gid;
    if (::getpeereid(fd, &uid, &gid) == 0)
        return uid;
#endif
    return -1;
}
#else
qint64 ownUid()
{
    return 0;
}

QString folderKey(const QString &dataPath)
{
    const QString path = QFileInfo(dataPath).canonicalFilePath();
    if (path.isEmpty())
        return {};
    return QString::fromLatin1(
        QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
}

QString privateFolder()
{
    return QDir::tempPath() + QStringLiteral("/notavex");
}

bool makeOwnPrivateFolder(const QString &folder)
{
    return QDir().mkpath(folder);
}

// Local sockets here are named pipes that only this user may open.
qint64 peerUid(const QLocalSocket &)
{
    return ownUid();
}
#endif

QString abstractName(const QString &key)
{
    return QStringLiteral("notavex-") + key;
}

// Connects when something listens at name; whose it is tells whether it is our running copy.
Holder connectTo(QLocalSocket &socket, const QString &name, bool abstract, int timeoutMs)
{
    socket.setSocketOptions(abstract ? QLocalSocket::AbstractNamespaceOption
                                     : QLocalSocket::NoOptions);
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs))
        return Holder::None;
    if (peerUid(socket) == ownUid())
        return Holder::Own;
    socket.abort();
    return Holder::Foreign;
}

struct Endpoint
{
    QString name;
    bool abstract = false;
};

// Where the copy running for dataPath may listen, in the order requests try them. An earlier
// version listened in the data folder itself; only a process on this computer can answer there.
QList<Endpoint> endpoints(const QString &dataPath)
{
    QList<Endpoint> list;
    if (const QString key = folderKey(dataPath); !key.isEmpty()) {
#ifdef Q_OS_LINUX
        list.append({abstractName(key), true});
#endif
        list.append({privateFolder() + QLatin1Char('/') + key + QStringLiteral(".sock")});
    }
    list.append({folderOf(dataPath) + QStringLiteral(".notavex.sock")});
    return list;
}

} // namespace

// An exclusive lock on a file, held while the object lives and dropped by the system when the
// process ends. The file is never removed, so that no copy ever locks a file that is on its
// way out while another makes a new one; it stays empty, so a sync tool carries it once.
class SingleInstance::FileLock
{
public:
    enum Result { Locked, Busy, Unavailable };

#ifdef Q_OS_UNIX
    Result lock(const QString &path)
    {
        const QByteArray name = QFile::encodeName(path);
        m_fd = ::open(name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        // A folder that cannot be written may still hold the file from an earlier run.
        if (m_fd < 0)
            m_fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (m_fd < 0)
            return Unavailable;
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
            return Locked;
        const int error = errno;
        ::close(m_fd);
        m_fd = -1;
        return error == EWOULDBLOCK ? Busy : Unavailable;
    }
    ~FileLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

private:
    int m_fd = -1;
#else
    Result lock(const QString &path)
    {
        m_lock = std::make_unique<QLockFile>(path);
        if (m_lock->tryLock(0))
            return Locked;
        return m_lock->error() == QLockFile::LockFailedError ? Busy : Unavailable;
    }

private:
    std::unique_ptr<QLockFile> m_lock;
#endif
};

SingleInstance::SingleInstance(const QString &dataPath, QObject *parent)
    : QObject(parent), m_dataPath(dataPath)
{
}

SingleInstance::~SingleInstance()
{
    // The socket goes before the locks: a copy starting next would otherwise set up its own
    // socket only to see ours removed from under it.
    delete m_server;
    m_server = nullptr;
}

QString SingleInstance::lockFilePath(const QString &dataPath)
{
    return folderOf(dataPath) + QStringLiteral(".notavex-") + machineTag() +
           QStringLiteral(".lock");
}

bool SingleInstance::acquire()
{
    // A copy of an earlier version running on this folder.
    const QList<Endpoint> places = endpoints(m_dataPath);
    {
        QLocalSocket socket;
        if (connectTo(socket, places.last().name, false, holderTimeoutMs) == Holder::Own)
            return false;
    }

    m_folderLock = std::make_unique<FileLock>();
    if (m_folderLock->lock(lockFilePath(m_dataPath)) == FileLock::Busy)
        return false;
    // Unavailable (a folder that cannot be written, say): what follows guards on its own.

    const QString key = folderKey(m_dataPath);
    if (key.isEmpty())
        return true; // no folder, nothing to guard
#ifdef Q_OS_LINUX
    // Bound by one process at a time; the name goes when the process ends.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (listen(abstractName(key), true))
            return true;
        if (m_server->serverError() != QAbstractSocket::AddressInUseError)
            break;
        QLocalSocket holder;
        const Holder who = connectTo(holder, abstractName(key), true, holderTimeoutMs);
        if (who == Holder::Own)
            return false;
        // Another user's process holding the name is not our running copy, and cannot be made
        // to stand down: the private folder serves instead. With nobody answering, the holder
        // has just ended: try again.
        if (who == Holder::Foreign)
            break;
    }
#endif
    if (!makeOwnPrivateFolder(privateFolder()))
        return true; // running without the request socket beats not running
    const QString base = privateFolder() + QLatin1Char('/') + key;
    m_privateLock = std::make_unique<FileLock>();
    const FileLock::Result held = m_privateLock->lock(base + QStringLiteral(".lock"));
    if (held == FileLock::Busy)
        return false;
    if (held == FileLock::Locked) {
        // A socket file left by a crashed copy would make listen() fail.
        QLocalServer::removeServer(base + QStringLiteral(".sock"));
        listen(base + QStringLiteral(".sock"), false);
    }
    return true;
}

bool SingleInstance::listen(const QString &name, bool abstract)
{
    if (!m_server) {
        m_server = new QLocalServer(this);
        connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
    }
    m_server->setSocketOptions(abstract ? QLocalServer::AbstractNamespaceOption
                                        : QLocalServer::UserAccessOption);
    return m_server->listen(name);
}

void SingleInstance::acceptConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // Anyone on the computer may reach a name in the abstract namespace.
        if (peerUid(*socket) != ownUid()) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
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
    for (const Endpoint &place : endpoints(dataPath)) {
        QLocalSocket socket;
        if (connectTo(socket, place.name, place.abstract, timeoutMs) != Holder::Own)
            continue;
        socket.write(request);
        const bool sent = socket.waitForBytesWritten(timeoutMs);
        socket.disconnectFromServer();
        return sent;
    }
    return false;
}
