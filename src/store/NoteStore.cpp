#include "store/NoteStore.h"

#include "base/FileAccess.h"
#include "base/Globals.h"
#include "base/Log.h"
#include "base/ProfileString.h"
#include "base/Services.h"
#include "store/Ini.h"
#include "store/NoteFiles.h"
#include "store/NoteFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRect>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>

namespace {

QString key(const char16_t *name)
{
    return QString::fromUtf16(name);
}

struct StoreState
{
    bool loading = false;
    QString failureText;
    bool failureShown = false;
};

StoreState &state()
{
    static StoreState s;
    static const bool registered = [] {
        OnProgramStateReset([] { state() = StoreState(); });
        return true;
    }();
    Q_UNUSED(registered);
    return s;
}

QString describeFailure()
{
    const WriteFailure f = LastWriteFailure();
    const QString file = f.path.isEmpty() ? QString() : QFileInfo(f.path).fileName() + u": "_qs;
    return u"Não foi possível salvar as notas na pasta %1 (%2%3)."_qs.arg(
        QDir::toNativeSeparators(DataPath), file, f.text());
}

// A note number as stored: plain decimal, 1 to 32767. Anything else names no note.
int noteNumber(const QString &text)
{
    bool ok = false;
    const qint64 n = text.trimmed().toLongLong(&ok);
    return ok && n >= 1 && n <= 32767 ? int(n) : 0;
}

// The numbers of the content files in the data folder, in ascending order, each once (two files
// may differ only in letter case).
QList<int> contentFileNumbers()
{
    QList<int> numbers;
    const QStringList files = QDir(DataPath).entryList(QDir::Files | QDir::Hidden);
    for (const QString &file : files) {
        if (const int n = NoteFileNumber(file))
            numbers.append(n);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

// A deleted note keeps its section with Tag and emptied values; its content file is gone, or
// was meant to be. A file put back after that (restored from the Trash) is the note again: it
// was moved there after Indice.cfg was last written, while a leftover was last changed before.
bool wasDeleted(int id, const QString &file)
{
    return DeletedSection(id) &&
           QFileInfo(ContentFile(id)).metadataChangeTime() <= QFileInfo(file).lastModified();
}

double fontSize(const QString &text, double fallback)
{
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = t.toDouble(&ok);
    return ok && value > 0 && value < 1639 ? value : fallback;
}

std::optional<int> position(const QString &text)
{
    // An empty value cannot be assigned: the window keeps its place.
    if (text.isEmpty())
        return std::nullopt;
    return int(std::clamp<qint64>(IniNumber(text, 0), -1'000'000'000, 1'000'000'000));
}

} // namespace

bool DeletedSection(int id)
{
    const QString file = IndexFile();
    const QString section = QString::number(id);
    return !ReadIni(section, key(u"Tag"), QString(), file).isEmpty() &&
           ReadIni(section, key(u"Top"), QString(), file).isEmpty() &&
           ReadIni(section, key(u"Visivel"), QString(), file).isEmpty();
}

NoteRecord ReadNoteKeys(qint16 id)
{
    const QString file = IndexFile();
    const QString section = QString::number(id);
    const auto read = [&](const char16_t *name, const char16_t *def) {
        return ReadIni(section, key(name), key(def), file);
    };
    NoteRecord r;
    r.id = id;
    r.title = read(u"Titulo", u"");
    r.top = position(read(u"Top", u""));
    r.left = position(read(u"Left", u""));
    r.color1 = quint32(IniNumber(read(u"Color1", u"&H52E9FE"), 0x52E9FE));
    r.color2 = quint32(IniNumber(read(u"Color2", u"8912895"), 8912895));
    r.alarm = read(u"Alarme", u"0") == u"1";
    r.visible = StrToBool(read(u"Visivel", u"True"));
    r.onTop = read(u"OnTop", u"False") != u"False";
    return r;
}

NoteRecord ReadNoteRecord(qint16 id)
{
    NoteRecord r = ReadNoteKeys(id);
    const QString content = ContentFile(id);
    r.contentStamp = FileStamp::of(content);
    FileRead file = ReadDataFile(content, MaxNoteFileBytes);
    if (file.error == 0)
        r.content = std::move(file.bytes);
    else if (!file.missing())
        r.contentProblem = file.why;
    return r;
}

bool SaveNoteRecords(const QList<qint16> &listed, QList<NoteRecord> &records)
{
    StoreState &s = state();
    if (!QFileInfo(DataPath).isDir()) {
        errno = 0;
        if (!QDir().mkpath(DataPath)) {
            s.failureText = u"Não foi possível recriar a pasta %1 (%2)."_qs.arg(
                QDir::toNativeSeparators(DataPath), SystemErrorText(errno));
            return false;
        }
        QFile::setPermissions(DataPath, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    const QString file = IndexFile();
    bool ok = true;
    {
        ProfileBatch batch(file);
        ok &= WritePrivateProfileString(key(u"Indice"), key(u"TotalForms"),
                                        QString::number(listed.size()), file);
        for (NoteRecord &r : records) {
            const QString tag = QString::number(r.id);
            const auto write = [&](const char16_t *name, const QString &value) {
                ok &= WritePrivateProfileString(tag, key(name), value, file);
            };
            write(u"Top", QString::number(r.top.value_or(0)));
            write(u"Left", QString::number(r.left.value_or(0)));
            write(u"Tag", tag);
            write(u"Titulo", r.title);
            write(u"Visivel", r.visible ? key(u"True") : key(u"False"));
            write(u"Color1", QString::number(r.color1));
            write(u"Color2", QString::number(r.color2));
            r.contentSaved = r.contentChangedOutside = false;
            if (r.content) {
                const WriteOutcome outcome =
                    WriteFileAtomicIf(ContentFile(r.id), *r.content, r.contentStamp, &r.contentStamp);
                r.contentSaved = outcome == WriteOutcome::Written;
                r.contentChangedOutside = outcome == WriteOutcome::ChangedOutside;
                ok &= outcome != WriteOutcome::Failed;
            }
        }
        ok &= batch.commit();
    }
    QString list = QStringLiteral(",");
    for (const qint16 id : listed)
        list += QString::number(id) + QLatin1Char(',');
    ok &= WriteListLine(list);
    if (ok) {
        s.failureText.clear();
        s.failureShown = false;
    } else {
        s.failureText = describeFailure();
    }
    return ok;
}

void DeleteNoteData(qint16 Id, bool whole)
{
    const QString file = IndexFile();
    const QString section = QString::number(Id);
    {
        ProfileBatch batch(file);
        for (const char16_t *name : {u"Alarme", u"Data", u"Hora", u"TocarSom", u"TipoDataAlarme",
                                     u"HoraAntes", u"TocouEm"})
            WritePrivateProfileString(section, key(name), QString(), file);
        if (whole) {
            for (const char16_t *name : {u"OnTop", u"Color1", u"Color2", u"Top", u"Left",
                                         u"Visivel", u"Titulo", u"ArquivoWave"})
                WritePrivateProfileString(section, key(name), QString(), file);
        }
    }
    if (!whole)
        return;
    // Into the Trash: a note deleted by mistake can be put back from there.
    const QString content = ContentFile(Id);
    if (QFileInfo::exists(content))
        MoveToTrash(content);
}

void UnlistNote(qint16 Id, int remaining)
{
    WritePrivateProfileString(key(u"Indice"), key(u"TotalForms"), QString::number(remaining),
                              IndexFile());
    const QString comma = QStringLiteral(",");
    WriteListLine(ReplaceAll(ReadListLine(), comma + QString::number(Id) + comma, comma));
}

qint16 NextNoteId(const QList<int> &open)
{
    const QString file = IndexFile();
    // The list as it ought to be: what it names, then the notes the folder holds that it misses
    // (a lost or damaged list, notes another computer added). It is written at once, so that the
    // number is recorded before any note can take it.
    QList<int> listed;
    QSet<int> seen;
    for (const QString &field : ReadListLine().split(u',')) {
        const int id = noteNumber(field);
        if (id != 0 && !seen.contains(id)) {
            listed.append(id);
            seen.insert(id);
        }
    }
    for (const int id : contentFileNumbers()) {
        if (!seen.contains(id) && !wasDeleted(id, file)) {
            listed.append(id);
            seen.insert(id);
        }
    }
    const QList<int> usedList = NoteIdsInUse(open);
    const QSet<int> used(usedList.begin(), usedList.end());
    int n = 1;
    while (n < 32767 && used.contains(n))
        ++n;
    listed.append(n);
    QString line = QStringLiteral(",");
    for (const int id : listed)
        line += QString::number(id) + QLatin1Char(',');
    WriteListLine(line);
    return qint16(n);
}

QList<int> NotesToLoad()
{
    const QString file = IndexFile();
    // TotalForms only says how many listed notes were saved at least once; a damaged or
    // disagreeing value must not drop the notes the list names.
    const qint64 count = IniNumber(ReadIni(key(u"Indice"), key(u"TotalForms"), key(u"0"), file));
    const QStringList fields = ReadListLine().split(u',');
    QList<int> ids;
    QSet<int> seen;
    qint64 position = 0;
    for (const QString &field : fields) {
        if (field.trimmed().isEmpty())
            continue;
        ++position;
        const int id = noteNumber(field);
        if (id == 0 || seen.contains(id))
            continue;
        seen.insert(id);
        // A number handed out to a new note that was never saved names nothing to show.
        if (position > count && !QFileInfo::exists(ContentFile(id)) &&
            ReadIni(QString::number(id), key(u"Tag"), QString(), file).isEmpty())
            continue;
        ids.append(id);
    }
    // Content files the list does not name are notes all the same (a lost or damaged list, an
    // older copy that dropped them), unless they belong to a deleted note.
    for (const int id : contentFileNumbers()) {
        if (!seen.contains(id) && !wasDeleted(id, file))
            ids.append(id);
    }
    return ids;
}

bool NotesLoading()
{
    return state().loading;
}

void SetNotesLoading(bool loading)
{
    state().loading = loading;
}

NewTextFormat ReadNewTextFormat()
{
    const QString file = IndexFile();
    const QString fmt = QStringLiteral("Format");
    const auto read = [&](const char16_t *name, const char16_t *def) {
        return ReadIni(fmt, key(name), key(def), file);
    };
    NewTextFormat f;
    f.bold = StrToBool(read(u"FontBold", u"False"));
    f.color = quint32(IniNumber(read(u"SelColor", u"0"), 0)) & 0xFFFFFF;
    f.fontName = read(u"FontName", u"Arial");
    f.fontSize = fontSize(read(u"FontSize", u"9,75"), 9.75);
    f.italic = StrToBool(read(u"FontItalic", u"False"));
    f.strikethrough = StrToBool(read(u"FontStrikethrough", u"False"));
    f.underline = StrToBool(read(u"FontUnderline", u"False"));
    return f;
}

void RescueNoteTexts(const QList<std::pair<qint16, QByteArray>> &texts)
{
    if (texts.isEmpty())
        return;
    // Outside the data folder, which is what failed.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           u"/Notavex/não salvas"_qs;
    const QString when = Services::clock().now().toString(u"yyyyMMdd-HHmmss"_qs);
    bool ok = QDir().mkpath(folder);
    // Each is tried: one that cannot be written is no reason to leave the others.
    for (const auto &[id, text] : texts)
        ok = WriteFileAtomic(u"%1/notavex%2-%3.rtf"_qs.arg(folder).arg(id).arg(when), text) && ok;
    state().failureText += (ok ? u" O texto não salvo foi copiado para %1."_qs
                               : u" Também não foi possível copiar o texto não salvo para %1."_qs)
                               .arg(QDir::toNativeSeparators(folder));
}

bool FailSave()
{
    state().failureText = describeFailure();
    return false;
}

QString SaveFailureText()
{
    return state().failureText;
}

void ReportSaveFailure()
{
    LogProblem(state().failureText);
    if (state().failureShown)
        return;
    state().failureShown = true;
    Services::messageBoxes().show(state().failureText +
                                      u"\n\nAs notas continuam abertas, e o Notavex "
                                      u"tentará salvá-las de novo."_qs,
                                  MessageBoxes::Ok, MessageBoxes::Warning, MessageBoxes::AnswerOk);
}

QPoint KeepOnScreen(QPoint twips)
{
    int left = twips.x();
    int top = twips.y();
    // A note beyond the right or bottom edge of every screen comes back onto the primary one.
    // The test takes all screens, so notes kept on a second monitor stay there.
    const ScreenInfo &screen = Services::screen();
    const QRect desktop = screen.virtualGeometry();
    const QSize primary = screen.primarySize();
    const auto newTop = [&] {
        return int(Services::random().fraction() *
                   std::max(0, primary.height() * TwipsPerPixel - 3000));
    };
    const auto newLeft = [&] {
        return int(Services::random().fraction() *
                   std::max(0, primary.width() * TwipsPerPixel - 2700));
    };
    if (top > (desktop.y() + desktop.height()) * TwipsPerPixel - 2000)
        top = newTop();
    if (left > (desktop.x() + desktop.width()) * TwipsPerPixel - 2000)
        left = newLeft();

    // Negative positions are kept while some screen still shows a usable strip of the note; a
    // note no screen shows could never be reached again.
    constexpr int minVisible = 16;
    const QRect note(qRound(left / double(TwipsPerPixel)), qRound(top / double(TwipsPerPixel)),
                     NoteWidthPixels, NoteHeightPixels);
    const QList<QRect> screens = screen.screens();
    const bool shown = std::any_of(screens.begin(), screens.end(), [&](const QRect &s) {
        const QRect seen = s.intersected(note);
        return seen.width() >= minVisible && seen.height() >= minVisible;
    });
    if (!shown) {
        const bool acrossOk = note.right() >= desktop.left() + minVisible &&
                              note.left() <= desktop.right() - minVisible;
        const bool downOk = note.bottom() >= desktop.top() + minVisible &&
                            note.top() <= desktop.bottom() - minVisible;
        if (!downOk || acrossOk)
            top = newTop();
        if (!acrossOk || downOk)
            left = newLeft();
    }
    return QPoint(left, top);
}
