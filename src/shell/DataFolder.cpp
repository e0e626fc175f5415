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

#ifdef Q_OS_UNIX
#include <pwd.h>
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

bool SetupDataFolderAt(const QString &documentsFolder, const QString &appPath,
                       const QString &userName)
{
    AppPath = withSeparator(appPath);
    DataPath = DataPathFor(documentsFolder, AppPath);

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

int DataFolderWriteError(const QString &dataPath)
{
#ifdef Q_OS_UNIX
    QByteArray name = QFile::encodeName(withSeparator(dataPath) + QStringLiteral(".notavex-XXXXXX"));
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
