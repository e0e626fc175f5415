#pragma once

#include <QByteArray>
#include <QString>

#include <cerrno>

// Files written so that a crash or a full disk never leaves half a file, data files read so that
// no file put in their place can stall or swamp the program, and file names matched without
// regard to case inside their folder.

// path itself when it exists or no file of another case matches; otherwise the existing file.
QString ResolveFileCase(const QString &path);

// Who may read a file that WriteFileAtomic creates: the owner alone (the program's data files), or
// whoever the user's file-creation mask lets (a file written out for the user). A file replaced
// keeps its own mode either way.
enum class NewFileAccess { OwnerOnly, UserDefault };

// Writes data to path atomically: the old content or the new one, never a mix. False on failure,
// the old file then stays as it was.
bool WriteFileAtomic(const QString &path, const QByteArray &data,
                     NewFileAccess access = NewFileAccess::OwnerOnly);

// Deletes a file the way the user can take back: into the desktop's Trash (that of the file's own
// file system), from where a file manager restores it; where no Trash can take it, the file is
// deleted outright. True when nothing is left at path.
bool MoveToTrash(const QString &path);

struct FileStamp;

// As WriteFileAtomic, but an existing path is replaced only while it is still the version
// `expected` stamps, checked just before the rename: a version another program wrote in the
// meantime is never replaced. `written` gets the stamp of what path then
// holds when the write succeeded.
enum class WriteOutcome { Written, Failed, ChangedOutside };
WriteOutcome WriteFileAtomicIf(const QString &path, const QByteArray &data,
                               const FileStamp &expected, FileStamp *written);

// The file and the system error number of the last write that failed.
struct WriteFailure
{
    QString path;
    int error = 0;
    QString why;          // the reason in words where no error number says it
    QString text() const; // why, or the error number's description
};
WriteFailure LastWriteFailure();

// The most the program reads of a note's text and of Indice.cfg or indice.dat.
constexpr qint64 MaxNoteFileBytes = qint64(64) << 20;
constexpr qint64 MaxIndexFileBytes = qint64(16) << 20;

// A data file read whole. Only a regular file is read (through a link too), never waiting: a
// FIFO, a device, a socket, a folder or a dangling link in its place is refused, and so is a file
// of more than the limit, without reading it.
struct FileRead
{
    QByteArray bytes;
    // 0 when read; ENOENT when nothing has the name; EFBIG over the limit; EISDIR a folder; EINVAL
    // anything else that is not a regular file; otherwise the system's error number.
    int error = 0;
    QString why; // the reason in words, naming the size or the kind of file; empty when read
    bool missing() const { return error == ENOENT && why.isEmpty(); }
};
FileRead ReadDataFile(const QString &path, qint64 limit);

// Tells of a data file that was not read, once for each version of it: at once on standard error
// and in the system log, and in one message box at the next ShowRefusedFiles. consequence says
// what the program does meanwhile.
void ReportRefusedFile(const QString &path, const FileRead &read, const QString &consequence);
// Shows the refusals not shown yet; on the user-interface thread only.
bool RefusedFilesPending();
void ShowRefusedFiles();

// Fails a write of path for the reason read gives, as a failed write would (LastWriteFailure).
bool RefuseWrite(const QString &path, const FileRead &read);
