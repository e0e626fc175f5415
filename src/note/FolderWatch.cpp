#include "note/FolderWatch.h"

#include "base/FileAccess.h"
#include "base/FileStamp.h"
#include "base/Globals.h"
#include "note/NoteWindows.h"
#include "note/OpenForms.h"
#include "note/frmNote.h"
#include "store/NoteFiles.h"
#include "store/NoteFolder.h"
#include "store/NoteStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QHash>
#include <QSet>
#include <QTimer>

namespace {

// A synchronisation writes a note file, a temporary beside it and the index in a burst: the
// folder is looked at once the burst has settled.
constexpr int SettleMs = 300;
// While notes load or a dialog is open no window may come or go: look again later.
constexpr int BusyRetryMs = 1000;

QList<frmNote *> noteWindows()
{
    QList<frmNote *> notes;
    for (int i = 1; i < OpenForms::count(); ++i) {
        auto *w = qobject_cast<frmNote *>(OpenForms::at(i));
        if (w && w->NoteId() != 0)
            notes.append(w);
    }
    return notes;
}

class FolderWatch : public QObject
{
public:
    FolderWatch()
    {
        m_settle.setSingleShot(true);
        m_settle.setInterval(SettleMs);
        connect(&m_settle, &QTimer::timeout, this, &FolderWatch::check);
        connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { settle(); });
        connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, [this] { settle(); });
        OnProgramStateReset([this] { stop(); });
    }

    void start()
    {
        stop();
        m_folder = DataPath;
        m_indexStamp = FileStamp::of(IndexFile());
        // Files of deleted notes that loading passed over stay unseen until they change.
        const QList<int> open = OpenNoteIds();
        const QSet<int> openSet(open.begin(), open.end());
        for (const QString &name : noteFileNames()) {
            if (!openSet.contains(NoteFileNumber(name)))
                m_passedOver.insert(name, FileStamp::of(m_folder + name));
        }
        check();
    }

    void stop()
    {
        m_settle.stop();
        m_folder.clear();
        m_passedOver.clear();
        if (const QStringList paths = m_watcher.files() + m_watcher.directories(); !paths.isEmpty())
            m_watcher.removePaths(paths);
    }

    void check()
    {
        if (m_folder.isEmpty() || m_folder != DataPath)
            return;
        if (NotesLoading() || !TrayReady) {
            m_settle.start(BusyRetryMs);
            return;
        }
        for (const int id : TidyNoteFolder(OpenNoteIds()))
            OpenStoredNote(id);
        openAddedNotes();
        takeRewrittenTexts();
        takeChangedKeys();
        watch();
        // Once the event loop runs: a close request must be able to end the program meanwhile.
        if (RefusedFilesPending())
            QTimer::singleShot(0, this, [] { ShowRefusedFiles(); });
    }

private:
    // From the first change of a burst on, not the last: a long synchronisation is taken in as
    // it goes.
    void settle()
    {
        if (!m_folder.isEmpty() && !m_settle.isActive())
            m_settle.start(SettleMs);
    }

    QStringList noteFileNames() const
    {
        QStringList names = QDir(m_folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
        names.removeIf([](const QString &name) { return NoteFileNumber(name) == 0; });
        return names;
    }

    void openAddedNotes()
    {
        const QList<int> open = OpenNoteIds();
        QSet<int> openSet(open.begin(), open.end());
        for (const QString &name : noteFileNames()) {
            const int id = NoteFileNumber(name);
            const QString path = m_folder + name;
            // A case twin is not its number's own file; it was made a note of its own above.
            if (openSet.contains(id) || ContentFile(id) != path)
                continue;
            const auto passed = m_passedOver.constFind(name);
            if (passed != m_passedOver.constEnd() && *passed == FileStamp::of(path))
                continue;
            m_passedOver.remove(name);
            // A deleted note's file put back from the Trash: its keys are written at once, or a
            // later save of Indice.cfg would leave it passing for the leftover of a deletion.
            const bool putBack = DeletedSection(id);
            OpenStoredNote(id);
            openSet.insert(id);
            if (putBack)
                SaveNotes(qint16(id));
        }
    }

    void takeRewrittenTexts()
    {
        for (frmNote *w : noteWindows()) {
            const QString path = ContentFile(w->NoteId());
            const FileStamp now = FileStamp::of(path);
            // A file gone missing is not a deleted note: the note is written back at its next save.
            if (!now.exists || now == w->StoredContentStamp())
                continue;
            const FileRead file = ReadDataFile(path, MaxNoteFileBytes);
            if (file.error != 0)
                continue;
            const QByteArray &theirs = file.bytes;
            if (w->StoredContentIs(theirs)) {
                w->SetStoredContent(now, theirs);
            } else if (!w->HasUnsavedTyping()) {
                w->ReloadContent(theirs, now);
            } else {
                // Both sides changed the text: the user's stays in the note, theirs beside it.
                if (const int kept = KeepAsNewNote(theirs, w->NoteId(), OpenNoteIds()))
                    OpenStoredNote(kept);
                else
                    continue;
                w->SetStoredContent(now, theirs);
            }
        }
    }

    void takeChangedKeys()
    {
        const FileStamp now = FileStamp::of(IndexFile());
        if (now == m_indexStamp)
            return;
        m_indexStamp = now;
        for (frmNote *w : noteWindows())
            w->ApplyOutsideKeys(ReadNoteKeys(w->NoteId()));
    }

    void watch()
    {
        QStringList wanted{QDir::cleanPath(m_folder), IndexFile()};
        for (const frmNote *w : noteWindows())
            wanted.append(ContentFile(w->NoteId()));
        const QStringList current = m_watcher.files() + m_watcher.directories();
        const QSet<QString> watched(current.begin(), current.end());
        QStringList missing;
        for (const QString &path : wanted) {
            if (!watched.contains(path) && QFile::exists(path))
                missing.append(path);
        }
        if (!missing.isEmpty())
            m_watcher.addPaths(missing);
    }

    QString m_folder;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    FileStamp m_indexStamp;
    QHash<QString, FileStamp> m_passedOver;
};

FolderWatch &folderWatch()
{
    // Lives as long as the application: parented to it, gone with it.
    static FolderWatch *watch = [] {
        auto *w = new FolderWatch;
        w->setParent(QCoreApplication::instance());
        return w;
    }();
    return *watch;
}

} // namespace

void WatchDataFolder()
{
    folderWatch().start();
}

void CheckDataFolder()
{
    folderWatch().check();
}
