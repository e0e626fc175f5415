#include "mock/ProgramTest.h"

#include "base/FileAccess.h"
#include "base/Log.h"
#include "note/ModCmnDlg.h"
#include "note/NoteWindows.h"
#include "note/TopMost.h"
#include "shell/DisplayLoss.h"

#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

#include <sys/inotify.h>
#include <unistd.h>

namespace {

// The names of the files replaced in a folder while the action runs, once for every replacement.
QStringList replacedDuring(const QString &folder, const std::function<void()> &action)
{
    const int fd = inotify_init1(IN_NONBLOCK);
    inotify_add_watch(fd, QFile::encodeName(folder).constData(), IN_MOVED_TO);
    action();
    QStringList names;
    alignas(inotify_event) char buf[1 << 16];
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) {
        for (char *p = buf; p < buf + n;) {
            const auto *event = reinterpret_cast<const inotify_event *>(p);
            names << QFile::decodeName(event->name);
            p += sizeof(inotify_event) + event->len;
        }
    }
    close(fd);
    return names;
}

} // namespace

// The hidden main window: start-up, shut-down, the menus of the tray and of a note, and the note
// windows it loads and saves.
class tst_FrmPopup : public ProgramTest
{
    Q_OBJECT
    using ProgramTest::start;

    // Index and list of notes 1 to count, listed in that order (or the reverse), at 100,100 with
    // these keys ("#": the note's number), each with a content file of text when text is given.
    std::pair<QByteArray, QByteArray> notes(int count, const QByteArray &keys = {},
                                            const QByteArray &text = {}, bool reverse = false)
    {
        QByteArray cfg = "[Indice]\r\nTotalForms=" + QByteArray::number(count) + "\r\n", list;
        for (int id = 1; id <= count; ++id) {
            const QByteArray n = QByteArray::number(id);
            cfg += "[" + n + "]\r\nTop=1500\r\nLeft=1500\r\n" + QByteArray(keys).replace('#', n);
            list = reverse ? n + ',' + list : list + n + ',';
            if (!text.isEmpty() &&
                (!QDir().mkpath(data()) || !writeBytes(data() + u"notavex%1.arl"_qs.arg(id),
                                                       QByteArray(text).replace('#', n))))
                return {};
        }
        return {cfg, ',' + list + "\r\n"};
    }
    bool start(const std::pair<QByteArray, QByteArray> &folder)
    {
        return ProgramTest::start(folder.first, folder.second);
    }
    // On 1 December 2026 10:00, note 1 hidden with a daily alarm at 08:00 with sound and the keys
    // given, and note 2 shown. Its kind says days of the month: the evaluation follows Data alone.
    bool startAlarm(const QByteArray &keys)
    {
        m_fakes->clock->time = {QDate(2026, 12, 1), QTime(10, 0)};
        return start("[Indice]\r\nTotalForms=2\r\n[1]\r\n" + keys +
                         "Titulo=Compras\r\nAlarme=1\r\nTipoDataAlarme=3\r\nData=Diariamente\r\n"
                         "Hora=08:00:00\r\nHoraAntes=07:59:00\r\nTocarSom=1\r\nVisivel=False\r\n"
                         "ArquivoWave=/sons/galo.wav\r\n[2]\r\nVisivel=True\r\n",
                     ",1,2,\r\n");
    }

private slots:
    void init() { setUp(); }
    void cleanup()
    {
        if (m_popup)
            m_popup->shutDown();
        m_popup.reset();
        QCOMPARE(OpenForms::count(), 0);
    }

