#include "mock/FakeServices.h"
#include "mock/StartProgram.h"
#include "mock/Warnings.h"

#include "base/Cp1252.h"
#include "base/FileAccess.h"
#include "dialogs/ChmFile.h"
#include "dialogs/FrmAbout.h"
#include "dialogs/FrmExcluir.h"
#include "dialogs/FrmInserir.h"
#include "dialogs/FrmMostrar.h"
#include "dialogs/FrmOpc.h"
#include "dialogs/HelpViewer.h"
#include "dialogs/ModAjuda.h"
#include "dialogs/NotePlacement.h"
#include "dialogs/frmAlarme.h"
#include "note/ModCmnDlg.h"
#include "note/NoteWindows.h"
#include "note/frmTítulo.h"
#include "shell/SingleInstance.h"
#include "store/Ini.h"
#include "store/NoteFiles.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimeEdit>
#include <QTimer>

using namespace TestFiles;

namespace {

const QString BuiltHelp = QStringLiteral(NOTAVEX_BUILD_DIR "/Notavex.chm");
const QMap<QString, QString> Titles{
    {u"notavex.htm"_qs, u"O Notavex"_qs},     {u"opcoes.htm"_qs, u"Opções"_qs},
    {u"mostrar.htm"_qs, u"Mostrar notas"_qs}, {u"excluir_notas.htm"_qs, u"Excluir notas"_qs},
    {u"alarme.htm"_qs, u"Alarme"_qs},         {u"perguntas.htm"_qs, u"Perguntas frequentes"_qs},
    {u"contato.htm"_qs, u"Fale conosco"_qs}};

constexpr int Note = 3;

// Runs action on the modal dialog once one is open: a dialog opened by a menu item returns only
// when it is closed, so the test acts from inside its event loop.
void WhenModal(QObject *context, const std::function<void(QWidget *)> &action)
{
    QTimer::singleShot(0, context, [=] {
        if (QWidget *w = QApplication::activeModalWidget())
            action(w);
        else
            WhenModal(context, action);
    });
}

// A section's keys (note 3's unless named), "-" for an empty or missing one, joined by spaces.
QString keys(const char *names, const QString &section = QString::number(Note))
{
    QStringList values;
    for (const QString &name : QString::fromLatin1(names).split(u' '))
        values << ReadIni(section, name, u"-"_qs, IndexFile());
    return values.join(u' ');
}

// Watches OK asking the note to evaluate its alarm: the note, its timer, TocouEm at the time.
class WatchedAlarme : public frmAlarme
{
public:
    QStringList calls;

protected:
    void EvaluateNow(frmNote *note) override
    {
        calls << QString::number(note->NoteId()) +
                     (note->tmrEvent.isActive() ? u" on "_qs : u" off "_qs) + keys("TocouEm");
        frmAlarme::EvaluateNow(note);
    }
};

} // namespace

// The help file and window, the menus' help items, the about, date, options and alarm dialogs and
// the tray menu's commands on all notes ("Organizar Notas", " Mostrar Notas", " Excluir
// Notas..."); under a Brazilian locale, on Saturday 5 December 2026, 10:00:30.
class tst_Dialogs : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_tmp;
    std::optional<FakeServices> m_fakes;
    std::unique_ptr<FrmPopup> m_popup;
    QStringList m_opened; // web pages
    QStringList m_closed; // Tags of the note windows closed, in order
    frmNote *note() const
    {
        return qobject_cast<frmNote *>(OpenForms::at(FindNoteFormIndex(Note)));
    }

    // Starts the program with notes 1 and 3, 3 current; cfg follows note 3's section header,
    // its spaces as line ends.
    void start(const QByteArray &cfg = {})
    {
        m_popup = StartProgram(m_tmp->path(),
                               "[Indice]\r\nTotalForms=2\r\n[1]\r\nVisivel=True\r\n[3]\r\n" +
                                   cfg.split(' ').join("\r\n"),
                               ",1,3,\r\n");
        QVERIFY(m_popup && MakeCurrent(Note));
    }

    // Switches the alarm on and chooses a kind: its date "dd/month/year", day list or weekdays.
    static void use(frmAlarme &d, int kind, const QString &input)
    {
        if (!d.Check2->isChecked())
            d.Check2->click();
        d.Option3[size_t(kind)]->click();
        const QStringList f = input.split(u'/');
        if (kind == 1) {
            d.Combo1->setCurrentText(f[0]);
            d.Combo2->setCurrentIndex(f[1].toInt());
            d.Combo3->setCurrentText(f[2]);
        }
        if (kind == 3)
            d.Text1->setText(input);
        for (int i = 1; kind == 4 && i <= 7; ++i)
            d.Check3[size_t(i)]->setChecked(input.contains(QString::number(i)));
    }

    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Close)
            m_closed << o->property("Tag").toString();
        return false;
    }

    // Each note window: its Tag, "-" when hidden, with its place when asked.
    static QString notes(bool places = false)
    {
        QStringList seen;
        for (int i = 1; i < OpenForms::count(); ++i) {
            const QWidget *w = OpenForms::at(i);
            seen << w->property("Tag").toString() + (w->isVisible() ? u""_qs : u"-"_qs) +
                        (places ? u"@%1,%2"_qs.arg(w->x()).arg(w->y()) : QString());
        }
        return seen.join(u' ');
    }

