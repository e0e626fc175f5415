#include "shell/DataFolder.h"

#include "platform/Globals.h"
#include "platform/OpenForms.h"
#include "platform/Services.h"
#include "store/NoteFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>

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

QString ProgramFolder()
{
    const QString exeDir = withSeparator(QCoreApplication::applicationDirPath());
    if (QFileInfo(exeDir + QStringLiteral("icons")).isDir())
        return exeDir;
#ifdef NOTAVEX_SHARE_DIR
    const QString share = withSeparator(QStringLiteral(NOTAVEX_SHARE_DIR));
    if (QFileInfo(share).isDir())
        return share;
#endif
    return exeDir;
}

QString DataPathFor(const QString &documentsFolder, const QString &appPath)
{
    QString folder = documentsFolder;
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = appPath;
    return withSeparator(folder) + QStringLiteral("Notavex/");
}

bool SetupDataFolderAt(const QString &documentsFolder, const QString &appPath,
                       const QString &userName)
{
    AppPath = withSeparator(appPath);
    DataPath = DataPathFor(documentsFolder, AppPath);

    if (QFileInfo(DataPath).isDir())
        return true;

    QDir().mkdir(DataPath);
    if (!QFileInfo(DataPath).isDir()) {
        Services::messageBoxes().show(QStringLiteral("Você deve logar como administrador"),
                                      MessageBoxes::Ok, MessageBoxes::NoIcon,
                                      MessageBoxes::AnswerOk, QStringLiteral("Notavex"));
        return false;
    }

    // Without a user name the "older folder" would be the program folder itself.
    if (!userName.isEmpty()) {
        const QString old = AppPath + userName + QLatin1Char('/');
        if (!plainFiles(old).isEmpty() && migrateOlderFolder(old, DataPath))
            return true;
    }

    WriteWelcomeNote(DataPath, Services::screen().primarySize());
    return true;
}

bool SetupDataFolder()
{
    return SetupDataFolderAt(GetSpecialFolder(CSIDL_PERSONAL, OpenForms::at(0)), ProgramFolder(),
                             CurrentUserName());
}
