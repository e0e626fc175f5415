#pragma once

#include <QString>

class QWidget;

// The shell special folder the program asks for: the user's documents.
constexpr int CSIDL_PERSONAL = 5;

// Path of a special folder without a trailing separator; empty when it cannot be resolved or
// does not exist.
QString GetSpecialFolder(int folderId, QWidget *owner);

QString CurrentUserName();

// Deletes a file ignoring every error; true when afterwards no file of that name exists.
bool DeleteFileChecked(const QString &path);

// The folder holding the program's assets, ending with '/': exeDir when the assets lie beside it
// (a build tree), otherwise the share folder of the installed tree exeDir belongs to.
QString ProgramFolderFor(const QString &exeDir);
QString ProgramFolder();

// Documents folder (or appPath when that is empty or missing) followed by "Notavex/".
// Creates nothing.
QString DataPathFor(const QString &documentsFolder, const QString &appPath);

// Makes sure a folder exists at dataPath; one made here is owner-only and marked as new until
// filled. Returns false, after telling the user, when it cannot be created.
bool CreateDataFolder(const QString &dataPath);

// Sets AppPath and DataPath and prepares the data folder: an existing one is used unchanged, a
// new one receives the files of the older per-user folder appPath + userName, or else the
// welcome note. Returns false, after telling the user, when the folder cannot be created. Where
// copies may run side by side, only the one holding the folder's lock may call it.
bool SetupDataFolderIn(const QString &dataPath, const QString &appPath, const QString &userName);
// The same for the documents folder's data folder.
bool SetupDataFolderAt(const QString &documentsFolder, const QString &appPath,
                       const QString &userName);
// The above for this user and this program. On false the program must end.
bool SetupDataFolder();

// Where there was no documents folder the notes were kept in the home folder's "Notavex/":
// HomeDataPathFor gives it, empty for no home folder.
QString HomeDataPathFor(const QString &homeFolder);
// True when that folder (homeDataPath) holds notes (files that are not hidden) and dataPath, the
// documents folder's, does not exist yet: its notes are to come along.
bool HomeFolderWaiting(const QString &homeDataPath, const QString &dataPath);

// Moves the home folder's notes to dataPath when HomeFolderWaiting still holds: by renaming the
// folder on the same file system, otherwise by copying every file into a new folder that appears
// at dataPath only when each copy is checked, and removing the originals after that. Returns the
// folder to use: dataPath, or homeDataPath when its notes could not be moved (then nothing was
// changed). No other copy may be using homeDataPath meanwhile.
QString AdoptHomeFolder(const QString &homeDataPath, const QString &dataPath);

// 0 when a new file can be written in the folder, otherwise the system's error number: a
// folder made read-only, a full disk.
int DataFolderWriteError(const QString &dataPath);
