#include "store/NoteStore.h"

#include "note/frmNote.h"
#include "platform/Globals.h"
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

#include <algorithm>

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
        QDir().mkpath(DataPath);
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
                ok &= w->txtNote->SaveFile(ContentFile(OpenForms::noteIdOf(w)));
            }
            list += tag + QLatin1Char(',');
        }
        ok &= batch.commit();
    }
    ok &= WriteListLine(list);
    return ok;
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

void LoadNotes()
{
    const QString file = IndexFile();
    const int count =
        int(qint16(IniNumber(ReadIni(key(u"Indice"), key(u"TotalForms"), key(u"0"), file))));
    QString list = ReadListLine();

    for (int i = 1; i <= count; ++i) {
        runPendingEvents(4);
        const int id = int(qint16(IniNumber(GetField(list, QStringLiteral(","), i), 0)));
        // A list shorter than TotalForms has no number here; there is no note 0 to make.
        if (id <= 0)
            continue;
        const QString section = QString::number(id);
        frmNote *w = createNoteWindow(section, QString(), false);

        w->txtTitle->setText(ReadIni(section, key(u"Titulo"), QString(), file));
        // Positions are compared as stored; the window itself only holds whole pixels.
        int top = w->Top();
        const QString topText = ReadIni(section, key(u"Top"), QString(), file);
        if (!topText.isEmpty())
            top = int(IniNumber(topText, top));
        int left = w->Left();
        const QString leftText = ReadIni(section, key(u"Left"), QString(), file);
        if (!leftText.isEmpty())
            left = int(IniNumber(leftText, left));

        // A note beyond the right or bottom edge of every screen comes back onto the primary
        // one. The test takes all screens, so notes kept on a second monitor stay there.
        const QRect desktop = Services::screen().virtualGeometry();
        const QSize primary = Services::screen().primarySize();
        if (top > (desktop.y() + desktop.height()) * kTwipsPerPixel - 2000)
            top = int(Services::random().fraction() *
                      std::max(0, primary.height() * kTwipsPerPixel - 3000));
        if (left > (desktop.x() + desktop.width()) * kTwipsPerPixel - 2000)
            left = int(Services::random().fraction() *
                       std::max(0, primary.width() * kTwipsPerPixel - 2700));
        w->SetTop(top);
        w->SetLeft(left);

        w->Picture1->SetBackColor(
            quint32(IniNumber(ReadIni(section, key(u"Color1"), key(u"&H52E9FE"), file), 0x52E9FE)));
        w->txtNote->SetBackColor(
            quint32(IniNumber(ReadIni(section, key(u"Color2"), key(u"8912895"), file), 8912895)));
        w->Picture2->SetBackColor(w->txtNote->BackColor());

        const QString content = ContentFile(id);
        if (QFileInfo::exists(content))
            w->txtNote->LoadFile(content);

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
    TrayReady = true;
}
