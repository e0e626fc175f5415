#include "mock/FakeServices.h"
#include "mock/TestFiles.h"
#include "mock/Warnings.h"

#include "base/Globals.h"
#include "base/ProfileString.h"
#include "note/NoteWindows.h"
#include "note/OpenForms.h"
#include "note/TopMost.h"
#include "note/frmNote.h"
#include "store/NoteFiles.h"

#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString key(const char *name) // "-" when missing
{
    return GetPrivateProfileString(u"1"_qs, QString::fromLatin1(name), u"-"_qs, IndexFile());
}

// Note 1, hidden, with a daily alarm at 08:00 with sound and the keys given, loaded as at start.
// Its kind says days of the month: the evaluation follows Data alone.
frmNote *loadNote(const QString &changes = {})
{
    const QString keys =
        u"Alarme=1 TipoDataAlarme=3 Data=Diariamente Hora=08:00:00 "
        u"HoraAntes=07:59:00 TocarSom=1 Visivel=False ArquivoWave=/sons/galo.wav "_qs;
    for (const QString &k : (keys + changes).split(u' ', Qt::SkipEmptyParts))
        WritePrivateProfileString(u"1"_qs, k.section(u'=', 0, 0), k.section(u'=', 1), IndexFile());
    if (!WriteListLine(u",1,"_qs) || !TestFiles::writeBytes(ContentFile(1), "{\\rtf1 ola}"))
        return nullptr;
    LoadNotes();
    return qobject_cast<frmNote *>(OpenForms::at(1));
}

} // namespace

class tst_Ringing : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::optional<FakeServices> m_fakes;
    QWidget m_popup; // OpenForms index 0 is the main window

private slots:
    void initTestCase() { OpenForms::add(&m_popup); }

    void init()
    {
        FailOnUnexpectedWarnings();
        m_dir = std::make_unique<QTemporaryDir>();
        ResetProgramState(m_dir->path());
        AppPath = u"/programa/"_qs;
        m_fakes.emplace();
        m_fakes->clock->time = {QDate(2026, 12, 1), QTime(10, 0)};
    }

    void cleanup()
    {
        while (OpenForms::count() > 1)
            delete OpenForms::at(OpenForms::count() - 1);
    }

    // A day of a daily alarm on a hidden note that sits across two screens, not pinned. (Its
    // blinking colours, their end at a click and a save while it blinks are tried end to end.)
    void ringBlinkRepeatAndAcknowledge()
    {
        m_fakes->screen->monitors = {QRect(0, 0, 1024, 768), QRect(1024, 0, 1024, 768)};
        m_fakes->screen->all = QRect(0, 0, 2048, 768);
        frmNote *note = loadNote(u"Left=14250 Top=-300"_qs); // (950, -20)
        QVERIFY(note && !note->isVisible());
        const QStringList &played = m_fakes->sound->played;
        note->tmrEvent.setInterval(1); // the loader's first evaluation, without its 5 s
        QTRY_VERIFY(note->isVisible());
        // Wholly on the screen that shows more of it, and on top.
        QVERIFY(note->pos() == QPoint(1024, 0) && IsWindowTopmost(note));
        QCOMPARE(key("TocouEm") + u' ' + played.join(u' '), u"01/12/2026 /sons/galo.wav"_qs);

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

        // The next day it rings again, its repetitions counted afresh.
        m_fakes->clock->time = {QDate(2026, 12, 2), QTime(8, 0)};
        note->tmrEvent_Timer();
        QVERIFY(played.size() == 53 && note->ContaToque == 0 && note->TimerToca.isActive());
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
        QPointer<frmNote> note = loadNote(u"Data=1/0/2026"_qs);
        QVERIFY(note);
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
            QCOMPARE(m_fakes->sound->played.last(), u"/programa/excluir.wav"_qs);
        } else {
            QVERIFY(note && !note->isVisible() && key("Visivel") == u"False"); // the hide goes on
            QCOMPARE(key("Alarme") + key("Data") + key("TocouEm") + key("ArquivoWave"),
                     u"/sons/galo.wav"_qs);
        }
    }
};

QTEST_MAIN(tst_Ringing)
#include "tst_ringing.moc"
