#include "shell/DataFolder.h"

#include "base/Globals.h"
#include "base/Services.h"
#include "note/OpenForms.h"
#include "store/NoteFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

QString withSeparator(QString path)
{
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

// Files the older per-user folder holds that count as notes: not hidden, not folders, not
// sockets or devices.
QFileInfoList plainFiles(const QString &folder)
{
    return QDir(folder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
}

// Copies the older folder's files and removes those that arrived safely. Returns false when
// nothing could be copied.
bool migrateOlderFolder(const QString &old, const QString &dataPath)
{
    QSet<QString> copied;
    for (const QFileInfo &file : plainFiles(old)) {
        const QString target = dataPath + file.fileName();
        QFile::remove(target);
        if (!QFile::copy(file.filePath(), target))
            continue;
        // The copy would keep the older file's mode; here it is a new file of the data folder.
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
        // A short copy must not lead to the original being deleted.
        if (QFileInfo(target).size() != file.size())
            continue;
        copied.insert(file.fileName());
    }
    if (copied.isEmpty())
        return false;

    // A file that would not go away is passed over, so the pass always ends; a file whose copy
    // failed is kept where it is rather than lost.
    QSet<QString> passedOver;
    for (;;) {
        bool acted = false;
        for (const QFileInfo &file : plainFiles(old)) {
            const QString name = file.fileName();
            if (!copied.contains(name) || passedOver.contains(name))
                continue;
            if (!DeleteFileChecked(file.filePath()))
                passedOver.insert(name);
            acted = true;
            break;
        }
        if (!acted)
            break;
    }
    return true;
}

QFileInfoList allEntries(const QString &folder)
{
    return QDir(folder).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

bool isSocket(const QFileInfo &entry)
{
#ifdef Q_OS_UNIX
    struct stat st;
    return ::lstat(QFile::encodeName(entry.filePath()).constData(), &st) == 0 &&
           S_ISSOCK(st.st_mode);
#else
    Q_UNUSED(entry);
    return false;
#endif
}

enum class Rename { Done, OtherFileSystem, Failed };

// Never replaces whatever stands at to, not even an empty folder.
Rename renameNoReplace(const QString &from, const QString &to)
{
#ifdef Q_OS_LINUX
    if (::renameat2(AT_FDCWD, QFile::encodeName(from).constData(), AT_FDCWD,
                    QFile::encodeName(to).constData(), RENAME_NOREPLACE) == 0)
        return Rename::Done;
    if (errno == EXDEV)
        return Rename::OtherFileSystem;
    if (errno != EINVAL) // EINVAL: a file system without the flag, which Qt works around
        return Rename::Failed;
#endif
    if (QDir().rename(from, to))
        return Rename::Done;
    return QFileInfo::exists(to) ? Rename::Failed : Rename::OtherFileSystem;
}

// Copies a file and reads both back: true only when the copy holds the same bytes.
bool copyChecked(const QString &from, const QString &to)
{
    if (!QFile::copy(from, to))
        return false;
    QFile original(from);
    QFile copy(to);
    if (!original.open(QIODevice::ReadOnly) || !copy.open(QIODevice::ReadOnly) ||
        original.size() != copy.size())
        return false;
    while (!original.atEnd()) {
        const QByteArray chunk = original.read(1 << 20);
        if (chunk.isEmpty() || copy.read(chunk.size()) != chunk)
            return false;
    }
    return copy.atEnd();
}

// Lies in a data folder that no copy has filled yet.
const QString newFolderMark = QStringLiteral(".notavex.new");

// The folder appears at once with its mark inside, so that whichever copy wins the folder's lock
// knows the folder still needs filling, even when another copy made it a moment before.
bool createMarkedFolder(const QString &dataPath)
{
    const QString folder = QDir::cleanPath(dataPath);
    // QTemporaryDir makes it owner-only, as a folder of personal text should be.
    QTemporaryDir staging(QFileInfo(folder).path() + QStringLiteral("/.Notavex-XXXXXX"));
    if (!staging.isValid())
        return false;
    QFile mark(staging.filePath(newFolderMark));
    if (!mark.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFile::ReadOwner | QFile::WriteOwner))
        return false;
    mark.close();
    // Never replaces whatever stands there, not even an empty folder.
    if (!QDir().rename(staging.path(), folder))
        return false;
    staging.setAutoRemove(false);
    return true;
}

} // namespace

QString GetSpecialFolder(int folderId, QWidget *owner)
{
    Q_UNUSED(owner);
    if (folderId != CSIDL_PERSONAL)
        return {};
    QString path = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
#ifdef Q_OS_UNIX
    // Where no documents folder is set up, the XDG convention is the home folder; an installed
    // program's own folder is not writable by its users.
    if (path.isEmpty() || !QFileInfo(path).isDir())
        path = QDir::homePath();
#endif
    if (path.isEmpty() || !QFileInfo(path).isDir())
        return {};
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

QString CurrentUserName()
{
#ifdef Q_OS_UNIX
    if (const passwd *pw = getpwuid(geteuid()); pw && pw->pw_name && *pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
#endif
    QString name = qEnvironmentVariable("USER");
    if (name.isEmpty())
        name = qEnvironmentVariable("USERNAME");
    return name;
}

bool DeleteFileChecked(const QString &path)
{
    QFile::remove(path);
    const QFileInfo info(path);
    return !info.exists() && !info.isSymLink();
}

QString ProgramFolderFor(const QString &exeDir)
{
    const QString here = withSeparator(exeDir);
    if (QFileInfo(here + QStringLiteral("novo.wav")).isFile())
        return here;
    // Relative to the executable, so that an installed tree works under any prefix it is moved to.
    return withSeparator(QDir::cleanPath(here + QStringLiteral(NOTAVEX_DATA_FROM_BIN)));
}

QString ProgramFolder()
{
    return ProgramFolderFor(QCoreApplication::applicationDirPath());
}

QString DataPathFor(const QString &documentsFolder, const QString &appPath)
{
    QString folder = documentsFolder;
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = appPath;
    return withSeparator(folder) + QStringLiteral("Notavex/");
}

bool CreateDataFolder(const QString &dataPath)
{
    // Losing the race to another copy that made the folder meanwhile is no failure.
    if (QFileInfo(dataPath).isDir() || createMarkedFolder(dataPath) || QFileInfo(dataPath).isDir())
        return true;
    Services::messageBoxes().show(QStringLiteral("Você deve logar como administrador"),
                                  MessageBoxes::Ok, MessageBoxes::NoIcon, MessageBoxes::AnswerOk,
                                  QStringLiteral("Notavex"));
    return false;
}

bool SetupDataFolderIn(const QString &dataPath, const QString &appPath, const QString &userName)
{
    AppPath = withSeparator(appPath);
    DataPath = withSeparator(dataPath);

    if (!CreateDataFolder(DataPath))
        return false;
    // Taking the mark away is what makes this the one run that fills the folder.
    if (!QFile::remove(DataPath + newFolderMark))
        return true;
    // A sync tool may have brought the mark along with another computer's notes: those stay.
    if (!plainFiles(DataPath).isEmpty())
        return true;

    // Without a user name the "older folder" would be the program folder itself.
    if (!userName.isEmpty()) {
        const QString old = AppPath + userName + QLatin1Char('/');
        if (!plainFiles(old).isEmpty() && migrateOlderFolder(old, DataPath))
            return true;
    }

    WriteWelcomeNote(DataPath, Services::screen().primarySize());
    return true;
}

bool SetupDataFolderAt(const QString &documentsFolder, const QString &appPath,
                       const QString &userName)
{
    return SetupDataFolderIn(DataPathFor(documentsFolder, withSeparator(appPath)), appPath,
                             userName);
}

QString HomeDataPathFor(const QString &homeFolder)
{
    return homeFolder.isEmpty() ? QString()
                                : withSeparator(homeFolder) + QStringLiteral("Notavex/");
}

bool HomeFolderWaiting(const QString &homeDataPath, const QString &dataPath)
{
    if (homeDataPath.isEmpty())
        return false;
    const QFileInfo target(QDir::cleanPath(dataPath));
    const QFileInfo home(QDir::cleanPath(homeDataPath));
    if (target.exists() || target.isSymLink() || !home.isDir())
        return false;
    return !plainFiles(home.filePath()).isEmpty();
}

QString AdoptHomeFolder(const QString &homeDataPath, const QString &dataPath)
{
    if (!HomeFolderWaiting(homeDataPath, dataPath))
        return dataPath;
    const QString from = QDir::cleanPath(homeDataPath);
    const QString to = QDir::cleanPath(dataPath);
    // A link, a subfolder (a sync tool's own, say) or anything but files shows an arrangement of
    // someone's that moving would break: such a folder is used where it is. Sockets are what a
    // copy that crashed left, not notes.
    if (QFileInfo(from).isSymLink())
        return homeDataPath;
    QFileInfoList files, sockets;
    for (const QFileInfo &entry : allEntries(from)) {
        if (isSocket(entry))
            sockets.append(entry);
        else if (entry.isFile() && !entry.isSymLink())
            files.append(entry);
        else
            return homeDataPath;
    }

    switch (renameNoReplace(from, to)) {
    case Rename::Done:
        return dataPath;
    case Rename::Failed:
        return homeDataPath;
    case Rename::OtherFileSystem:
        break;
    }
    QTemporaryDir staging(QFileInfo(to).path() + QStringLiteral("/.Notavex-XXXXXX"));
    if (!staging.isValid())
        return homeDataPath;
    for (const QFileInfo &file : files) {
        if (!copyChecked(file.filePath(), staging.filePath(file.fileName())))
            return homeDataPath; // the staging folder goes, with every copy in it
    }
    // The copies appear at dataPath all at once or not at all.
    if (renameNoReplace(staging.path(), to) != Rename::Done)
        return homeDataPath;
    staging.setAutoRemove(false);
    // Only what was copied goes, and only now. An original that stays is a second copy of a
    // note, never a lost one.
    for (const QFileInfo &entry : files + sockets)
        QFile::remove(entry.filePath());
    QDir().rmdir(from);
    return dataPath;
}

int DataFolderWriteError(const QString &dataPath)
{
#ifdef Q_OS_UNIX
    QByteArray name =
        QFile::encodeName(withSeparator(dataPath) + QStringLiteral(".notavex-XXXXXX"));
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        return errno;
    // A byte takes a block of the disk: a full disk refuses it as it would a save.
    const int error = ::write(fd, "\n", 1) == 1 ? 0 : errno;
    ::close(fd);
    ::unlink(name.constData());
    return error;
#else
    Q_UNUSED(dataPath);
    return 0;
#endif
}

bool SetupDataFolder()
{
    return SetupDataFolderAt(GetSpecialFolder(CSIDL_PERSONAL, OpenForms::at(0)), ProgramFolder(),
                             CurrentUserName());
}
