#include "mock/FakeServices.h"
#include "mock/TestFiles.h"
#include "mock/Warnings.h"

#include "alarm/frmAlarme.h"
#include "dialogs/ModAjuda.h"
#include "note/ModCmnDlg.h"
#include "note/frmNote.h"
#include "platform/Globals.h"
#include "platform/OpenForms.h"
#include "platform/TopMost.h"
#include "shell/FrmPopup.h"
#include "store/Ini.h"
#include "store/NoteFiles.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>

using namespace TestFiles;

namespace {

constexpr int Note = 3;

// Note 3's keys, "-" for an empty or missing one, joined by spaces.
QString keys(const char *names)
{
    QStringList values;
    for (const QString &name : QString::fromLatin1(names).split(u' '))
        values << ReadIni(QString::number(Note), name, u"-"_qs, IndexFile());
    return values.join(u' ');
}

QString enabledOnes(const frmAlarme &d)
{
    QStringList on;
    for (const QWidget *w : d.findChildren<QWidget *>()) {
        if (w->isEnabled() && !w->objectName().isEmpty() && !w->objectName().startsWith(u"qt_"))
            on << w->objectName();
    }
    on.sort();
    return on.join(u' ');
}

// Watches OK asking the note to evaluate its alarm.
class WatchedAlarme : public frmAlarme
{
public:
    QStringList calls; // note, its timer, TocouEm at the time

protected:
    void EvaluateNow(frmNote *note) override
    {
        calls << QString::number(note->NoteId()) +
                     (note->tmrEvent.isActive() ? u" on "_qs : u" off "_qs) + keys("TocouEm");
        frmAlarme::EvaluateNow(note);
    }
};

} // namespace