    // Open dialogs are dismissed before anything is saved; the newest window is listed first.
    // The session's end (a quit request, which has Qt close every window) saves the same way. A
    // save of a note let go of then writes nothing.
    void shutDown_savesBeforeClosingWindows_data()
    {
        QTest::addColumn<bool>("sessionEnd");
        QTest::newRow("Sair") << false;
        QTest::newRow("session end") << true;
    }
    void shutDown_savesBeforeClosingWindows()
    {
        QFETCH(bool, sessionEnd);
        QVERIFY(start("", ",\r\n"));
        QVERIFY(QFile::remove(ListFile()));
        for (int id : {3, 1, 12})
            CreateNote(QString::number(id), {}, false)->show();
        const qint16 typedIn = noteAt(1)->NoteId();
        noteAt(1)->txtNote->SetText(u"digitado"_qs);
        QDialog dialog;
        OpenForms::add(&dialog);
        connect(&dialog, &QDialog::rejected, this, [&] { QVERIFY(!QFile::exists(ListFile())); });
        dialog.show();

        QEvent quit(QEvent::Quit);
        sessionEnd ? void(QCoreApplication::sendEvent(qApp, &quit)) : m_popup->shutDown();
        QVERIFY(m_popup->isShutDown());
        QVERIFY(!dialog.isVisible());
        QCOMPARE(readBytes(ListFile()), QByteArray(",12,1,3,\r\n"));
        QVERIFY(readBytes(ContentFile(typedIn)).contains("digitado"));
        QCOMPARE(OpenForms::count(), 1);
        OpenForms::remove(&dialog);
        QVERIFY(SaveNotes(12));
        QCOMPARE(readBytes(ListFile()), QByteArray(",12,1,3,\r\n"));
    }

    // A version written outside that can be neither read nor kept is not saved over; the save
    // fails and names it until that version can be kept as a note of its own.
    void save_outsideVersionUnreadable()
    {
        QVERIFY(start(notes(1, {}, "{\\rtf1 antes}")));
        noteAt(1)->txtNote->SetText(u"digitado"_qs);
        const qint64 huge = MaxNoteFileBytes + 1;
        QVERIFY(writeBytes(ContentFile(1), "{") && QFile(ContentFile(1)).resize(huge)); // sparse
        QVERIFY(!SaveNotes(1));
        QVERIFY2(SaveFailureText().contains(u"notavex1.arl: "_qs), qPrintable(SaveFailureText()));
        QCOMPARE(QFileInfo(ContentFile(1)).size(), huge);
        QVERIFY(writeBytes(ContentFile(1), "{\\rtf1 de fora}"));
        QVERIFY(SaveNotes(1));
        QVERIFY(readBytes(ContentFile(1)).contains("digitado"));
        QCOMPARE(readBytes(ContentFile(2)), QByteArray("{\\rtf1 de fora}"));
    }

    // A full disk is named, with the reason, in a box once the program runs; the program runs on
    // and is still the only copy. (A read-only folder is tried end to end.)
    void fullDisk_saidAndStillGuarded()
    {
        QVERIFY(QDir().mkpath(data()) && QDir().mkpath(path(u"app"_qs)));
        QVERIFY(writeBytes(data() + u"Indice.cfg"_qs, "[Indice]\r\nTotalForms=1\r\n"));
        QVERIFY(writeBytes(data() + u"indice.dat"_qs, ",1,\r\n"));
        FileSizeLimit full(0);
        m_popup = std::make_unique<FrmPopup>();
        QVERIFY(m_popup->startUp(path(u"docs"_qs), path(u"app/"_qs), u"ana"_qs));
        QVERIFY(TrayReady && noteAt(1));
        FrmPopup second;
        QVERIFY(!second.startUp(path(u"docs"_qs), path(u"app/"_qs), u"ana"_qs));
        QCOMPARE(second.exitCode(), 0);

        QTRY_COMPARE(m_fakes->messageBoxes->asked.size(), 1);
        QCOMPARE(m_fakes->messageBoxes->asked[0].text.section(u". "_qs, 0, 0),
                 u"Não é possível salvar na pasta de dados \"%1\" (%2)"_qs.arg(
                     QDir::cleanPath(data()), SystemErrorText(EFBIG)));
        QVERIFY(!m_popup->isShutDown());
    }

    void newNote_nextNumberFontAndSound()
    {
        QVERIFY(start(notes(2)));
        trigger(m_popup->mnuNew);
        frmNote *w = noteAt(3); // its title and place are tried end to end
        QCOMPARE(w->Tag() + u' ' + w->txtNote->SelFontName().value() + u' ' +
                     QString::number(w->txtNote->SelFontSize().value()),
                 u"3 Arial 9.75"_qs);
        QCOMPARE(m_fakes->sound->played, QStringList{AppPath + u"novo.wav"_qs});
    }

