#include "base/FileAccess.h"

#include "base/FileStamp.h"
#include "base/Globals.h"
#include "base/Log.h"
#include "base/Services.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSaveFile>
#include <QStringList>

#include <algorithm>
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
    lastFailure = {path, errno, {}};
    return false;
}
QHash<QString, Resolution> resolutions;

// Refused files already told of, by the version told of.
QMutex refusedMutex;
QHash<QString, FileStamp> refusalsTold;
QStringList refusalsToShow;

[[maybe_unused]] const bool resolutionResets = (OnProgramStateReset([] {
                                                    QMutexLocker lock(&resolveMutex);
                                                    resolutions.clear();
                                                    lastFailure = {};
                                                    QMutexLocker told(&refusedMutex);
                                                    refusalsTold.clear();
                                                    refusalsToShow.clear();
                                                }),
                                                true);

// Binary units, as the limits are: 64 MB is 64 << 20 bytes.
QString sizeText(qint64 bytes)
{
    const bool gb = bytes >= (qint64(1) << 30);
    const double value = double(bytes) / double(qint64(1) << (gb ? 30 : 20));
    return u"%1 %2"_qs.arg(QString::number(value, 'f', 1).replace(u'.', u','),
                           gb ? u"GB"_qs : u"MB"_qs);
}

QString tooBig(qint64 size, qint64 limit)
{
    return u"o arquivo tem %1, mais do que os %2 que o Notavex lê"_qs.arg(
        sizeText(size), QString::number(limit >> 20) + u" MB"_qs);
}

#ifdef Q_OS_UNIX
// What a name leads to when it is not a regular file, in words; empty for a regular file.
QString notRegular(mode_t mode)
{
    if (S_ISREG(mode))
        return QString();
    if (S_ISDIR(mode))
        return SystemErrorText(EISDIR);
    if (S_ISFIFO(mode))
        return u"é um pipe (FIFO), não um arquivo comum"_qs;
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return u"é um dispositivo, não um arquivo comum"_qs;
    if (S_ISSOCK(mode))
        return u"é um socket, não um arquivo comum"_qs;
    return u"não é um arquivo comum"_qs;
}

// Refuses what path leads to when it is not a regular file; a missing name is not refused.
bool refuseNotRegular(const QByteArray &name, const QString &path, FileRead &r)
{
    struct stat st;
    if (::stat(name.constData(), &st) == 0) {
        r.why = notRegular(st.st_mode);
        if (r.why.isEmpty())
            return false;
        r.error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return true;
    }
    if (errno == ENOENT && ::lstat(name.constData(), &st) == 0 && S_ISLNK(st.st_mode)) {
        r.error = EINVAL;
        r.why = u"é um link para \"%1\", que não existe"_qs.arg(QFileInfo(path).symLinkTarget());
        return true;
    }
    return false;
}
#endif

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

QString WriteFailure::text() const
{
    return why.isEmpty() ? SystemErrorText(error) : why;
}

FileRead ReadDataFile(const QString &path, qint64 limit)
{
    FileRead r;
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    // Looked at before it is opened: opening a device can already do something.
    if (refuseNotRegular(name, path, r))
        return r;
    // Not blocking: a FIFO put there after the look above opens at once all the same.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        r.error = errno;
        if (!r.missing())
            r.why = SystemErrorText(r.error);
        return r;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        r.error = errno;
        r.why = SystemErrorText(r.error);
    } else if (r.why = notRegular(st.st_mode); !r.why.isEmpty()) {
        r.error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    } else if (st.st_size > limit) {
        r.error = EFBIG;
        r.why = tooBig(st.st_size, limit);
    } else {
        // One byte beyond the limit tells a file that grew meanwhile.
        r.bytes.resize(qsizetype(std::min<qint64>(st.st_size, limit) + 1));
        qsizetype got = 0;
        while (got < r.bytes.size()) {
            const ssize_t n = ::read(fd, r.bytes.data() + got, size_t(r.bytes.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                r.error = errno;
                r.why = SystemErrorText(r.error);
                break;
            }
            if (n == 0)
                break;
            got += n;
            if (got == r.bytes.size() && got <= limit)
                r.bytes.resize(std::min<qint64>(limit, got * 2) + 1);
        }
        if (r.error == 0 && got > limit) {
            r.error = EFBIG;
            r.why = tooBig(got, limit);
        }
        r.bytes.resize(r.error == 0 ? got : 0);
    }
    ::close(fd);
#else
    QFile file(path);
    if (!file.exists()) {
        r.error = ENOENT;
    } else if (file.size() > limit) {
        r.error = EFBIG;
        r.why = tooBig(file.size(), limit);
    } else if (!file.open(QIODevice::ReadOnly)) {
        r.error = EIO;
        r.why = file.errorString();
    } else {
        r.bytes = file.read(limit);
    }
#endif
    return r;
}

