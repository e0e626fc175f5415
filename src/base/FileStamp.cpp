#include "base/FileStamp.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

FileStamp FileStamp::of(const QString &path)
{
    FileStamp stamp;
#ifdef Q_OS_UNIX
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return stamp;
#ifdef Q_OS_DARWIN
    const auto &mtime = st.st_mtimespec;
    const auto &ctime = st.st_ctimespec;
#else
    const auto &mtime = st.st_mtim;
    const auto &ctime = st.st_ctim;
#endif
    stamp.exists = true;
    stamp.size = st.st_size;
    stamp.mtimeNs = qint64(mtime.tv_sec) * 1000000000 + mtime.tv_nsec;
    stamp.ctimeNs = qint64(ctime.tv_sec) * 1000000000 + ctime.tv_nsec;
    stamp.inode = st.st_ino;
    stamp.device = st.st_dev;
#else
    const QFileInfo info(path);
    if (!info.exists())
        return stamp;
    stamp.exists = true;
    stamp.size = info.size();
    stamp.mtimeNs = info.lastModified().toMSecsSinceEpoch() * 1000000;
    stamp.ctimeNs = info.metadataChangeTime().toMSecsSinceEpoch() * 1000000;
#endif
    return stamp;
}
