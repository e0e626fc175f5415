#pragma once

#include <QString>
#include <QStringList>

// INI files read and written one key at a time, with the semantics of the Windows profile-string
// functions the stored files were designed around:
// - section and key names match without regard to case; a value runs to the end of its line;
// - a write creates the file and the section when missing, replaces an existing key's value in
//   place, otherwise adds the key at the end of its section; a key name that holds '=' or starts
//   with '[' or ';' would read back as another key, a section or a comment: it is not written;
// - CR LF, LF and CR alone all end a line; lines written end as most lines of the file do (CR LF
//   in a new file);
// - every other line of the file (other sections, comments, blank lines) survives byte for byte;
// - text is code page 1252, or UTF-8 for values 1252 cannot hold (see StoredText); a file that
//   starts with the UTF-16 LE byte-order mark is UTF-16 LE throughout and stays so;
// - the file is always replaced atomically, so a crash leaves the old or the new file;
// - a file that is not read (not a regular file, or over MaxIndexFileBytes) gives defaults, is
//   told of once (ReportRefusedFile) and is not written: writes to it fail.
// A file name is matched without regard to case inside its folder.

// Value of a key, cut to 254 characters; def when the key, its section or the file is missing.
QString GetPrivateProfileString(const QString &section, const QString &key, const QString &def,
                                const QString &file);
// The same, whole: for moving a key to another file without losing its end.
QString GetPrivateProfileStringWhole(const QString &section, const QString &key,
                                     const QString &def, const QString &file);

// The names of the file's sections, and of one section's keys, as written and in file order; the
// first of duplicates only. Empty when the file or section is missing.
QStringList GetPrivateProfileSectionNames(const QString &file);
QStringList GetPrivateProfileKeyNames(const QString &section, const QString &file);

// Why the file, which exists, is not read; empty when it is read or missing.
QString ProfileFileProblem(const QString &file);

// Returns false when the file could not be written; the old file is then left intact.
bool WritePrivateProfileString(const QString &section, const QString &key, const QString &value,
                               const QString &file);

// Removes a key, every line of it in its section; missing keys and files are not an error.
bool DeletePrivateProfileKey(const QString &section, const QString &key, const QString &file);

// Gathers the writes to one file made while it lives and writes the file once, at commit() or
// when it goes out of scope. Reads made meanwhile see the gathered writes.
class ProfileBatch
{
public:
    explicit ProfileBatch(const QString &file);
    ~ProfileBatch();
    ProfileBatch(const ProfileBatch &) = delete;
    ProfileBatch &operator=(const ProfileBatch &) = delete;

    bool commit();

private:
    QString m_file;
    bool m_open = true;
};