void ReportRefusedFile(const QString &path, const FileRead &read, const QString &consequence)
{
    const FileStamp stamp = FileStamp::of(path);
    QString text = u"O arquivo \"%1\" não foi lido (%2). %3"_qs.arg(QDir::toNativeSeparators(path),
                                                                    read.why, consequence);
    {
        QMutexLocker lock(&refusedMutex);
        const auto told = refusalsTold.constFind(path);
        if (told != refusalsTold.constEnd() && *told == stamp)
            return;
        refusalsTold.insert(path, stamp);
        refusalsToShow.append(text);
    }
    LogProblem(text);
}

bool RefusedFilesPending()
{
    QMutexLocker lock(&refusedMutex);
    return !refusalsToShow.isEmpty();
}

void ShowRefusedFiles()
{
    QStringList texts;
    {
        QMutexLocker lock(&refusedMutex);
        texts.swap(refusalsToShow);
    }
    if (!texts.isEmpty())
        Services::messageBoxes().show(texts.join(u"\n\n"_qs), MessageBoxes::Ok,
                                      MessageBoxes::Warning, MessageBoxes::AnswerOk);
}

bool RefuseWrite(const QString &path, const FileRead &read)
{
    lastFailure = {path, read.error, read.why};
    return false;
}

namespace {

FileStamp stampOfOpen(int fd)
{
    FileStamp stamp;
#ifdef Q_OS_UNIX
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return stamp;
    stamp.exists = true;
    stamp.size = st.st_size;
    stamp.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.ctimeNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    stamp.inode = st.st_ino;
    stamp.device = st.st_dev;
#else
    Q_UNUSED(fd);
#endif
    return stamp;
}

WriteOutcome writeAtomic(const QString &path, const QByteArray &data, const FileStamp *expected,
                         FileStamp *written, NewFileAccess access)
{
    const auto fail = [&] {
        failed(path);
        return WriteOutcome::Failed;
    };
#ifdef Q_OS_UNIX
    // Whatever is not a regular file is not the program's to replace; through a link to a device
    // the replacement would even land in the device's folder.
    if (FileRead refused; refuseNotRegular(QFile::encodeName(path), path, refused)) {
        RefuseWrite(path, refused);
        return WriteOutcome::Failed;
    }
#endif
    // A file that already holds these bytes is left alone: saving a thousand unchanged notes
    // must not flush a thousand files to disk.
    if (const FileStamp now = FileStamp::of(path); now.size == data.size()) {
        const FileRead current = ReadDataFile(path, data.size());
        if (current.error == 0 && current.bytes == data) {
            if (written)
                *written = now;
            return WriteOutcome::Written;
        }
    }
    [[maybe_unused]] const bool isNew = !QFileInfo::exists(path);
    QSaveFile file(path);
    // Writing in place would let a crash leave half a file behind.
    file.setDirectWriteFallback(false);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        return fail();
#ifdef Q_OS_UNIX
    // Notes are personal text: a new data file is its owner's alone. An existing file keeps the
    // mode its user gave it, which QSaveFile carries over; a new one otherwise gets what the
    // user's mask allows, as QSaveFile creates it.
    if (isNew && access == NewFileAccess::OwnerOnly)
        ::fchmod(file.handle(), S_IRUSR | S_IWUSR);
#endif
    if (file.write(data) != data.size() || !file.flush()) {
        const WriteOutcome result = fail();
        file.cancelWriting();
        return result;
    }
#ifdef Q_OS_UNIX
    if (::fsync(file.handle()) != 0) {
        const WriteOutcome result = fail();
        file.cancelWriting();
        return result;
    }
#endif
    const FileStamp ours = stampOfOpen(file.handle());
    // As late as can be: a synchronisation tool may have put its version there while this one
    // was written and flushed.
    if (const FileStamp now = expected ? FileStamp::of(path) : FileStamp();
        now.exists && now != *expected) {
        file.cancelWriting();
        lastFailure = {path, 0, u"outro programa o alterou durante a gravação"_qs};
        return WriteOutcome::ChangedOutside;
    }
    if (!file.commit())
        return fail();
#ifdef Q_OS_UNIX
    syncFolder(path);
#endif
    if (written) {
        // A version that replaced this one at once is not taken for ours: it is seen as changed.
        const FileStamp now = FileStamp::of(path);
        *written = now.inode == ours.inode && now.device == ours.device ? now : ours;
    }
    return WriteOutcome::Written;
}

} // namespace

bool WriteFileAtomic(const QString &path, const QByteArray &data, NewFileAccess access)
{
    return writeAtomic(path, data, nullptr, nullptr, access) == WriteOutcome::Written;
}

WriteOutcome WriteFileAtomicIf(const QString &path, const QByteArray &data,
                               const FileStamp &expected, FileStamp *written)
{
    return writeAtomic(path, data, &expected, written, NewFileAccess::OwnerOnly);
}

WriteFailure LastWriteFailure()
{
    return lastFailure;
}

bool MoveToTrash(const QString &path)
{
    // QFile::moveToTrash renames into the Trash and never copies: a Trash on another file system
    // refuses the file, which is then deleted as it would be without a Trash.
    return QFile::moveToTrash(path) || QFile::remove(path);
}
