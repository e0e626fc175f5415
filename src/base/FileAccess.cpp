#include "base/FileAccess.h"

#include "base/FileStamp.h"
#include "base/Globals.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSaveFile>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

struct Resolution
{
    QString resolved; // the file found, or empty when there was none
    FileStamp folder; // the folder as it was when nothing was found
};

QMutex resolveMutex;
WriteFailure lastFailure;

bool failed(const QString &path)
{
    lastFailure = {path, errno};
    return false;
}
QHash<QString, Resolution> resolutions;

[[maybe_unused]] const bool resolutionResets = (OnProgramStateReset([] {
                                                    QMutexLocker lock(&resolveMutex);
                                                    resolutions.clear();
                                                    lastFailure = {};
                                                }),
                                                true);

bool fileExists(const QString &path)
{
    return FileStamp::of(path).exists;
}

#ifdef Q_OS_UNIX
// The rename that replaced a file only survives a power cut once its folder is on disk too.
void syncFolder(const QString &path)
{
    const QString folder = QFileInfo(path).absolutePath();
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}
#endif

} // namespace

QString ResolveFileCase(const QString &path)
{
    if (path.isEmpty() || fileExists(path))
        return path;

    QMutexLocker lock(&resolveMutex);
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString prefix = path.left(slash + 1); // empty for a name in the current folder
    const QString folder = prefix.isEmpty() ? QStringLiteral(".") : prefix;
    const QString name = path.mid(slash + 1);
    if (name.isEmpty())
        return path;

    auto it = resolutions.find(path);
    if (it != resolutions.end()) {
        if (!it->resolved.isEmpty()) {
            if (fileExists(it->resolved))
                return it->resolved;
        } else if (FileStamp::of(folder) == it->folder) {
            // No file was added or renamed in the folder since it was last listed.
            return path;
        }
    }

    // The stamp is taken before listing so that a file added meanwhile invalidates it.
    Resolution found;
    found.folder = FileStamp::of(folder);
    const QStringList entries =
        QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString &entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0) {
            found.resolved = prefix + entry;
            break;
        }
    }
    resolutions.insert(path, found);
    return found.resolved.isEmpty() ? path : found.resolved;
}

bool WriteFileAtomic(const QString &path, const QByteArray &data)
{
    // A file that already holds these bytes is left alone: saving a thousand unchanged notes
    // must not flush a thousand files to disk.
    if (const QFileInfo info(path); info.isFile() && info.size() == data.size()) {
        QFile current(path);
        if (current.open(QIODevice::ReadOnly) && current.readAll() == data)
            return true;
    }
    [[maybe_unused]] const bool isNew = !QFileInfo::exists(path);
    QSaveFile file(path);
    // Writing in place would let a crash leave half a file behind.
    file.setDirectWriteFallback(false);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        return failed(path);
#ifdef Q_OS_UNIX
    // Notes are personal text: a new file is its owner's alone. An existing file keeps the mode its
    // user gave it, which QSaveFile carries over.
    if (isNew)
        ::fchmod(file.handle(), S_IRUSR | S_IWUSR);
#endif
    if (file.write(data) != data.size() || !file.flush()) {
        const bool result = failed(path);
        file.cancelWriting();
        return result;
    }
#ifdef Q_OS_UNIX
    if (::fsync(file.handle()) != 0) {
        const bool result = failed(path);
        file.cancelWriting();
        return result;
    }
#endif
    if (!file.commit())
        return failed(path);
#ifdef Q_OS_UNIX
    syncFolder(path);
#endif
    return true;
}

WriteFailure LastWriteFailure()
{
    return lastFailure;
}