// The alarm dialog of a note: what it shows of the stored alarm, what OK writes, and the note it
// arms. Saturday 5 December 2026, 10:00:30.
class tst_frmAlarme : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_tmp;
    std::optional<FakeServices> m_fakes;
    std::unique_ptr<FrmPopup> m_popup;
    QString app() const { return m_tmp->path() + u"/app/"_qs; }
    frmNote *note() const
    {
        return qobject_cast<frmNote *>(OpenForms::at(FindNoteFormIndex(Note)));
    }

    // Starts the program with notes 1 and 3, note 3 holding the given keys; 3 is current.
    void start(const QByteArray &alarmKeys = {})
    {
        const QString data = m_tmp->path() + u"/docs/Notavex/"_qs;
        QVERIFY(QDir().mkpath(data) && QDir().mkpath(app()));
        QVERIFY(writeBytes(data + u"Indice.cfg"_qs,
                           "[Indice]\r\nTotalForms=2\r\n[1]\r\nVisivel=True\r\n[3]\r\n"
                           "Visivel=True\r\n" +
                               alarmKeys));
        QVERIFY(writeBytes(data + u"indice.dat"_qs, ",1,3,\r\n"));
        m_popup = std::make_unique<FrmPopup>();
        QVERIFY(m_popup->startUp(m_tmp->path() + u"/docs"_qs, app(), u"ana"_qs));
        CurrentNoteId = Note;
        CurrentFormIndex = qint16(FindNoteFormIndex(Note));
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

private slots:
    void init()
    {
        FailOnUnexpectedWarnings();
        m_tmp = std::make_unique<QTemporaryDir>();
        ResetProgramState();
        m_fakes.emplace(); // the old fakes go first
        m_fakes->clock->time = QDateTime(QDate(2026, 12, 5), QTime(10, 0, 30));
    }

    void cleanup()
    {
        SetHelpViewer(nullptr);
        // Not shut down: ending the program would end every later dialog's event loop at once.
        while (OpenForms::count() > 1)
            delete OpenForms::at(OpenForms::count() - 1);
        m_popup.reset();
    }

    void noKeys_opensOffAndOkWritesTheDefaults()
    {
        start("TocouEm=01/12/2026\r\n");
        note()->tmrEvent.start();
        {
            frmAlarme d;
            QVERIFY(!TrayReady && d.isModal() && IsWindowTopmost(&d));
            QCOMPARE(d.windowTitle() + u' ' + d.Label3->text(),
                     u"Ajustar Alarme Alarme: Desativado"_qs);
            QCOMPARE(d.size(), QSize(386, 351));
            QVERIFY(!d.Check2->isChecked() && d.Option3[1]->isChecked() && d.ChkPlay->isChecked());
            QCOMPARE(d.Combo1->currentText() + d.Combo2->currentText() + d.Combo3->currentText() +
                         d.TimePick->text() + d.txtSound->text(),
                     u"05Dezembro202610:00"_qs + app() + u"alarme.wav"_qs);
            QCOMPARE(enabledOnes(d), u"Check2 Command3 Command4 Command5 Frame1 Frame3 Frame4 "
                                     u"Frame5 Label3 Picture1 Picture2"_qs);
            d.Command3->click();
        }
        QVERIFY(TrayReady && !note()->tmrEvent.isActive());
        QCOMPARE(keys("Alarme TocarSom TipoDataAlarme Data Hora HoraAntes TocouEm"),
                 u"0 1 1 5/12/2026 10:00:30 09:59:30 01/12/2026"_qs);
        QCOMPARE(keys("ArquivoWave Tag"), app() + u"alarme.wav 3"_qs); // and the note is saved
    }

    void schedule_summaryStoredAndReopened_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("reopened"); // the date, the day box or the weekdays
        QTest::newRow("days") << 3 << u"1, 15 ,,31"_qs << u"Alarme nos dias: 1,15e31 de cada mês"_qs
                              << u"DiaMes:,1,15,31,"_qs << u"1,15,31"_qs;
        // Stored as an empty list, not as the summary's words, and shown as an empty box.
        QTest::newRow("no digits")
            << 3 << u"abc"_qs << u"Alarme nos dias: (Não definido) de cada mês"_qs
            << u"DiaMes:,,"_qs << QString();
        QTest::newRow("weekdays") << 4 << u"246"_qs << u"Alarme: Seg, Qua e Sex"_qs
                                  << u"DiaSemana:,2,4,6,"_qs << u"246"_qs;
        QTest::newRow("daily") << 2 << QString() << u"Alarme: Diariamente"_qs << u"Diariamente"_qs
                               << QString();
        QTest::newRow("every month of a year")
            << 1 << u"01/0/2027"_qs << u"Alarme em: 01 de cada mês (somente em 2027)"_qs
            << u"1/0/2027"_qs << u"01/0/2027"_qs;
    }

    void schedule_summaryStoredAndReopened()
    {
        QFETCH(int, kind);
        QFETCH(QString, input);
        QFETCH(QString, summary);
        QFETCH(QString, stored);
        QFETCH(QString, reopened);
        start();
        {
            frmAlarme d;
            use(d, kind, input);
            QCOMPARE(d.Label3->text(), summary);
            d.Command3->click();
        }
        QCOMPARE(keys("Alarme TipoDataAlarme Data"), u"1 %1 %2"_qs.arg(kind).arg(stored));
        frmAlarme again;
        QVERIFY(again.Option3[size_t(kind)]->isChecked());
        QCOMPARE(again.Label3->text(), summary);
        QString shown = again.Text1->text();
        if (kind == 1)
            shown = again.Combo1->currentText() + u'/' +
                    QString::number(again.Combo2->currentIndex()) + u'/' +
                    again.Combo3->currentText();
        for (int i = 1; i <= 7; ++i)
            shown += again.Check3[size_t(i)]->isChecked() ? QString::number(i) : QString();
        QCOMPARE(shown, reopened);
        const bool lists = again.Combo1->isEnabled(), box = again.Text1->isEnabled();
        QCOMPARE(QList<bool>({lists, box, again.Check3[7]->isEnabled()}),
                 QList<bool>({kind == 1, kind == 3, kind == 4}));
    }

    // An alarm set in a year no longer listed keeps its year, not turned into a yearly one.
    void pastYear_keptByOk()
    {
        start("Alarme=1\r\nData=5/12/2025\r\n");
        frmAlarme d;
        QCOMPARE(d.Label3->text(), u"Alarme em: 05 de Dezembro de 2025"_qs);
        d.Command3->click();
        QCOMPARE(keys("TipoDataAlarme Data"), u"1 5/12/2025"_qs);
    }

    void pastDate_checkedOnlyForThisMonthOfThisYear_data()
    {
        QTest::addColumn<QString>("date"); // "-" at the end: "Usar Alarme" cleared again
        QTest::addColumn<bool>("refused");
        QTest::newRow("a minute ago") << u"05/12/2026 09:59"_qs << true;
        QTest::newRow("yesterday, later hour") << u"04/12/2026 11:00"_qs << true;
        QTest::newRow("this minute") << u"05/12/2026 10:00"_qs << false;
        QTest::newRow("every month") << u"05/0/2026 09:59"_qs << false;
        QTest::newRow("every year") << u"05/12/Todos 09:59"_qs << false;
        QTest::newRow("alarm off") << u"05/12/2026 09:59 -"_qs << false;
    }

    void pastDate_checkedOnlyForThisMonthOfThisYear()
    {
        QFETCH(QString, date);
        QFETCH(bool, refused);
        start();
        frmAlarme d;
        use(d, 1, date.section(u' ', 0, 0));
        d.TimePick->setTime(QTime::fromString(date.section(u' ', 1, 1), u"HH:mm"));
        if (date.endsWith(u'-'))
            d.Check2->click();
        d.Command3->click();
        QCOMPARE(d.result(), int(refused ? QDialog::Rejected : QDialog::Accepted));
        QCOMPARE(keys("Alarme") == u"-", refused);
        const auto &asked = m_fakes->messageBoxes->asked;
        QCOMPARE(asked.size(), int(refused));
        for (const auto &box : asked) {
            QCOMPARE(box.text, u"A data e hora selecionada, é menor que a data atual. Por favor, "
                               u"selecione outra data e hora."_qs);
            QVERIFY(box.icon == MessageBoxes::Information && box.caption == u"Notavex");
            QCOMPARE(d.Combo1->currentText() + u' ' + d.TimePick->text(),
                     date.left(2) + date.right(6));
        }
    }

    // TocouEm is rewritten only when the summary or the time changed: today when the new time
    // has passed today, so that the alarm waits for its next day. An armed note is switched on
    // before it evaluates, and sees the new TocouEm (which its ringing may then change).
    void tocouEm_andEvaluation_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("evaluated");
        QTest::addColumn<QString>("tocouEm");
        QTest::newRow("only the sound") << u"sound"_qs << u"3 on 04/12/2026"_qs << QString();
        QTest::newRow("a time already past") << u"09:00"_qs << u"3 on 05/12/2026"_qs << QString();
        QTest::newRow("this minute rings") << u"10:00"_qs << u"3 on -"_qs << QString();
        QTest::newRow("switched off") << u"off"_qs << QString() << u"05/12/2026"_qs;
    }

    void tocouEm_andEvaluation()
    {
        QFETCH(QString, change);
        QFETCH(QString, evaluated);
        QFETCH(QString, tocouEm);
        start("Alarme=1\r\nTipoDataAlarme=2\r\nData=Diariamente\r\nHora=08:00:00\r\n"
              "TocouEm=04/12/2026\r\n");
        QVERIFY(note()->tmrEvent.isActive());
        WatchedAlarme d;
        if (change == u"sound")
            d.txtSound->setText(u"/sons/sino.wav"_qs);
        else if (change == u"off")
            d.Check2->click();
        else
            d.TimePick->setTime(QTime::fromString(change, u"HH:mm"));
        d.Command3->click();
        QCOMPARE(d.calls.join(u'|'), evaluated);
        QCOMPARE(note()->tmrEvent.isActive(), !evaluated.isEmpty());
        if (!tocouEm.isEmpty())
            QCOMPARE(keys("TocouEm"), tocouEm);
    }

    // A disk that takes nothing: the dialog says so and stays open, the note keeps its timer.
    void failedWrite_keepsTheDialogOpen()
    {
        start();
        frmAlarme d;
        d.Check2->click();
        {
            FileSizeLimit full(16);
            d.Command3->click();
        }
        QVERIFY(d.result() == QDialog::Rejected && !note()->tmrEvent.isActive());
        QCOMPARE(keys("Alarme"), u"-"_qs);
        QCOMPARE(m_fakes->messageBoxes->asked.size(), 1);
        QVERIFY(
            m_fakes->messageBoxes->asked[0].text.startsWith(u"Não foi possível salvar o alarme"));
    }

    void soundButtons_andHelp()
    {
        start();
        QStringList helped;
        SetHelpViewer([&](const QString &file, const QString &topic) { helped << file << topic; });
        frmAlarme d;
        d.Check2->click();
        d.ChkPlay->click();
        QVERIFY(!d.txtSound->isEnabled() && !d.Command1->isEnabled() && !d.Command2->isEnabled());
        d.ChkPlay->click();
        d.Command1->click();
        QCOMPARE(m_fakes->sound->played, QStringList{app() + u"alarme.wav"_qs});

        SetNextFileName(u"/sons/sino.wav"_qs);
        d.Command2->click();
        QCOMPARE(d.txtSound->text(), u"/sons/sino.wav"_qs);
        const FileDialogRecord &s = FileDialogSettings;
        QCOMPARE(s.Filter + u' ' + s.FileTitle, u"Arquivo de áudio (*.wav)|*.wav sino.wav"_qs);
        QVERIFY(s.Flags == 5 && s.Owner == &d);
        SetNextFileName(QString()); // cancelled
        d.Command2->click();
        QVERIFY(d.txtSound->text() == u"/sons/sino.wav" && s.FileName.isEmpty());

        QVERIFY(QDir().mkpath(app() + u"Notavex.chm"_qs)); // a folder is no help file
        d.Command5->click();
        QVERIFY(QDir().rmdir(app() + u"Notavex.chm"_qs) &&
                writeBytes(app() + u"Notavex.chm"_qs, "ITSF"));
        d.Command5->click();
        QCOMPARE(helped, (QStringList{app() + u"Notavex.chm"_qs, u"alarme.htm"_qs}));
        const auto &asked = m_fakes->messageBoxes->asked;
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].text, u"Aquivo de ajuda Notavex.chm não encontrado.Verifique se o "
                                u"arquivo está mesmo no disco.\r\nSe ele não existir, você "
                                u"precisara reinstalá-lo."_qs);
        QVERIFY(asked[0].icon == MessageBoxes::Information &&
                asked[0].caption == u"Ajuda do Windows");
    }

    // The "[Alarme]" link (which makes its note current) and the note menu's "Alarme" open the
    // dialog for the note; the tray is shut while it is open. Cancel writes nothing.
    void openedFromLinkAndMenu()
    {
        start("Alarme=1\r\nData=Diariamente\r\nTipoDataAlarme=2\r\n");
        QStringList seen;
        QTimer answer; // changes each dialog and cancels it as soon as it is up
        connect(&answer, &QTimer::timeout, this, [&] {
            if (auto *d = qobject_cast<frmAlarme *>(QApplication::activeModalWidget())) {
                seen << d->Label3->text() + (TrayReady ? u" ready"_qs : u" shut"_qs);
                use(*d, 4, u"17"_qs);
                d->TimePick->setTime(QTime(7, 0));
                d->Command4->click();
            }
        });
        answer.start(10);
        CurrentNoteId = 1;
        QTest::mouseClick(note()->Label1[2], Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(keys("Tag"), u"3"_qs); // the link saves its note afterwards
        const QByteArray before = readBytes(IndexFile());
        m_popup->menAlarme->trigger();
        QTRY_COMPARE(seen.size(), 2);
        QCOMPARE(seen, QStringList(2, u"Alarme: Diariamente shut"_qs));
        QCOMPARE(readBytes(IndexFile()), before);
        QVERIFY(TrayReady && note()->tmrEvent.isActive());
    }
};

QTEST_MAIN(tst_frmAlarme)
#include "tst_frmalarme.moc"