public slots:
    void opened(const QUrl &url) { m_opened << url.toString(); }

private slots:
    void init()
    {
        FailOnUnexpectedWarnings();
        QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
        m_tmp = std::make_unique<QTemporaryDir>();
        ResetProgramState();
        m_fakes.emplace(); // the old fakes go first
        m_fakes->clock->time = QDateTime(QDate(2026, 12, 5), QTime(10, 0, 30));
        QDesktopServices::setUrlHandler(u"https"_qs, this, "opened");
    }

    void cleanup()
    {
        delete HelpViewer::Current();
        FrmExcluir::SetFileRemover(nullptr);
        m_closed.clear();
        // Not shut down: ending the program would end every later dialog's event loop at once.
        while (OpenForms::count() > 1)
            delete OpenForms::at(OpenForms::count() - 1);
        m_popup.reset();
    }

    // Each topic is in the file with its pictures and links to all the others, and in its
    // contents and index, which are in the code page of the file's language (Portuguese: 1252)
    // as help viewers read them; the file is searchable; the window follows a link.
    void topics()
    {
        const ChmFile chm(BuiltHelp);
        const QString toc = Cp1252::decode(chm.read(u"/Notavex.hhc"_qs).value_or(""));
        const QString index = Cp1252::decode(chm.read(u"/Notavex.hhk"_qs).value_or(""));
        QVERIFY(chm.read(u"/$FIftiMain"_qs) && toc.contains(u"charset=windows-1252"));
        for (const QString &topic : Titles.keys()) {
            QVERIFY2(toc.contains(
                         u"\"%1\"><param name=\"Local\" value=\"%2\""_qs.arg(Titles[topic], topic)),
                     qPrintable(toc));
            QVERIFY2(index.contains(u"value=\""_qs + topic), qPrintable(topic));
        }
        HelpViewer *viewer = nullptr;
        QTextCursor anchor;
        for (const QString &topic : Titles.keys()) { // "perguntas.htm" last
            viewer = HelpViewer::ShowTopic(BuiltHelp, topic);
            QCOMPARE(viewer->windowTitle(), Titles[topic]);
            QStringList links{topic};
            for (QTextBlock b = viewer->Pagina->document()->begin(); b.isValid(); b = b.next()) {
                for (auto it = b.begin(); !it.atEnd(); ++it) {
                    const QTextCharFormat f = it.fragment().charFormat();
                    if (const QString to = f.anchorHref().section(u'#', 0, 0); !to.contains(u':'))
                        links << to; // web links aside
                    if (f.anchorHref() == u"notavex.htm#pasta" && topic == u"perguntas.htm") {
                        anchor = QTextCursor(b);
                        anchor.setPosition(it.fragment().position() + it.fragment().length() / 2);
                    }
                    if (const QString name = f.toImageFormat().name(); f.isImageFormat()) {
                        const QVariant bytes =
                            viewer->Pagina->loadResource(QTextDocument::ImageResource, QUrl(name));
                        QVERIFY2(!QImage::fromData(bytes.toByteArray()).isNull(), qPrintable(name));
                    }
                }
            }
            links.removeAll(QString()); // in-page links aside
            for (const QString &to : links + Titles.keys())
                QVERIFY2(chm.read(to) && links.contains(to), qPrintable(topic + u' ' + to));
        }
        viewer->Pagina->setTextCursor(anchor);
        viewer->Pagina->ensureCursorVisible();
        QTest::mouseClick(viewer->Pagina->viewport(), Qt::LeftButton, {},
                          viewer->Pagina->cursorRect(anchor).center());
        QCOMPARE(viewer->windowTitle(), u"O Notavex"_qs);
        // The about box's links open topics, not web pages; the box stays open.
        AppPath = QFileInfo(BuiltHelp).absolutePath() + u'/';
        FrmAbout box;
        box.show();
        QCOMPARE(box.Label8->text(), QStringLiteral(NOTAVEX_VERSION)); // major.minor.revision
        QStringList seen;
        for (QLabel *link : {box.Label11, box.Label6}) {
            QTest::mouseClick(link, Qt::LeftButton);
            seen << HelpViewer::Current()->windowTitle();
        }
        QCOMPARE(seen, (QStringList{u"Perguntas frequentes"_qs, u"Fale conosco"_qs}));
        QVERIFY(m_opened.isEmpty() && box.isVisible());
    }

    // A help file that cannot be read gets a page saying so; "Ajuda" without one, a message.
    void missingHelp()
    {
        start();
        m_popup->Mn_Ajuda->trigger();
        QCoreApplication::processEvents(); // the commands are queued
        const auto &asked = m_fakes->messageBoxes->asked;
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].caption + u'|' + asked[0].text,
                 u"Ajuda do Windows|Aquivo de ajuda Notavex.chm não encontrado. Instale o "
                 u"Notavex novamente"_qs);
        // The list and alarm dialogs' longer text; a folder of that name is no help file.
        QVERIFY(QDir().mkpath(AppPath + u"Notavex.chm"_qs));
        AbrirAjuda(u"alarme.htm"_qs, HelpMissing::Long);
        QCOMPARE(asked.value(1).text,
                 u"Aquivo de ajuda Notavex.chm não encontrado.Verifique se o arquivo está mesmo no "
                 u"disco.\r\nSe ele não existir, você precisara reinstalá-lo."_qs);
        QVERIFY(QDir().rmdir(AppPath + u"Notavex.chm"_qs));
        QVERIFY(writeBytes(m_tmp->filePath(u"Notavex.chm"_qs), "ITSF\3"));
        const HelpViewer *viewer =
            HelpViewer::ShowTopic(m_tmp->filePath(u"Notavex.chm"_qs), u"notavex.htm"_qs);
        QCOMPARE(viewer->windowTitle() + u'|' + viewer->Pagina->toPlainText(),
                 u"Ajuda do Notavex|Ajuda do Notavex\nO arquivo de ajuda não pôde ser aberto."_qs);
    }

    // The fifteen texts under the Brazilian locale.
    void dateTexts()
    {
        const QDateTime when(QDate(2026, 12, 5), QTime(9, 7, 3));
        QCOMPARE(
            FrmInserir::Formatos(when, QLocale()),
            u"05/12/26|05/12/2026|05/dez/26|05/dez/2026|sábado, 5 de dezembro de 2026|05 "
            u"dezembro, 2026|dezembro 05, 2026|dezembro, 2026|dez/2026|05/12/26 - 09:07|"
            u"05/12/26 - 09:07:03|05/12/2026 - 09:07|05/12/2026 - 09:07:03|09:07|09:07:03"_qs.split(
                u'|'));
    }

    // The text as of opening replaces the selection and is remembered.
    void insertDate_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("offered");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<QString>("text"); // Ok, or a double click past 12
        QTest::newRow("remembered")
            << u"12"_qs << 12 << 12 << u"Reunião 05/12/2026 - 10:00:30 cedo"_qs;
        QTest::newRow("past the end") << u"15"_qs << 0 << 13 << u"Reunião 10:00 cedo"_qs;
    }
    void insertDate()
    {
        QFETCH(QString, stored);
        QFETCH(int, offered);
        QFETCH(int, chosen);
        QFETCH(QString, text);
        start("[Config]\r\nFormato=" + stored.toUtf8() + "\r\n");
        note()->txtNote->SetText(u"Reunião amanhã cedo"_qs);
        note()->txtNote->SetSelStart(8);
        note()->txtNote->SetSelLength(6);
        {
            FrmInserir d;
            QCOMPARE(d.Lsttime->currentRow(), offered);
            m_fakes->clock->time = m_fakes->clock->time.addSecs(120);
            d.Lsttime->setCurrentRow(chosen);
            if (chosen > 12)
                emit d.Lsttime->itemDoubleClicked(d.Lsttime->currentItem());
            else
                d.Command1->click();
        }
        QCOMPARE(note()->txtNote->Text(), text);
        QCOMPARE(keys("Formato", u"Config"_qs), QString::number(chosen));
    }

    // With the desktop's font larger than designed, every caption and the longest date (a long
    // weekday and month) are seen whole: the buttons and the list grow, the dialog with them.
    void textsWhole()
    {
        m_fakes->clock->time = QDateTime(QDate(2026, 9, 30), QTime(10, 0));
        start();
        const QFont before = QApplication::font();
        QApplication::setFont(QFont(u"DejaVu Sans"_qs, 11));
        const std::unique_ptr<QDialog> dialogs[] = {
            std::make_unique<FrmMostrar>(), std::make_unique<FrmExcluir>(),
            std::make_unique<FrmInserir>(), std::make_unique<frmTítulo>()};
        for (const auto &d : dialogs) {
            d->show();
            QVERIFY(QTest::qWaitForWindowExposed(d.get()));
            for (const QPushButton *b : d->findChildren<QPushButton *>())
                QVERIFY2(CaptionWidth(b) <= b->width() &&
                             b->mapTo(d.get(), QPoint(b->width(), 0)).x() < d->width(),
                         qPrintable(d->windowTitle() + u": "_qs + b->text()));
            // A frame's caption is not covered by what the frame holds (but bare containers).
            for (const QGroupBox *frame : d->findChildren<QGroupBox *>()) {
                for (const QWidget *w : frame->findChildren<QWidget *>())
                    QVERIFY2(w->metaObject() == &QWidget::staticMetaObject ||
                                 w->mapTo(frame, QPoint()).y() >= frame->fontMetrics().height(),
                             qPrintable(d->windowTitle()));
            }
            if (const auto *list = d->findChild<QListWidget *>(u"Lsttime"_qs)) {
                QTRY_VERIFY(list->verticalScrollBar()->maximum() > 0); // laid out
                QCOMPARE(list->horizontalScrollBar()->maximum(), 0);
            }
        }
        QApplication::setFont(before);
    }

    // What the options dialog shows of the stored default font, what OK stores, and when it says
    // that only new notes change. The font dialog answers Tahoma 12, italic, struck through, red.
    void options_data()
    {
        QTest::addColumn<QByteArray>("stored");  // Format section lines
        QTest::addColumn<QString>("actions");    // "font", "cancelled font", "random", "esc"
        QTest::addColumn<QString>("afterwards"); // stored keys | reopened: Label2 | colour | told
        const QString arial = u" | Arial Tamanho: 10   | #000000 | "_qs;
        // The stored default "9,75" is written as 10 even though the font dialog was cancelled.
        QTest::newRow("font dialog cancelled")
            << QByteArray() << u"cancelled font"_qs
            << u"0 Arial 10 False False False False False"_qs + arial + u'1';
        QTest::newRow("font chosen, random colours")
            << QByteArray() << u"font random"_qs
            << u"255 Tahoma 12 False True False True True | Tahoma Tamanho: 12   Italico  "
               u"Riscado  | #ff0000 | 1"_qs;
        QTest::newRow("unconvertible values are defaults")
            << QByteArray("FontSize=abc\r\nFontBold=sim\r\nFontItalic=TRUE\r\nSelColor=&HFF\r\n")
            << QString()
            << u"&HFF - abc sim TRUE - - False | Arial Tamanho: 10   Italico  | #ff0000 | 0"_qs;
        QTest::newRow("cancel after the font dialog")
            << QByteArray() << u"font random esc"_qs << u"- - - - - - - -"_qs + arial + u'0';
    }
    void options()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, actions);
        QFETCH(QString, afterwards);
        start("[Format]\r\n" + stored);
        const FontRecord tahoma{u"Tahoma"_qs, 12, false, true, false, true, 255, {}};
        SetFontDialogAnswer([=](const FontRecord &, bool) {
            return actions.startsWith(u"cancelled") ? std::nullopt : std::optional(tahoma);
        });
        {
            FrmOpc d;
            if (actions.contains(u"font"))
                d.Command3->click();
            if (actions.contains(u"random"))
                d.Option1[2]->click();
            (actions.endsWith(u"esc") ? d.Command2 : d.Command1)->click();
        }
        const QString format = keys("SelColor FontName FontSize FontBold FontItalic FontUnderline "
                                    "FontStrikethrough",
                                    u"Format"_qs);
        FrmOpc again;
        const auto &told = m_fakes->messageBoxes->asked;
        QCOMPARE(format + u' ' + keys("Coloridos", u"Indice"_qs) + u" | "_qs +
                     again.Label2->text() + u" | "_qs +
                     again.Picture4->palette().color(QPalette::Window).name() + u" | "_qs +
                     QString::number(told.size()),
                 afterwards);
        for (const auto &m : told)
            QCOMPARE(m.text, u"As alterações terão efeito para as notas que forem criadas a partir "
                             u"de agora"_qs);
    }

    void noKeys_opensOffAndOkWritesTheDefaults()
    {
        start("TocouEm=01/12/2026");
        note()->tmrEvent.start();
        {
            frmAlarme d;
            QVERIFY(!TrayReady && d.isModal());
            QVERIFY(!d.Check2->isChecked() && d.Option3[1]->isChecked() && d.ChkPlay->isChecked());
            QCOMPARE(d.Label3->text() + d.Combo1->currentText() + d.Combo2->currentText() +
                         d.Combo3->currentText() + d.TimePick->text() + d.txtSound->text(),
                     u"Alarme: Desativado05Dezembro202610:00"_qs + m_tmp->path() +
                         u"/app/alarme.wav"_qs);
            d.Command3->click();
        }
        QVERIFY(TrayReady && !note()->tmrEvent.isActive());
        QCOMPARE(keys("Alarme TocarSom TipoDataAlarme Data Hora HoraAntes TocouEm Tag"),
                 u"0 1 1 5/12/2026 10:00:30 09:59:30 01/12/2026 3"_qs); // and the note is saved
    }

    // OK after the given changes: "date d/month/year", "days list", "weekdays digits", "daily",
    // "time HH:mm", "sound file", "off", "full" (a full disk). Shown, then stored (or refused with
    // the past-date message), evaluated by the armed note, and shown again when reopened. TocouEm
    // is rewritten only when the summary or the time changed: today when the new time has passed
    // today, so that the alarm waits for its next day.
    void ok_storesAndArms_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("changes");
        QTest::addColumn<QString>("summary");
        // Alarme TipoDataAlarme Data TocouEm, "refused", "failed"
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("evaluated"); // "!": a last ring, which stops the timer
        const QByteArray daily =
            "Alarme=1 TipoDataAlarme=2 Data=Diariamente Hora=08:00:00 TocouEm=04/12/2026";
        const auto row = [](const char *name, const QByteArray &before, const char *changes,
                            const char *summary, const char *stored, const char *evaluated) {
            QTest::newRow(name) << before << QString::fromUtf8(changes)
                                << QString::fromUtf8(summary) << QString::fromUtf8(stored)
                                << QString::fromUtf8(evaluated);
        };
        row("days", "", "days 1,_15_,,31", "Alarme nos dias: 1,15e31 de cada mês",
            "1 3 DiaMes:,1,15,31, -", "3 on -");
        // Stored as an empty list, not as the summary's words.
        row("no digits", "", "days abc", "Alarme nos dias: (Não definido) de cada mês",
            "1 3 DiaMes:,, -", "3 on -");
        row("weekdays", "", "weekdays 246", "Alarme: Seg, Qua e Sex", "1 4 DiaSemana:,2,4,6, -",
            "3 on -");
        row("every month of a year", "", "date 01/0/2027 time 11:00",
            "Alarme em: 01 de cada mês (somente em 2027)", "1 1 1/0/2027 -", "3 on -");
        // A year no longer listed is kept, not turned into a yearly alarm.
        row("a past year", "Alarme=1 Data=5/12/2025", "", "Alarme em: 05 de Dezembro de 2025",
            "1 1 5/12/2025 -", "3 on -");
        row("a minute ago", "", "date 05/12/2026 time 09:59", "", "refused", "");
        row("this minute", "", "date 05/12/2026 time 10:00", "Alarme em: 05 de Dezembro de 2026",
            "1 1 5/12/2026 05/12/2026", "3 on -!"); // its last ring: the timer stops
        row("every month, a past time", "", "date 05/0/2026 time 09:59", "",
            "1 1 5/0/2026 05/12/2026", "3 on 05/12/2026");
        row("only the sound", daily, "sound /sons/sino.wav", "Alarme: Diariamente",
            "1 2 Diariamente 05/12/2026", "3 on 04/12/2026"); // rung
        row("daily, this minute rings", daily, "time 10:00", "", "1 2 Diariamente 05/12/2026",
            "3 on -");
        row("switched off, a past date", daily, "date 05/12/2026 time 09:59 off",
            "Alarme: Desativado", "0 1 5/12/2026 05/12/2026", "");
        // A disk that takes nothing: the dialog says so and stays open, the note keeps its timer.
        row("a full disk", daily, "time 11:00 full", "", "failed", "");
    }

    void ok_storesAndArms()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, changes);
        QFETCH(QString, summary);
        QFETCH(QString, stored);
        QFETCH(QString, evaluated);
        start(before);
        QCOMPARE(note()->tmrEvent.isActive(), before.startsWith("Alarme=1"));
        WatchedAlarme d;
        d.show();
        const QStringList c = changes.split(u' ', Qt::SkipEmptyParts);
        for (qsizetype i = 0; i < c.size(); ++i) {
            static const QStringList kinds{u"date"_qs, u"daily"_qs, u"days"_qs, u"weekdays"_qs};
            if (const int kind = int(kinds.indexOf(c[i])) + 1; kind > 0)
                use(d, kind, kind == 2 ? QString() : QString(c[++i]).replace(u'_', u' '));
            else if (c[i] == u"time")
                d.TimePick->setTime(QTime::fromString(c[++i], u"HH:mm"));
            else if (c[i] == u"sound")
                d.txtSound->setText(c[++i]);
            else if (c[i] == u"off")
                d.Check2->click();
        }
        std::optional<FileSizeLimit> full;
        if (changes.endsWith(u"full"))
            full.emplace(16);
        if (!summary.isEmpty())
            QCOMPARE(d.Label3->text(), summary);
        d.Command3->click();
        full.reset();
        const bool refused = stored == u"refused", failed = stored == u"failed";
        QCOMPARE(d.isVisible(), refused || failed);
        const auto &asked = m_fakes->messageBoxes->asked;
        QCOMPARE(asked.size(), int(refused || failed));
        if (failed) {
            QVERIFY(asked[0].text.startsWith(u"Não foi possível salvar o alarme"));
            QVERIFY(keys("Alarme Hora") == u"1 08:00:00" && note()->tmrEvent.isActive());
            return;
        }
        if (refused) {
            QCOMPARE(asked[0].caption + asked[0].text,
                     u"NotavexA data e hora selecionada, é menor que a data atual. Por favor, "
                     u"selecione outra data e hora."_qs);
            QVERIFY(asked[0].icon == MessageBoxes::Information && keys("Alarme") == u"-");
            return;
        }
        QCOMPARE(keys("Alarme TipoDataAlarme Data TocouEm"), stored);
        QCOMPARE(d.calls.join(u'|') + (evaluated.endsWith(u'!') ? u"!"_qs : QString()), evaluated);
        QCOMPARE(note()->tmrEvent.isActive(), !evaluated.isEmpty() && !evaluated.endsWith(u'!'));
        // Reopened: the same kind and summary.
        frmAlarme again;
        QVERIFY(again.Option3[size_t(stored.section(u' ', 1, 1).toInt())]->isChecked());
        if (!summary.isEmpty())
            QCOMPARE(again.Label3->text(), summary);
    }

    // The "[Alarme]" link (which makes its note current) and the note menu's "Alarme" open the
    // dialog for the note. Cancel writes nothing.
    void openedFromLinkAndMenu()
    {
        start("Alarme=1 Data=Diariamente TipoDataAlarme=2");
        QStringList seen;
        const auto changeAndCancel = [&](QWidget *w) {
            auto *d = qobject_cast<frmAlarme *>(w);
            seen << d->Label3->text();
            use(*d, 4, u"17"_qs);
            d->TimePick->setTime(QTime(7, 0));
            d->Command4->click();
        };
        CurrentNoteId = 1;
        WhenModal(this, changeAndCancel);
        QTest::mouseClick(note()->Label1[2], Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(keys("Tag"), u"3"_qs); // the link saves its note afterwards
        const QByteArray before = readBytes(IndexFile());
        WhenModal(this, changeAndCancel);
        m_popup->menAlarme->trigger();
        QTRY_COMPARE(seen, QStringList(2, u"Alarme: Diariamente"_qs));
        QCOMPARE(readBytes(IndexFile()), before);
        QVERIFY(TrayReady && note()->tmrEvent.isActive());
    }

    // Two windows placed one after the other on 1024 x 738 pixels: the second ends on the bottom
    // limit exactly and stays in its column (arranging opens a column).
    void nextPlace()
    {
        const TwipLimits limits = LimitsOf({0, 0, 1024, 738});
        const TwipRect first = NextPlace({}, 3000, 5000, limits);
        const TwipRect second = NextPlace(first, 3000, 6069, limits);
        QCOMPARE((QList<qint64>{first.left, first.top, second.left, second.top}),
                 (QList<qint64>{12360, 1, 12360, 5002}));
    }

    // A tray menu command, with a dialog's marks changed, a question answered and button
    // CommandN clicked: the notes left ("-" hidden), the windows closed in order, the data files
    // deleted, the list, the questions asked, "=" when the index stayed as it was. Beside the
    // notes' files are a foreign file and a link to a file outside; "stuck" cannot be deleted.
    void menu_data()
    {
        QTest::addColumn<QString>("click"); // the menu command, the dialog's button, "stuck"
        QTest::addColumn<QString>("marks");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("after");
        const QString same = u"|||,4,3,2,1,|"_qs, all = u"atalho.txt Indice.cfg indice.dat "
                                                        u"leia-me.txt notavex1.arl notavex2.arl "
                                                        u"notavex3.arl notavex4.arl"_qs;
        // Windows of 182 x 198 pixels on 1024 x 738: the hidden one after the visible ones.
        QTest::newRow("arrange") << u"Organizar"_qs << u""_qs << true
                                 << u"1@842,0 2-@660,0 3@842,198 4@842,396"_qs + same + u"0="_qs;
        QTest::newRow("show marked")
            << u"Mostrar 1"_qs << u"-A +B"_qs << true << u"1- 2 3 4"_qs + same + u"0="_qs;
        QTest::newRow("delete B and C") << u"Excluir 1"_qs << u"+B +C"_qs << true
                                        << u"1 4|3 2|notavex2.arl notavex3.arl|,4,1,|1"_qs;
        QTest::newRow("delete all: no")
            << u"Excluir 2"_qs << u""_qs << false << u"1 2- 3 4"_qs + same + u"1="_qs;
        QTest::newRow("delete all")
            << u"Excluir 2"_qs << u""_qs << true << u"|4 3 2 1|"_qs + all + u"||1"_qs;
        QTest::newRow("delete all, the list resists")
            << u"Excluir 2 indice.dat"_qs << u""_qs << true
            << u"|4 3 2 1|"_qs + QString(all).remove(u"indice.dat "_qs) + u"|,|2"_qs;
    }

    void menu()
    {
        QFETCH(QString, click);
        QFETCH(QString, marks);
        QFETCH(bool, yes);
        const int button = click.section(u' ', 1, 1).toInt();
        const QString stuck = click.section(u' ', 2);
        m_popup = StartProgram(
            m_tmp->path(), "[Indice]\r\nTotalForms=4\r\n[2]\r\nVisivel=False\r\n", ",1,2,3,4,\r\n");
        QVERIFY(m_popup && writeBytes(DataPath + u"leia-me.txt"_qs, "do usuário") &&
                writeBytes(m_tmp->filePath(u"fora"_qs), "fora") &&
                QFile::link(m_tmp->filePath(u"fora"_qs), DataPath + u"atalho.txt"_qs));
        const QStringList titles{u"A"_qs, u"  B b"_qs, u"C"_qs, u"   "_qs};
        for (int i = 1; i <= 4; ++i) {
            qobject_cast<frmNote *>(OpenForms::at(i))->txtTitle->setText(titles[i - 1]);
            OpenForms::at(i)->installEventFilter(this);
        }
        QVERIFY(SaveNotes(0));
        const QString data = DataPath;
        const QByteArray cfg = readBytes(IndexFile());
        const auto files = [&] {
            return QDir(data).entryList(QDir::Files | QDir::Hidden | QDir::System);
        };
        const QStringList before = files();
        QStringList tried;
        FrmExcluir::SetFileRemover([&](const QString &path) {
            tried << QFileInfo(path).fileName();
            return tried.last() != stuck && MoveToTrash(path);
        });
        bool open = false; // after the button; the dialog is then cancelled
        QString list;      // the caption and entries, "+" after a marked one
        QObject row;       // a row that opens no dialog leaves no watch behind
        WhenModal(&row, [&](QWidget *w) {
            auto *d = qobject_cast<FrmListaNotas *>(w);
            list = d->windowTitle() + (TrayReady ? u"!"_qs : u"|"_qs);
            for (int e = 0; e < d->ListCount(); ++e)
                list += d->List1->item(e)->text() + (d->Selected(e) ? u"+|"_qs : u"|"_qs);
            for (const QString &m : marks.split(u' ', Qt::SkipEmptyParts))
                d->SetSelected(m[1].unicode() - u'A', m[0] == u'+');
            m_fakes->messageBoxes->setNextAnswer(yes ? MessageBoxes::AnswerYes
                                                     : MessageBoxes::AnswerNo);
            d->findChild<QPushButton *>(u"Command%1"_qs.arg(button))->click();
            if ((open = d->isVisible()))
                d->findChild<QPushButton *>(u"Command3"_qs)->click();
        });
        (!button            ? m_popup->MnOrganizar
         : click[0] == u'E' ? m_popup->menExcluir
                            : m_popup->mnSN)
            ->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(open, !yes);
        QCOMPARE(list, !button            ? QString()
                       : click[0] == u'M' ? u" Mostrar Notas|A+|  B b|C+|[Em Branco]+|"_qs
                                          : u" Excluir Notas...|A|  B b|C|[Em Branco]|"_qs);
        QStringList gone = before;
        for (const QString &file : files())
            gone.removeOne(file);
        // What is deleted can be put back from the Trash; the running copy's lock is not there.
        QCOMPARE(QDir(m_fakes->trash() + u"/files"_qs).entryList(QDir::Files | QDir::System), gone);
        const auto &asked = m_fakes->messageBoxes->asked;
        QTEST(notes(!button) + u'|' + m_closed.join(u' ') + u'|' + gone.join(u' ') + u'|' +
                  ReadListLine() + u'|' + QString::number(asked.size()) +
                  (readBytes(IndexFile()) == cfg ? u"="_qs : QString()),
              "after");
        QVERIFY(readBytes(m_tmp->filePath(u"fora"_qs)) == "fora" && tried.removeDuplicates() == 0 &&
                TrayReady);
        QVERIFY(stuck.isEmpty() || asked.last().text.count(u'\n' + stuck + u'\n') == 1);
        QVERIFY(!SingleInstance(data).acquire());
        if (click.startsWith(u"Excluir 2") && yes) {
            m_popup->mnuNew->trigger();
            QCoreApplication::processEvents();
            QCOMPARE(notes() + ReadListLine(), u"1,1,"_qs);
        }
    }
};

QTEST_MAIN(tst_Dialogs)
#include "tst_dialogs.moc"