    // A day of a daily alarm on a hidden note that sits across two screens, not pinned: it shows
    // wholly on the screen that shows more of it, on top, and rings again and again; while it
    // rings the tray icon alternates with another picture and its tip names it. A bell beside
    // "[Alarme]", inside the note, shows the armed alarm. (Its blinking colours, their end at a
    // click and a save while it blinks are tried end to end.)
    void alarm_ringsUntilAcknowledged()
    {
        m_fakes->screen->monitors = {QRect(0, 0, 1024, 768), QRect(1024, 0, 1024, 768)};
        m_fakes->screen->all = QRect(0, 0, 2048, 768);
        QVERIFY(startAlarm("Left=14250\r\nTop=-300\r\n")); // (950, -20)
        frmNote *note = noteAt(1);
        const QRect bell = note->imSino->geometry(), link = note->Label1[2]->geometry();
        QVERIFY(note->imSino->isVisibleTo(note) && !noteAt(2)->imSino->isVisible());
        QVERIFY(note->Picture1->rect().contains(bell) && bell.left() > link.right() &&
                bell.left() - link.right() < 8);
        const QSystemTrayIcon *tray = m_popup->trayIcon();
        const qint64 idle = tray->icon().cacheKey();
        const QStringList &played = m_fakes->sound->played;
        QVERIFY(!note->isVisible());
        note->tmrEvent.setInterval(1); // the loader's first evaluation, without its 5 s
        QTRY_VERIFY(note->isVisible());
        QVERIFY(note->pos() == QPoint(1024, 0) && IsWindowTopmost(note));
        QCOMPARE(ini(1, "TocouEm") + u' ' + played.join(u' '), u"01/12/2026 /sons/galo.wav"_qs);
        QTRY_COMPARE(tray->toolTip(), u"Notavex - alarme: Compras"_qs);
        QVERIFY(tray->icon().cacheKey() != idle);
        QTRY_COMPARE(tray->icon().cacheKey(), idle); // and back, while it rings
        QTRY_VERIFY(tray->icon().cacheKey() != idle);

        note->hide(); // hidden again, it keeps quiet
        note->TimerToca_Timer();
        QVERIFY(note->ContaToque == 0 && played.size() == 1 && note->Piscar.isActive());
        note->show();
        QList<int> at; // seconds after the ring
        for (int ms = 0; note->TimerToca.isActive() && at.size() < 100; at << ms / 1000) {
            ms += note->TimerToca.interval();
            note->TimerToca_Timer();
        }
        QCOMPARE(at.mid(0, 13), (QList<int>{5, 10, 15, 20, 30, 40, 50, 60, 70, 80, 90, 110, 130}));
        QVERIFY(at.size() == 51 && at.last() == 1765 && played.size() == 52);

        QTest::mouseClick(note->txtNote->viewport(), Qt::LeftButton);
        QVERIFY(!note->Piscar.isActive() && !IsWindowTopmost(note) &&
                m_fakes->messageBoxes->asked.isEmpty());
        QTRY_COMPARE(tray->toolTip(), u"Notavex"_qs);
        QCOMPARE(tray->icon().cacheKey(), idle);

        // The next day it rings again, its repetitions counted afresh; once, even when the day
        // of the ring cannot be written.
        m_fakes->clock->time = {QDate(2026, 12, 2), QTime(8, 0)};
        FileSizeLimit full(0);
        note->tmrEvent_Timer();
        QVERIFY(played.size() == 53 && note->ContaToque == 0 && note->TimerToca.isActive());
        note->tmrEvent_Timer();
        QVERIFY(played.size() == 53 && ini(1, "TocouEm") == u"01/12/2026"_qs);
        note->tmrEvent.stop(); // the alarm switched off
        QVERIFY(!note->imSino->isVisible());
    }

