#pragma once

#include <QFile>

#include <cerrno>
#include <csignal>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace TestFiles {

inline QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes in place, as an editor that does not replace the file would.
inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline quint64 inodeOf(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

// The permission bits, to compare with octal numbers.
inline int modeOf(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

// Stands in for a full disk: writing past the limit fails with EFBIG instead of killing the
// process.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes) : m_handler(::signal(SIGXFSZ, SIG_IGN))
    {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        const rlimit limit{bytes, m_saved.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        ::signal(SIGXFSZ, m_handler);
    }
    Q_DISABLE_COPY(FileSizeLimit)

private:
    sighandler_t m_handler;
    rlimit m_saved{};
};

// A folder that cannot be written while this lives. Root, whom permissions do not stop, gets a
// read-only bind mount in a mount table of the calling thread's own, so that nothing stays
// mounted should the test die; anyone else, the folder's mode.
class ReadOnlyFolder
{
public:
    explicit ReadOnlyFolder(const QString &folder) : m_path(QFile::encodeName(folder))
    {
        const char *path = m_path.constData();
        if (::geteuid() != 0) {
            m_ok = ::chmod(path, 0500) == 0;
            return;
        }
        m_mounted = ::unshare(CLONE_NEWNS) == 0 &&
                    ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                    ::mount(path, path, nullptr, MS_BIND, nullptr) == 0;
        m_ok = m_mounted &&
               ::mount(nullptr, path, nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
    }
    ~ReadOnlyFolder()
    {
        if (::geteuid() != 0)
            ::chmod(m_path.constData(), 0700);
        else if (m_mounted)
            ::umount2(m_path.constData(), MNT_DETACH);
    }
    Q_DISABLE_COPY(ReadOnlyFolder)

    bool isValid() const { return m_ok; }
    // What writing in it fails with.
    static int error() { return ::geteuid() == 0 ? EROFS : EACCES; }

private:
    QByteArray m_path;
    bool m_mounted = false;
    bool m_ok = false;
};

} // namespace TestFiles
