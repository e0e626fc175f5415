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
bool SetupDataFolderAt(const QString &documentsFolder, const QString &appPath,
                       const QString &userName);

// 0 when a new file can be written in the folder, otherwise the system's error number: a
// folder made read-only, a full disk.
int DataFolderWriteError(const QString &dataPath);

// The above for this user and this program. On false the program must end.
bool SetupDataFolder();