    void finalRing_asksToDelete_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("No keeps the note, not its alarm") << false;
        QTest::newRow("Yes deletes the note") << true;
    }

    // Every month of 2026, rung in December: acknowledged by its hide button, an alarm that will
    // not ring again asks first.
    void finalRing_asksToDelete()
    {
        QFETCH(bool, yes);
        QVERIFY(startAlarm("Data=1/0/2026\r\n"));
        QPointer<frmNote> note = noteAt(1);
        note->tmrEvent_Timer();
        QVERIFY(note->Piscar.isActive() && !note->tmrEvent.isActive());
        m_fakes->messageBoxes->setNextAnswer(yes ? MessageBoxes::AnswerYes
                                                 : MessageBoxes::AnswerNo);
        QTest::mouseClick(note->Image3, Qt::LeftButton, {}, QPoint(5, 5));
        const auto &asked = m_fakes->messageBoxes->asked;
        QVERIFY(asked.size() == 1 && asked[0].buttons == MessageBoxes::YesNo &&
                asked[0].defaultAnswer == MessageBoxes::AnswerNo);
        QCOMPARE(asked[0].text, u"Esta nota não está mais programada para acionar o alarme no "
                                u"futuro.\r\rProgramação do alarme para esta nota é: \rDia: 1\r"
                                u"Mês: (Todos os meses do ano)\rAno: 2026\r\rDeseja excluir esta "
                                u"nota agora?"_qs);
        if (yes) { // what a deletion removes is checked with the note menu's
            QTRY_VERIFY(!note);
            QCOMPARE(m_fakes->sound->played.last(), AppPath + u"excluir.wav"_qs);
        } else {
            QVERIFY(note && !note->isVisible() &&
                    ini(1, "Visivel") == u"False"); // the hide goes on
            QCOMPARE(ini(1, "Alarme") + ini(1, "Data") + ini(1, "TocouEm") + ini(1, "ArquivoWave"),
                     u"/sons/galo.wav"_qs);
        }
    }

    // "Não", the default answer, keeps the note; "Sim" deletes its window and listing (and what
    // else a deletion removes, checked with the dialogs' "Excluir Notas...").
    void deleteNote_asksFirst()
    {
        QVERIFY(start(notes(2)));
        for (const bool yes : {false, true}) {
            QVERIFY(MakeCurrent(2));
            m_fakes->messageBoxes->setNextAnswer(yes ? MessageBoxes::AnswerYes
                                                     : MessageBoxes::AnswerNo);
            trigger(m_popup->menKill);
            QCOMPARE(FindNoteFormIndex(2), yes ? 0 : 2);
            QCOMPARE(readBytes(ListFile()), QByteArray(yes ? ",1,\r\n" : ",1,2,\r\n"));
            QCOMPARE(m_fakes->sound->played.size(), yes ? 1 : 0);
        }
        const auto &q = m_fakes->messageBoxes->asked.value(0);
        QVERIFY(q.text == u"Deseja Excluir o Lembrete Atual?" && q.buttons == MessageBoxes::YesNo &&
                q.defaultAnswer == MessageBoxes::AnswerNo);
    }

    // "Mostrar Todos", "Ocultar" and "Ocutar Todos" write nothing until the next save: "Sair"
    // then stores it. A save after "Sair" that fails is asked about: the notes stay open until one
    // works.
    void hideAndShow_storedAtQuit()
    {
        QVERIFY(start("[Indice]\r\nTotalForms=2\r\n[1]\r\nVisivel=True\r\n[2]\r\nVisivel=0\r\n",
                      ",1,2,\r\n"));
        auto *modal = new QDialog; // a note's file, font, colour or print dialog, or a question
        modal->setModal(true);
        modal->show();
        m_popup->trayClick(QPoint(10, 10));
        QVERIFY(!m_popup->menu->isVisible());
        delete modal;
        m_popup->trayClick(QPoint(10, 10)); // the tray menu offers both
        QVERIFY(m_popup->menu->isVisible());
        m_popup->menu->close();
        trigger(m_popup->mnuShowAll);
        QVERIFY(noteAt(2)->isVisible());
        MakeCurrent(1);
        trigger(m_popup->menOcultar);
        QVERIFY(!noteAt(1)->isVisible() && noteAt(2)->isVisible());
        QCOMPARE(ini(1, "Visivel"), u"True"_qs);
        trigger(m_popup->mnuHide);
        QVERIFY(!noteAt(1)->isVisible() && !noteAt(2)->isVisible());
        noteAt(1)->txtNote->SetText(QString(4000, u'x'));
        m_fakes->messageBoxes->setNextAnswer(MessageBoxes::AnswerCancel);
        {
            FileSizeLimit full(1000);
            trigger(m_popup->mnuFechar);
        }
        QCOMPARE(m_fakes->messageBoxes->asked.size(), 1);
        QVERIFY(!m_popup->isShutDown() && TrayReady && noteAt(1));
        trigger(m_popup->mnuFechar);
        QVERIFY(m_popup->isShutDown());
        QCOMPARE(ini(1, "Visivel") + ini(2, "Visivel"), u"FalseFalse"_qs);
        QVERIFY(readBytes(ContentFile(1)).contains("xxxx"));
    }

    // Windows come in the list's order, hidden ones never show, and a save lists the newest
    // window first: the list flips at every load and save, as stored files expect.
    void loadNotes_listOrderAndVisibility()
    {
        QVERIFY(QDir().mkpath(data()));
        QVERIFY(writeBytes(data() + u"notavex1.arl"_qs, "{\\rtf1\\ansi caf\\'e9}"));
        QVERIFY(start("[Indice]\r\nTotalForms=3\r\n[2]\r\nVisivel=False\r\n", ",3,2,1,\r\n"));
        QCOMPARE(noteAt(1)->Tag() + noteAt(2)->Tag() + noteAt(3)->Tag(), u"321"_qs);
        QVERIFY(noteAt(1)->isVisible() && noteAt(3)->isVisible());
        QVERIFY(!noteAt(2)->windowHandle()); // never shown, not even for a moment

        QVERIFY(SaveNotes(0));
        QCOMPARE(readBytes(ListFile()), QByteArray(",1,2,3,\r\n"));
        QCOMPARE(ini(2, "Visivel"), u"False"_qs);
        QCOMPARE(readBytes(ContentFile(1)), QByteArray("{\\rtf1\\ansi caf\\'e9}"));
        QVERIFY(QFile::exists(ContentFile(2))); // a note without a file gets one
    }

    // Many notes load in batches: each window gets its own keys and text, in list order, the
    // event loop runs before the second note is made (with the tray still closed), and an empty
    // note takes the options' format for new text.
    void loadNotes_manyNotesInBatches()
    {
        constexpr int Count = 120; // more than are read ahead of the windows
        auto folder = notes(Count, "Titulo=nota #\r\n", "{\\rtf1\\ansi texto #}", true);
        folder.first += "[Format]\r\nFontName=Tahoma\r\n";
        for (int id = 2; id <= Count; id += 2)
            QVERIFY(QFile::remove(data() + u"notavex%1.arl"_qs.arg(id)));
        int notesWhenEventsRan = -1;
        bool trayReadyThen = true;
        QTimer::singleShot(0, [&] {
            notesWhenEventsRan = OpenForms::count() - 1;
            trayReadyThen = TrayReady;
        });
        QVERIFY(start(folder));
        QCOMPARE(notesWhenEventsRan, 1);
        QVERIFY(!trayReadyThen);
        for (int i = 1; i <= Count; ++i) {
            const int id = Count + 1 - i;
            const QString n = QString::number(id);
            frmNote *w = noteAt(i);
            QCOMPARE(w->Tag() + u'|' + w->txtTitle->text() + u'|' + w->txtNote->toPlainText(),
                     n + u"|nota "_qs + n + u'|' + (id % 2 ? u"texto "_qs + n : QString()));
            if (id % 2 == 0)
                QCOMPARE(w->txtNote->SelFontName().value_or(QString()), u"Tahoma"_qs);
        }
    }

    // A shutdown asked for while notes load ends the load at the next note: what was typed in a
    // loaded note is saved, and the notes not loaded stay listed in their place, keys and files
    // untouched.
    void shutDown_whileLoadingStopsTheLoad()
    {
        constexpr int Count = 40;
        const auto folder = notes(Count, "Titulo=nota #\r\n", "{\\rtf1 texto #}");
        QTimer::singleShot(0, [] {
            noteAt(1)->txtNote->SetText(u"digitado"_qs);
            qobject_cast<FrmPopup *>(OpenForms::at(0))->shutDown();
        });
        m_popup = StartProgram(m_tmp->path(), folder.first, folder.second);
        QVERIFY(m_popup && m_popup->isShutDown());
        QCOMPARE(readBytes(ListFile()), notes(Count, {}, {}, true).second);
        QCOMPARE(ini(0, "TotalForms"), QString::number(Count));
        // Only the one note loaded was saved: the save writes Tag.
        QCOMPARE(readBytes(IndexFile()).count("Tag="), 1);
        QVERIFY(readBytes(ContentFile(1)).contains("digitado"));
        for (int id = 2; id <= Count; ++id)
            QCOMPARE(readBytes(ContentFile(id)), "{\\rtf1 texto " + QByteArray::number(id) + '}');
    }

    // A content file that cannot be read, or is shown only in part, is not the user's to edit
    // (the end-to-end scripts see such files left as they were).
    void loadNotes_unreadableOrHugeContentLeftAlone()
    {
        QVERIFY(QDir().mkpath(data() + u"notavex1.arl"_qs)); // opens, but reads nothing
        const QByteArray huge =
            QByteArray("palavra ").repeated(RichTextBox::MaxEditableCharacters / 8 + 1);
        QVERIFY(writeBytes(data() + u"notavex2.arl"_qs, huge));
        QVERIFY(start("", ",1,2,\r\n"));
        frmNote *unreadable = noteAt(1);
        QVERIFY(unreadable->ContentUnreadable());
        QVERIFY(unreadable->txtNote->placeholderText().contains(u"notavex1.arl"_qs));
        RichTextBox *preview = noteAt(2)->txtNote;
        QVERIFY(preview->PreviewOf() > RichTextBox::MaxEditableCharacters);
        QVERIFY(preview->isReadOnly());
        QVERIFY(preview->document()->characterCount() < RichTextBox::PreviewCharacters + 1000);
        // Saved as a text file, the beginning alone would pass for the whole note.
        SetNextFileName(m_tmp->path() + u"/parte.txt"_qs);
        noteAt(2)->Salvar();
        QVERIFY(!QFile::exists(m_tmp->path() + u"/parte.txt"_qs));
        QVERIFY(m_fakes->messageBoxes->asked.value(0).text.contains(u"notavex2.arl"_qs));
        // Nothing typed or loaded could be saved but over the file: the note cannot be edited.
        QVERIFY(unreadable->txtNote->isReadOnly() && !unreadable->ContentNeedsSaving());
        unreadable->Abrir();
        QVERIFY(m_fakes->messageBoxes->asked.value(1).text.contains(u"notavex1.arl"_qs));
        QVERIFY(SaveNotes(0) && QFileInfo(data() + u"notavex1.arl"_qs).isDir());
    }

    // The X server is gone: the notes are saved from memory, each where it was last known to be
    // (not Qt's stale 0,0), also while notes load, but not once the shutdown let go of them.
    void displayLost_savedFromMemory_data()
    {
        QTest::addColumn<QString>("when");
        QTest::addColumn<QString>("said");
        const QString saved = u"perdida; as notas foram salvas"_qs;
        QTest::newRow("loading") << u"loading"_qs << saved; // while running: tried end to end
        QTest::newRow("after the shutdown") << u"ended"_qs << saved;
        // What was typed is copied outside the data folder, where it can be.
        QTest::newRow("disk full")
            << u"full"_qs << u"Também não foi possível copiar o texto não salvo"_qs;
        QTest::newRow("folder gone") << u"gone"_qs << u"O texto não salvo foi copiado para"_qs;
        // One copy that cannot be made does not keep the others from being made.
        QTest::newRow("one copy blocked")
            << u"blocked"_qs << u"Também não foi possível copiar o texto não salvo"_qs;
    }

    void displayLost_savedFromMemory()
    {
        QFETCH(QString, when);
        QFETCH(QString, said);
        const auto rescued = [this](qint16 id) {
            return m_fakes->dataHome.path() + u"/Notavex/não salvas/notavex%1-%2.rtf"_qs.arg(id).arg(
                       m_fakes->clock->time.toString(u"yyyyMMdd-HHmmss"_qs));
        };
        QString line;
        const auto loseDisplay = [&] {
            if (when != u"ended") {
                noteAt(1)->txtNote->SetText(QString(2000, u'x') + u"digitado"_qs);
                noteAt(1)->move(0, 0); // behind the program's back
            }
            if (when == u"blocked") {
                noteAt(2)->txtNote->SetText(u"outra"_qs);
                QVERIFY(QDir().mkpath(rescued(noteAt(2)->NoteId()))); // the first tried
            }
            if (when == u"gone" || when == u"blocked")
                QVERIFY(QDir(data()).removeRecursively() && writeBytes(data().chopped(1), "x"));
            FileSizeLimit full(when == u"full" ? 1000 : RLIM_INFINITY);
            auto *popup = qobject_cast<FrmPopup *>(OpenForms::at(0));
            line = SaveAfterDisplayLost([popup] { return popup->saveWithoutDisplay(); });
        };
        if (when == u"loading")
            QTimer::singleShot(0, loseDisplay); // after the first note
        QVERIFY(start(notes(30)));
        if (when == u"ended")
            m_popup->shutDown();
        if (when != u"loading")
            loseDisplay();
        QVERIFY2(line.contains(said) && !line.contains(u'\n'), qPrintable(line));
        if (when == u"blocked") {
            QVERIFY(readBytes(rescued(noteAt(1)->NoteId())).contains("digitado"));
            return;
        }
        if (when == u"gone") {
            const QString dir = m_fakes->dataHome.path() + u"/Notavex/não salvas/"_qs, copy =
                u"notavex1-%1.rtf"_qs.arg(m_fakes->clock->time.toString(u"yyyyMMdd-HHmmss"_qs));
            QCOMPARE(QDir(dir).entryList(QDir::Files), QStringList{copy});
            QVERIFY(readBytes(dir + copy).contains("digitado"));
            m_popup->shutDown(); // fails the same way, and copies again
            QVERIFY(SaveFailureText().contains(u"recriar a pasta"_qs) &&
                    SaveFailureText().contains(u"O texto não salvo foi copiado"_qs));
            return;
        }
        QCOMPARE(readBytes(ListFile()), notes(30, {}, {}, true).second); // saved newest first
        if (when == u"loading") {
            QCOMPARE(ini(1, "Top") + u',' + ini(1, "Left"), u"1500,1500"_qs);
            QVERIFY(readBytes(ContentFile(1)).contains("digitado"));
        }
    }

    // Index and list are replaced once for any number of notes; only changed text is written.
    void saveNotes_manyNotesReplaceTheIndexOnce()
    {
        QVERIFY(start("", ",\r\n"));
        for (int id = 1; id <= 100; ++id)
            CreateNote(QString::number(id), QString(), false);
        QVERIFY(SaveNotes(0));
        for (int i = 1; i < OpenForms::count(); ++i)
            noteAt(i)->SetTop(noteAt(i)->Top() + 150);
        noteAt(100)->txtNote->SetText(u"mudou"_qs);

        // The list is the same; only the text that changed is written.
        QCOMPARE(replacedDuring(DataPath, [] { QVERIFY(SaveNotes(0)); }),
                 (QStringList{u"notavex100.arl"_qs, u"Indice.cfg"_qs}));
        QCOMPARE(ini(0, "TotalForms"), u"100"_qs);
    }
};

QTEST_MAIN(tst_FrmPopup)
#include "tst_frmpopup.moc"
