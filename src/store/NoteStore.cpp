#include "store/NoteStore.h"

#include "note/frmNote.h"
#include "platform/Globals.h"
#include "platform/Log.h"
#include "platform/NativePosition.h"
#include "platform/OpenForms.h"
#include "platform/ProfileString.h"
#include "platform/Services.h"
#include "platform/TopMost.h"
#include "store/Ini.h"
#include "store/NoteFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cerrno>

namespace {

constexpr int kTwipsPerPixel = frmNote::TwipsPerPixel;

QString key(const char16_t *name)
{
    return QString::fromUtf16(name);
}

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

int noteWindowCount()
{
    return int(noteWindowsNewestFirst().size());
}

double fontSize(const QString &text, double fallback)
{
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = t.toDouble(&ok);
    return ok && value > 0 && value < 1639 ? value : fallback;
}

// New text in an empty note gets the format chosen in the options, in the order they were
// applied by older copies (the last one wins where two touch the same property).
void applyNewTextFormat(RichTextBox *box)
{
    const QString file = IndexFile();
    const QString fmt = QStringLiteral("Format");
    box->SetSelBold(StrToBool(ReadIni(fmt, key(u"FontBold"), key(u"False"), file)));
    box->SetSelColor(quint32(IniNumber(ReadIni(fmt, key(u"SelColor"), key(u"0"), file), 0)) &
                     0xFFFFFF);
    box->SetSelFontName(ReadIni(fmt, key(u"FontName"), key(u"Arial"), file));
    box->SetSelFontSize(fontSize(ReadIni(fmt, key(u"FontSize"), key(u"9,75"), file), 9.75));
    box->SetSelItalic(StrToBool(ReadIni(fmt, key(u"FontItalic"), key(u"False"), file)));
    box->SetSelStrikeThru(StrToBool(ReadIni(fmt, key(u"FontStrikethrough"), key(u"False"), file)));
    box->SetSelUnderline(StrToBool(ReadIni(fmt, key(u"FontUnderline"), key(u"False"), file)));
}

std::function<void(frmNote *, const QPoint &, bool)> &noteMenuHandler()
{
    static std::function<void(frmNote *, const QPoint &, bool)> handler;
    return handler;
}

frmNote *createNoteWindow(const QString &IdText, const QString &Title, bool show)
{
    auto *w = new frmNote;
    w->SetTag(IdText);
    QObject::connect(w, &frmNote::noteMenuRequested, w, [w](const QPoint &pos, bool onTop) {
        if (noteMenuHandler())
            noteMenuHandler()(w, pos, onTop);
    });
    w->Form_Load();
    w->setWindowTitle(Title);
    if (show)
        w->show();
    applyNewTextFormat(w->txtNote);
    return w;
}

bool loading = false;
QString failureText;
bool failureShown = false;

QString describeFailure()
{
    const WriteFailure f = LastWriteFailure();
    const QString file = f.path.isEmpty() ? QString() : QFileInfo(f.path).fileName() + u": "_qs;
    return u"Não foi possível salvar as notas na pasta %1 (%2%3)."_qs.arg(
        QDir::toNativeSeparators(DataPath), file, SystemErrorText(f.error));
}

// A note number as stored: plain decimal, 1 to 32767. Anything else names no note.
int noteNumber(const QString &text)
{
    bool ok = false;
    const qint64 n = text.trimmed().toLongLong(&ok);
    return ok && n >= 1 && n <= 32767 ? int(n) : 0;
}

// The numbers of the content files in the data folder, in ascending order.
QList<int> contentFileNumbers()
{
    static const QRegularExpression name(u"^notavex([0-9]+)\\.arl$"_qs,
                                         QRegularExpression::CaseInsensitiveOption);
    QList<int> numbers;
    const QStringList files = QDir(DataPath).entryList(QDir::Files | QDir::Hidden);
    for (const QString &file : files) {
        const QRegularExpressionMatch m = name.match(file);
        if (const int n = m.hasMatch() ? noteNumber(m.captured(1)) : 0)
            numbers.append(n);
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

// A deleted note keeps its section with Tag and emptied values; its content file is gone, or
// was meant to be.
bool wasDeleted(int id, const QString &file)
{
    const QString section = QString::number(id);
    return !ReadIni(section, key(u"Tag"), QString(), file).isEmpty() &&
           ReadIni(section, key(u"Top"), QString(), file).isEmpty() &&
           ReadIni(section, key(u"Visivel"), QString(), file).isEmpty();
}

void runPendingEvents(int times)
{
    for (int i = 0; i < times; ++i)
        QCoreApplication::processEvents();
}

} // namespace

void SetNoteMenuHandler(std::function<void(frmNote *, const QPoint &, bool onTop)> handler)
{
    noteMenuHandler() = std::move(handler);
}

frmNote *CreateNote(const QString &IdText, const QString &Title, bool Colored)
{
    // Random colours for new notes come with the colour dialog; until then every note starts
    // from the stored or default colours.
    Q_UNUSED(Colored);
    return createNoteWindow(IdText, Title, true);
}

qint16 NextNoteId()
{
    QString line = QStringLiteral(",");
    if (ListFileExists())
        line = ReadListLine();
    int n = 1;
    while (n < 32767 && ListContains(line, n))
        ++n;
    WriteListLine(ListAppend(line, n));
    return qint16(n);
}

bool SaveNotes(qint16 Id)
{
    if (!QFileInfo(DataPath).isDir()) {
        errno = 0;
        if (!QDir().mkpath(DataPath)) {
            failureText = u"Não foi possível recriar a pasta %1 (%2)."_qs.arg(
                QDir::toNativeSeparators(DataPath), SystemErrorText(errno));
            return false;
        }
        QFile::setPermissions(DataPath, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    const QString file = IndexFile();
    const QList<frmNote *> notes = noteWindowsNewestFirst();
    bool ok = true;
    QString list = QStringLiteral(",");
    {
        // One replacement of Indice.cfg for the whole save, however many notes there are.
        ProfileBatch batch(file);
        ok &= WritePrivateProfileString(key(u"Indice"), key(u"TotalForms"),
                                        QString::number(notes.size()), file);
        // Where the saved notes are is asked of the window system in one go.
        QList<const QWidget *> saved;
        QList<qsizetype> slot(notes.size(), -1);
        for (qsizetype i = 0; i < notes.size(); ++i) {
            if (Id == 0 || OpenForms::noteIdOf(notes.at(i)) == Id) {
                slot[i] = saved.size();
                saved.append(notes.at(i));
            }
        }
        const QList<std::optional<QPoint>> seen = NativeWindowPositions(saved);
        for (qsizetype i = 0; i < notes.size(); ++i) {
            frmNote *w = notes.at(i);
            const QString tag = QString::number(OpenForms::noteIdOf(w));
            if (slot.at(i) >= 0) {
                const QPoint at = seen.at(slot.at(i)).value_or(w->pos());
                const auto write = [&](const char16_t *name, const QString &value) {
                    ok &= WritePrivateProfileString(tag, key(name), value, file);
                };
                write(u"Top", QString::number(at.y() * kTwipsPerPixel));
                write(u"Left", QString::number(at.x() * kTwipsPerPixel));
                write(u"Tag", tag);
                write(u"Titulo", w->txtTitle->text());
                write(u"Visivel", w->isVisible() ? key(u"True") : key(u"False"));
                write(u"Color1", QString::number(w->Picture1->BackColor()));
                write(u"Color2", QString::number(w->txtNote->BackColor()));
                // An unchanged content file is left as it is: it may hold what this program
                // could not read, or only showed in part.
                if (w->ContentNeedsSaving()) {
                    if (w->txtNote->SaveFile(ContentFile(OpenForms::noteIdOf(w))))
                        w->ContentSaved();
                    else
                        ok = false;
                }
            }
            list += tag + QLatin1Char(',');
        }
        ok &= batch.commit();
    }
    ok &= WriteListLine(list);
    if (ok) {
        failureText.clear();
        failureShown = false;
    } else {
        failureText = describeFailure();
    }
    return ok;
}

void ReportSaveFailure()
{
    LogProblem(failureText);
    if (failureShown)
        return;
    failureShown = true;
    Services::messageBoxes().show(failureText + u"\n\nAs notas continuam abertas, e o Notavex "
                                                u"tentará salvá-las de novo."_qs,
                                  MessageBoxes::Ok, MessageBoxes::Warning, MessageBoxes::AnswerOk);
}

void DeleteNote(qint16 Id, qint16 Index)
{
    const QString file = IndexFile();
    const QString section = QString::number(Id);
    {
        ProfileBatch batch(file);
        for (const char16_t *name : {u"Alarme", u"Data", u"Hora", u"TocarSom", u"TipoDataAlarme",
                                     u"HoraAntes", u"TocouEm"})
            WritePrivateProfileString(section, key(name), QString(), file);
        if (Index != 0) {
            for (const char16_t *name : {u"OnTop", u"Color1", u"Color2", u"Top", u"Left",
                                         u"Visivel", u"Titulo", u"ArquivoWave"})
                WritePrivateProfileString(section, key(name), QString(), file);
        }
    }
    if (Index == 0)
        return;

    const QString content = ContentFile(Id);
    if (QFileInfo::exists(content))
        QFile::remove(content);

    if (QWidget *w = OpenForms::at(Index); w && Index > 0)
        w->close();

    WritePrivateProfileString(key(u"Indice"), key(u"TotalForms"),
                              QString::number(noteWindowCount()), file);
    const QString comma = QStringLiteral(",");
    WriteListLine(ReplaceAll(ReadListLine(), comma + section + comma, comma));
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
    return loading;
}

QString SaveFailureText()
{
    return failureText;
}

void LoadNotes()
{
    const QString file = IndexFile();
    loading = true;
    const QList<int> ids = NotesToLoad();

    for (const int id : ids) {
        runPendingEvents(4);
        const QString section = QString::number(id);
        frmNote *w = createNoteWindow(section, QString(), false);

        w->txtTitle->setText(ReadIni(section, key(u"Titulo"), QString(), file));
        // Positions are compared as stored; the window itself only holds whole pixels.
        int top = w->Top();
        const QString topText = ReadIni(section, key(u"Top"), QString(), file);
        if (!topText.isEmpty())
            top = int(std::clamp<qint64>(IniNumber(topText, top), -1'000'000'000, 1'000'000'000));
        int left = w->Left();
        const QString leftText = ReadIni(section, key(u"Left"), QString(), file);
        if (!leftText.isEmpty())
            left =
                int(std::clamp<qint64>(IniNumber(leftText, left), -1'000'000'000, 1'000'000'000));
        const QPoint place = KeepOnScreen(QPoint(left, top));
        w->SetTop(place.y());
        w->SetLeft(place.x());

        w->Picture1->SetBackColor(
            quint32(IniNumber(ReadIni(section, key(u"Color1"), key(u"&H52E9FE"), file), 0x52E9FE)));
        w->txtNote->SetBackColor(
            quint32(IniNumber(ReadIni(section, key(u"Color2"), key(u"8912895"), file), 8912895)));
        w->Picture2->SetBackColor(w->txtNote->BackColor());

        const QString content = ContentFile(id);
        int error = 0;
        if (QFileInfo::exists(content) && !w->txtNote->LoadFile(content, &error)) {
            const QString why = SystemErrorText(error);
            LogProblem(u"não foi possível ler %1 (%2); a nota fica como está no disco."_qs.arg(
                QDir::toNativeSeparators(content), why));
            w->SetContentUnreadable(QFileInfo(content).fileName(), why);
        }
        w->ContentLoaded();

        if (ReadIni(section, key(u"Alarme"), key(u"0"), file) == u"1")
            w->tmrEvent.start();
        else
            w->tmrEvent.stop();

        const bool onTop = ReadIni(section, key(u"OnTop"), key(u"False"), file) != u"False";
        if (onTop) {
            w->ImTop->SetPicture(&w->imDown);
            SetWindowTopmost(w, true);
        }
        w->setVisible(StrToBool(ReadIni(section, key(u"Visivel"), key(u"True"), file)));
        runPendingEvents(1);
    }
    loading = false;
    TrayReady = true;
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
                   std::max(0, primary.height() * kTwipsPerPixel - 3000));
    };
    const auto newLeft = [&] {
        return int(Services::random().fraction() *
                   std::max(0, primary.width() * kTwipsPerPixel - 2700));
    };
    if (top > (desktop.y() + desktop.height()) * kTwipsPerPixel - 2000)
        top = newTop();
    if (left > (desktop.x() + desktop.width()) * kTwipsPerPixel - 2000)
        left = newLeft();

    // Negative positions are kept while some screen still shows a usable strip of the note; a
    // note no screen shows could never be reached again.
    constexpr int minVisible = 16;
    const QRect note(qRound(left / double(kTwipsPerPixel)), qRound(top / double(kTwipsPerPixel)),
                     frmNote::WidthPixels, frmNote::HeightPixels);
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
