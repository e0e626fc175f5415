#include "store/NoteFolder.h"

#include "base/FileAccess.h"
#include "base/Globals.h"
#include "base/ProfileString.h"
#include "store/Ini.h"
#include "store/NoteFiles.h"
#include "store/NoteStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

namespace {

QString key(const char16_t *name)
{
    return QString::fromUtf16(name);
}

int noteFileNumber(const QString &fileName)
{
    return NoteFileNumber(fileName);
}

QStringList folderFiles()
{
    return QDir(DataPath).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// A section whose note was never deleted: deleting empties these keys and keeps only Tag.
bool liveSection(const QString &section, const QString &file)
{
    for (const char16_t *name : {u"Top", u"Left", u"Titulo", u"Visivel"}) {
        if (!ReadIni(section, key(name), QString(), file).isEmpty())
            return true;
    }
    return false;
}

bool mergeListCopy(const QString &copyPath)
{
    // A copy that cannot be read stays where it is.
    const std::optional<QString> theirs = ReadListFile(copyPath);
    if (!theirs)
        return false;
    QString line = ReadListLine();
    if (line.isEmpty())
        line = QStringLiteral(",");
    for (const QString &field : theirs->split(u',')) {
        const int id = noteFileNumber(u"notavex"_qs + field.trimmed() + u".arl"_qs);
        if (id != 0 && !ListContains(line, id))
            line = ListAppend(line, id);
    }
    return WriteListLine(line) && QFile::remove(copyPath);
}

} // namespace

QString ConflictCopyOf(const QString &fileName)
{
    // Syncthing: name.sync-conflict-20261207-101010-ABCDEFG.ext
    static const QRegularExpression syncthing(
        u"^(.+)\\.sync-conflict-[0-9]{8}-[0-9]{6}-[0-9A-Z]{7}(\\.[^.]+)?$"_qs);
    // Nextcloud and ownCloud: "name (conflicted copy 2026-12-07 101010).ext"; Dropbox:
    // "name (Ana's conflicted copy 2026-12-07).ext", a further copy ending in " (1)".
    static const QRegularExpression conflicted(
        u"^(.+) \\((?:[^()]*'s )?conflicted copy [0-9]{4}-[0-9]{2}-[0-9]{2}[^()]*(?: \\([0-9]+\\))?\\)"
        u"(\\.[^.]+)?$"_qs);
    for (const QRegularExpression *pattern : {&syncthing, &conflicted}) {
        const QRegularExpressionMatch m = pattern->match(fileName);
        if (!m.hasMatch())
            continue;
        const QString original = m.captured(1) + m.captured(2);
        if (noteFileNumber(original) != 0 ||
            original.compare(u"Indice.cfg"_qs, Qt::CaseInsensitive) == 0 ||
            original.compare(u"indice.dat"_qs, Qt::CaseInsensitive) == 0)
            return original;
    }
    return QString();
}

bool MergeIndexCopy(const QString &copyPath)
{
    // A copy that cannot be read stays where it is.
    if (!ProfileFileProblem(copyPath).isEmpty())
        return false;
    const QString file = IndexFile();
    // What no key can hold: a value read back as this was never there.
    const QString missing = QStringLiteral("\x01");
    bool ok = true;
    {
        ProfileBatch batch(file);
        for (const QString &section : GetPrivateProfileSectionNames(copyPath)) {
            for (const QString &name : GetPrivateProfileKeyNames(section, copyPath)) {
                if (GetPrivateProfileString(section, name, missing, file) != missing)
                    continue;
                ok &= WritePrivateProfileString(
                    section, name, GetPrivateProfileStringWhole(section, name, QString(), copyPath),
                    file);
            }
        }
        ok &= batch.commit();
    }
    // Its values the index already had another value for are not taken: they stay in the Trash.
    return ok && MoveToTrash(copyPath);
}

QList<int> NoteIdsInUse(const QList<int> &open)
{
    QSet<int> used(open.begin(), open.end());
    const QString line = ReadListLine();
    for (const QString &field : line.split(u',')) {
        if (const int id = noteFileNumber(u"notavex"_qs + field.trimmed() + u".arl"_qs))
            used.insert(id);
    }
    for (const QString &name : folderFiles()) {
        if (const int id = noteFileNumber(name))
            used.insert(id);
    }
    const QString file = IndexFile();
    for (const QString &section : GetPrivateProfileSectionNames(file)) {
        const int id = noteFileNumber(u"notavex"_qs + section.trimmed() + u".arl"_qs);
        if (id != 0 && liveSection(section, file))
            used.insert(id);
    }
    QList<int> ids(used.begin(), used.end());
    std::sort(ids.begin(), ids.end());
    return ids;
}

namespace {

// The keys of a note that is the other side of note `from`.
void writeConflictKeys(int id, int from)
{
    const QString file = IndexFile();
    const QString source = QString::number(from);
    const QString section = QString::number(id);
    const auto stored = [&](const char16_t *name) {
        return ReadIni(source, key(name), QString(), file);
    };
    ProfileBatch batch(file);
    const auto write = [&](const char16_t *name, const QString &value) {
        WritePrivateProfileString(section, key(name), value, file);
    };
    write(u"Tag", section);
    write(u"Titulo", stored(u"Titulo") + u" (conflito)"_qs);
    write(u"Visivel", key(u"True"));
    for (const char16_t *name : {u"Top", u"Color1", u"Color2"}) {
        if (const QString value = stored(name); !value.isEmpty())
            write(name, value);
    }
    // Beside the note it comes from; a place off the screen is corrected when it is shown.
    if (const QString left = stored(u"Left"); !left.isEmpty())
        write(u"Left", QString::number(IniNumber(left) + (NoteWidthPixels + 10) * TwipsPerPixel));
    batch.commit();
}

void unlist(int id)
{
    const QString comma = QStringLiteral(",");
    WriteListLine(ReplaceAll(ReadListLine(), comma + QString::number(id) + comma, comma));
}

} // namespace

int AdoptAsNewNote(const QString &path, int from, const QList<int> &open)
{
    const int id = NextNoteId(open);
    const QString target = DataPath + u"notavex%1.arl"_qs.arg(id);
    if (QFileInfo::exists(target) || !QFile::rename(path, target)) {
        unlist(id);
        return 0;
    }
    writeConflictKeys(id, from);
    return id;
}

int KeepAsNewNote(const QByteArray &content, int from, const QList<int> &open)
{
    const int id = NextNoteId(open);
    const QString target = DataPath + u"notavex%1.arl"_qs.arg(id);
    if (QFileInfo::exists(target) || !WriteFileAtomic(target, content)) {
        unlist(id);
        return 0;
    }
    writeConflictKeys(id, from);
    return id;
}

QList<int> TidyNoteFolder(const QList<int> &open)
{
    QList<int> adopted;
    const auto inUse = [&] { return open + adopted; };
    const QStringList files = folderFiles();
    for (const QString &name : files) {
        const QString original = ConflictCopyOf(name);
        if (original.isEmpty())
            continue;
        const QString path = DataPath + name;
        if (original.compare(u"Indice.cfg"_qs, Qt::CaseInsensitive) == 0)
            MergeIndexCopy(path);
        else if (original.compare(u"indice.dat"_qs, Qt::CaseInsensitive) == 0)
            mergeListCopy(path);
        else if (const int id = AdoptAsNewNote(path, noteFileNumber(original), inUse()))
            adopted.append(id);
    }
    // Of the files of one number that differ only in case, the note keeps the one it reads.
    for (const QString &name : files) {
        const int n = noteFileNumber(name);
        const QString path = DataPath + name;
        if (n == 0 || !QFileInfo::exists(path) || ContentFile(n) == path)
            continue;
        if (const int id = AdoptAsNewNote(path, n, inUse()))
            adopted.append(id);
    }
    return adopted;
}
