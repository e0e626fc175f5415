#include "note/NoteWindows.h"

#include "base/FileAccess.h"
#include "base/Globals.h"
#include "base/Log.h"
#include "base/ProfileString.h"
#include "note/FolderWatch.h"
#include "note/NativePosition.h"
#include "note/OpenForms.h"
#include "note/frmNote.h"
#include "store/Ini.h"
#include "store/NoteFiles.h"
#include "store/NoteFolder.h"
#include "store/NoteStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPointer>
#include <QTextDocument>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr qint64 LoadBatchMs = 40;

// The note windows of OpenForms, newest first: the order in which they are saved and listed.
QList<frmNote *> noteWindowsNewestFirst()
{
    QList<frmNote *> notes;
    for (int i = OpenForms::count() - 1; i >= 1; --i) {
        auto *w = qobject_cast<frmNote *>(OpenForms::at(i));
        if (w && OpenForms::noteIdOf(w) != 0)
            notes.append(w);
    }
    return notes;
}

// New text in an empty note gets the format chosen in the options, in the order they were
// applied by older copies (the last one wins where two touch the same property).
void applyNewTextFormat(RichTextBox *box, const NewTextFormat &f)
{
    box->SetSelBold(f.bold);
    box->SetSelColor(f.color);
    box->SetSelFontName(f.fontName);
    box->SetSelFontSize(f.fontSize);
    box->SetSelItalic(f.italic);
    box->SetSelStrikeThru(f.strikethrough);
    box->SetSelUnderline(f.underline);
}

std::function<void(frmNote *, const QPoint &, bool)> &noteMenuHandler()
{
    static std::function<void(frmNote *, const QPoint &, bool)> handler;
    return handler;
}

std::function<void()> &alarmDialog()
{
    static std::function<void()> open;
    return open;
}

frmNote *createNoteWindow(const QString &IdText, const QString &Title, bool show,
                          const NewTextFormat &format)
{
    auto *w = new frmNote;
    w->SetTag(IdText);
    w->SetSaver([](qint16 id) { return SaveNotes(id); });
    w->SetDeleter([](qint16 id, bool whole) {
        DeleteNote(id, whole ? qint16(FindNoteFormIndex(id)) : qint16(0));
    });
    QObject::connect(w, &frmNote::noteMenuRequested, w, [w](const QPoint &pos, bool onTop) {
        if (noteMenuHandler())
            noteMenuHandler()(w, pos, onTop);
    });
    // The link has made the note current; it saves the note after the dialog.
    w->SetLinkAction(1, [] { PersonalizaCurrentNote(); });
    w->SetLinkAction(2, [] {
        if (alarmDialog())
            alarmDialog()();
    });
    w->SetLinkAction(0, [] {
        if (auto *note = qobject_cast<frmNote *>(OpenForms::at(CurrentFormIndex)))
            note->Fonte();
    });
    w->Form_Load();
    w->setWindowTitle(Title);
    if (show)
        w->show();
    applyNewTextFormat(w->txtNote, format);
    return w;
}

// Gives a window its stored note, kept where a screen shows it.
void applyStoredRecord(frmNote *w, NoteRecord r)
{
    if (!r.contentProblem.isEmpty())
        LogProblem(u"não foi possível ler %1 (%2); a nota fica como está no disco."_qs.arg(
            QDir::toNativeSeparators(ContentFile(r.id)), r.contentProblem));
    // What another program changes later is told apart from what the file holds now.
    w->SetStoredKeys(r);
    // Positions are compared as stored; the window itself only holds whole pixels.
    const QPoint place =
        KeepOnScreen(QPoint(r.left.value_or(w->Left()), r.top.value_or(w->Top())));
    r.top = place.y();
    r.left = place.x();
    w->ApplyRecord(r);
}

// Reads the notes' keys and files ahead of the windows, in a thread of its own: the window system
// keeps the user-interface thread waiting for much of the time a window takes to make.
class RecordReader
{
public:
    explicit RecordReader(const QList<int> &ids)
        : m_ids(ids), m_records(size_t(ids.size())), m_thread([this] { run(); })
    {
    }
    ~RecordReader()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }

    NoteRecord take(qsizetype i)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_read > i; });
        m_taken = i + 1;
        NoteRecord r = std::move(m_records[size_t(i)]);
        m_bytesAhead -= contentSize(r);
        lock.unlock();
        m_changed.notify_all();
        return r;
    }

