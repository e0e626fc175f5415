#pragma once

#include <QString>

// What tells one version of a file from the next without reading it: an edit in place changes
// the size or the modification time, an atomic replacement changes the inode.
struct FileStamp
{
    bool exists = false;
    qint64 size = -1;
    qint64 mtimeNs = 0;
    qint64 ctimeNs = 0;
    quint64 inode = 0;
    quint64 device = 0;

    bool operator==(const FileStamp &) const = default;

    static FileStamp of(const QString &path);
};
