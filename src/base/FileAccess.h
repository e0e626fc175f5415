#pragma once

#include <QByteArray>
#include <QString>

// Files written so that a crash or a full disk never leaves half a file, and file names matched
// without regard to case inside their folder.

// path itself when it exists or no file of another case matches; otherwise the existing file.
QString ResolveFileCase(const QString &path);

// Writes data to path atomically: the old content or the new one, never a mix. False on failure,
// the old file then stays as it was.
bool WriteFileAtomic(const QString &path, const QByteArray &data);

// The file and the system error number of the last write that failed.
struct WriteFailure
{
    QString path;
    int error = 0;
};
WriteFailure LastWriteFailure();