private:
    // Far enough ahead never to keep the windows waiting, near enough that a folder of huge
    // notes is not all in memory at once: at most this many notes and, but for the next one to
    // take, this many bytes of text (a note file is at most MaxNoteFileBytes).
    static constexpr qsizetype Ahead = 32;
    static constexpr qint64 BytesAhead = qint64(128) << 20;

    static qint64 contentSize(const NoteRecord &r) { return r.content ? r.content->size() : 0; }

    void run()
    {
        for (qsizetype i = 0; i < m_ids.size(); ++i) {
            // A file over the limit is not read at all.
            qint64 size = FileStamp::of(ContentFile(m_ids.at(i))).size;
            size = size > MaxNoteFileBytes ? 0 : std::max<qint64>(0, size);
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [&] {
                    return m_stop || (i - m_taken < Ahead &&
                                      (i == m_taken || m_bytesAhead + size <= BytesAhead));
                });
                if (m_stop)
                    return;
            }
            NoteRecord r = ReadNoteRecord(qint16(m_ids.at(i)));
            {
                std::lock_guard lock(m_mutex);
                m_bytesAhead += contentSize(r);
                m_records[size_t(i)] = std::move(r);
                m_read = i + 1;
            }
            m_changed.notify_all();
        }
    }

    const QList<int> m_ids;
    std::vector<NoteRecord> m_records;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    qsizetype m_read = 0;
    qsizetype m_taken = 0;
    qint64 m_bytesAhead = 0; // of the records read and not taken yet
    bool m_stop = false;
    std::thread m_thread; // last: it starts once everything above is ready
};

// The notes a load has still to open, or left unopened when asked to stop early: they stay
// listed at every save, also one made while the load lets events run.
struct LoadState
{
    bool stop = false;
    QList<int> ids;
    qsizetype opened = 0;
    QList<int> notLoaded() const { return ids.mid(opened); }
};

LoadState &loadState()
{
    static LoadState state;
    static const bool registered = [] {
        OnProgramStateReset([] { loadState() = LoadState(); });
        return true;
    }();
    Q_UNUSED(registered);
    return state;
}

} // namespace

void SetNoteMenuHandler(std::function<void(frmNote *, const QPoint &, bool onTop)> handler)
{
    noteMenuHandler() = std::move(handler);
}

void SetAlarmDialog(std::function<void()> open)
{
    alarmDialog() = std::move(open);
}

QList<int> OpenNoteIds()
{
    QList<int> ids;
    for (const frmNote *w : noteWindowsNewestFirst())
        ids.append(w->NoteId());
    return ids;
}

frmNote *OpenStoredNote(int id)
{
    frmNote *w = createNoteWindow(QString::number(id), QString(), false, ReadNewTextFormat());
    applyStoredRecord(w, ReadNoteRecord(qint16(id)));
    return w;
}

frmNote *CreateNote(const QString &IdText, const QString &Title, bool Colored)
{
    frmNote *w = createNoteWindow(IdText, Title, true, ReadNewTextFormat());
    // A number used before keeps no colour of its old note: its Color1 was emptied.
    if (Colored && ReadIni(IdText, u"Color1"_qs, QString(), IndexFile()).isEmpty())
        w->Personaliza(true);
    return w;
}

void PersonalizaCurrentNote()
{
    QPointer<frmNote> note = qobject_cast<frmNote *>(OpenForms::at(CurrentFormIndex));
    if (!note)
        return;
    note->Personaliza(false);
    if (!note || CurrentNoteId == 0)
        return;
    // The same values the note's own save wrote a moment ago (none after a cancel): a failed write
    // loses nothing.
    const QString section = QString::number(CurrentNoteId);
    WritePrivateProfileString(section, u"Color1"_qs, QString::number(note->Picture1->BackColor()),
                              IndexFile());
    WritePrivateProfileString(section, u"Color2"_qs, QString::number(note->txtNote->BackColor()),
                              IndexFile());
}

namespace {

// A content file another program rewrote since this note last read or wrote it is not written
// over: what it holds becomes a note of its own first. False when that version could be neither
// read nor kept (LastWriteFailure says why): it stays on disk, and the note is not saved over it.
bool keepOutsideVersion(frmNote *w)
{
    const qint16 id = w->NoteId();
    const QString path = ContentFile(id);
    const FileStamp now = FileStamp::of(path);
    if (!now.exists || now == w->StoredContentStamp())
        return true;
    const FileRead file = ReadDataFile(path, MaxNoteFileBytes);
    if (file.error != 0)
        return RefuseWrite(path, file);
    const QByteArray &theirs = file.bytes;
    if (!w->StoredContentIs(theirs) && KeepAsNewNote(theirs, id, OpenNoteIds()) == 0)
        return false;
    w->SetStoredContent(now, theirs);
    return true;
}

bool saveNoteWindows(qint16 Id, bool askWindowSystem, QString *changedOutside)
{
    const QList<frmNote *> notes = noteWindowsNewestFirst();
    QList<qint16> listed;
    // Listed as a whole load would have made them: the last loaded first.
    const QList<int> notLoaded = loadState().notLoaded();
    for (auto it = notLoaded.crbegin(); it != notLoaded.crend(); ++it)
        listed.append(qint16(*it));
    QList<frmNote *> saved;
    QList<const QWidget *> windows;
    for (frmNote *w : notes) {
        listed.append(w->NoteId());
        if (Id == 0 || w->NoteId() == Id) {
            saved.append(w);
            windows.append(w);
        }
    }
    // Where the saved notes are is asked of the window system in one go.
    QList<std::optional<QPoint>> seen(windows.size());
    if (askWindowSystem)
        seen = NativeWindowPositions(windows);
    QList<NoteRecord> records;
    records.reserve(saved.size());
    for (qsizetype i = 0; i < saved.size(); ++i) {
        if (seen.at(i))
            saved.at(i)->SeenAt(*seen.at(i));
        records.append(saved.at(i)->Record(saved.at(i)->LastKnownPosition()));
    }

    const bool ok = SaveNoteRecords(listed, records);
    for (qsizetype i = 0; i < saved.size(); ++i) {
        const NoteRecord &r = records.at(i);
        if (r.contentSaved) {
            saved.at(i)->ContentSaved();
            saved.at(i)->SetStoredContent(r.contentStamp, *r.content);
        }
        if (r.contentChangedOutside)
            *changedOutside = ContentFile(r.id);
        if (ok)
            saved.at(i)->SetStoredKeys(r);
    }
    return ok;
}

// SaveNotes, with the positions asked of the window system, or, once it is gone, the last known.
bool saveNotes(qint16 Id, bool askWindowSystem)
{
    const QList<frmNote *> notes = noteWindowsNewestFirst();
    // A note no longer open (deleted, or let go of as the program ends) has nothing to save: a save
    // now would only list the others without it.
    if (Id != 0 && std::none_of(notes.begin(), notes.end(),
                                [Id](const frmNote *w) { return w->NoteId() == Id; }))
        return true;
    // A content file replaced outside between the check below and the write is seen by the write,
    // which then leaves it alone: the check is made again, which keeps that version too.
    for (int attempt = 0;; ++attempt) {
        bool kept = true;
        for (frmNote *w : notes) {
            if ((Id == 0 || w->NoteId() == Id) && w->ContentNeedsSaving())
                kept &= keepOutsideVersion(w);
        }
        QString changedOutside;
        const bool ok = saveNoteWindows(Id, askWindowSystem, &changedOutside);
        if (changedOutside.isEmpty())
            return ok;
        if (attempt == 2) {
            // What was typed is only in memory: a failed save, said and tried again like any.
            if (kept)
                RefuseWrite(changedOutside,
                            {{}, EBUSY, u"outro programa o muda a cada gravação"_qs});
            return FailSave();
        }
    }
}

} // namespace

bool SaveNotes(qint16 Id)
{
    return saveNotes(Id, true);
}

bool SaveNotesWithoutDisplay()
{
    return saveNotes(0, false);
}

void RescueUnsavedNotes()
{
    QList<std::pair<qint16, QByteArray>> texts;
    for (frmNote *w : noteWindowsNewestFirst()) {
        if (w->txtNote->document()->isEmpty())
            continue;
        if (std::optional<QByteArray> text = w->Record({}).content)
            texts.append({w->NoteId(), std::move(*text)});
    }
    RescueNoteTexts(texts);
}

void DeleteNote(qint16 Id, qint16 Index)
{
    DeleteNoteData(Id, Index != 0);
    if (Index == 0)
        return;
    if (QWidget *w = OpenForms::at(Index); w && Index > 0)
        w->close();
    UnlistNote(Id, int(noteWindowsNewestFirst().size()));
}

void LoadNotes()
{
    SetNotesLoading(true);
    // Conflict copies and case twins become notes of their own before the notes are counted.
    TidyNoteFolder({});
    const QList<int> ids = NotesToLoad();
    // The options can only change while the event loop runs: read anew after each batch.
    NewTextFormat format = ReadNewTextFormat();
    // The windows are made in batches with the event loop run in between: the loaded notes answer
    // clicks within a batch's time, the first note is painted at once, and the window system gets
    // many windows in one go, which it maps much faster than one at a time.
    QElapsedTimer batch;
    batch.start();
    {
        RecordReader reader(ids);
        loadState().ids = ids;
        for (qsizetype i = 0; i < ids.size(); ++i) {
            if (loadState().stop)
                break;
            const int id = ids.at(i);
            frmNote *w = createNoteWindow(QString::number(id), QString(), false, format);
            applyStoredRecord(w, reader.take(i));
            loadState().opened = i + 1;
            if (i == 0 || batch.hasExpired(LoadBatchMs)) {
                QCoreApplication::processEvents();
                format = ReadNewTextFormat();
                batch.restart();
            }
        }
    }
    if (loadState().stop) {
        // The program is ending: nothing more is shown or watched.
        SetNotesLoading(false);
        return;
    }
    loadState().ids.clear();
    loadState().opened = 0;
    // The last batch too gets its events before the tray opens.
    QCoreApplication::processEvents();
    SetNotesLoading(false);
    TrayReady = true;
    WatchDataFolder();
}

void StopLoadingNotes()
{
    loadState().stop = true;
}
