#include "mock/FakeServices.h"
#include "mock/TestFiles.h"
#include "mock/Warnings.h"

#include "note/frmNote.h"
#include "platform/Globals.h"
#include "platform/OpenForms.h"
#include "platform/ProfileString.h"
#include "platform/TopMost.h"
#include "shell/NoteWindows.h"
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
frmNote *loadNote(const QList<std::pair<const char *, QString>> &changes = {})
{
    const QStringList keys{u"Alarme=1"_qs,           u"Data=Diariamente"_qs, u"Hora=08:00:00"_qs,
                           u"HoraAntes=07:59:00"_qs, u"TocarSom=1"_qs,       u"Visivel=False"_qs};
    for (const QString &k : keys)
        WritePrivateProfileString(u"1"_qs, k.section(u'=', 0, 0), k.section(u'=', 1), IndexFile());
    for (const auto &[name, value] : changes)
        WritePrivateProfileString(u"1"_qs, QString::fromLatin1(name), value, IndexFile());
    if (!WriteListLine(u",1,"_qs) || !TestFiles::writeBytes(ContentFile(1), "{\\rtf1 ola}"))
        return nullptr;
    LoadNotes();
    return qobject_cast<frmNote *>(OpenForms::at(1));
}

// Title strip, text area and text frame.
QString colours(const frmNote *n)
{
    return u"%1 %2 %3"_qs.arg(n->Picture1->BackColor())
        .arg(n->txtNote->BackColor())
        .arg(n->Picture2->BackColor());
}

} // namespace

class tst_Ringing : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::optional<FakeServices> m_fakes;
    QWidget m_popup; // OpenForms index 0 is the main window

    void setNow(const QDate &day, const QTime &time) { m_fakes->clock->time = {day, time}; }
    const QStringList &played() const { return m_fakes->sound->played; }

private slots:
    void initTestCase() { OpenForms::add(&m_popup); }

    void init()
    {
        FailOnUnexpectedWarnings();
        m_dir = std::make_unique<QTemporaryDir>();
        ResetProgramState(m_dir->path());
        AppPath = u"/programa/"_qs;
        m_fakes.emplace();
        setNow(QDate(2026, 12, 1), QTime(10, 0));
    }

    void cleanup()
    {
        while (OpenForms::count() > 1)
            delete OpenForms::at(OpenForms::count() - 1);
    }

    void ring_andAcknowledge_data()
    {
        QTest::addColumn<QString>("onTop");
        QTest::addColumn<QList<QRect>>("screens");
        QTest::addColumn<QPoint>("stored");
        QTest::addColumn<QPoint>("shownAt");
        const QRect one(0, 0, 1024, 768), two(1024, 0, 1024, 768);
        QTest::newRow("not pinned, half off the screen")
            << QString() << QList{one} << QPoint(-50, 100) << QPoint(0, 100);
        QTest::newRow("pinned, across two screens: onto the one showing more of it")
            << u"True"_qs << QList{one, two} << QPoint(950, -20) << QPoint(1024, 0);
        QTest::newRow("lower-case false is pinned, as at loading")
            << u"false"_qs << QList{one} << QPoint(300, 200) << QPoint(300, 200);
    }

    // Rung, a hidden note comes wholly onto a screen, on top, and blinks; a save meanwhile and
    // the acknowledging click leave its stored colours and stacking as they were.
    void ring_andAcknowledge()
    {
        QFETCH(QString, onTop);
        QFETCH(QList<QRect>, screens);
        QFETCH(QPoint, stored);
        QFETCH(QPoint, shownAt);
        m_fakes->screen->monitors = screens;
        m_fakes->screen->all = screens.first().united(screens.last());
        frmNote *note = loadNote({{"OnTop", onTop},
                                  {"Color1", u"&HFF"_qs},
                                  {"Color2", u"65280"_qs},
                                  {"Left", QString::number(stored.x() * 15)},
                                  {"Top", QString::number(stored.y() * 15)}});
        QVERIFY(note && !note->isVisible());
        note->tmrEvent.setInterval(1); // the loader's first evaluation, without its 5 s
        QTRY_VERIFY(note->isVisible());
        QVERIFY(note->pos() == shownAt && IsWindowTopmost(note) && note->TimerToca.isActive());
        QCOMPARE(key("TocouEm") + played().join(u' '), u"01/12/2026/programa/alarme.wav"_qs);
        QVERIFY(note->tmrEvent.isActive() && note->tmrEvent.interval() == 59000);

        QTRY_COMPARE(colours(note), u"65280 255 255"_qs);
        QVERIFY(SaveNotes(1));
        QCOMPARE(key("Color1") + u' ' + key("Color2"), u"255 65280"_qs);
        QTest::mouseClick(note->txtNote->viewport(), Qt::LeftButton);
        QCOMPARE(colours(note), u"255 65280 65280"_qs);
        QVERIFY(!note->Piscar.isActive() && !note->TimerToca.isActive());
        const bool pinned = !onTop.isEmpty();
        QVERIFY(IsWindowTopmost(note) == pinned &&
                (note->ImTop->Picture() == &note->imDown) == pinned);
        QVERIFY(m_fakes->messageBoxes->asked.isEmpty());
    }

    // The clock is read at each evaluation: the minute before, midnight, a wake-up, a jump.
    void evaluation_followsTheClock()
    {
        frmNote *note = loadNote();
        QVERIFY(note);
        const QDate d(2026, 12, 1);
        const struct
        {
            QDateTime at;
            int interval;
            bool rings;
        } steps[] = {
            {{d, {7, 58, 59}}, 59000, false},       {{d, {7, 59}}, 3000, false},
            {{d, {7, 59, 59}}, 3000, false},        {{d, {8, 0}}, 59000, true},
            {{d, {23, 59, 59}}, 59000, false},      {{d.addDays(1), {0, 0, 30}}, 59000, false},
            {{d.addDays(1), {9, 30}}, 59000, true}, {{d.addDays(9), {8, 0}}, 59000, true}};
        for (const auto &s : steps) {
            const qsizetype sounds = played().size();
            m_fakes->clock->time = s.at;
            note->tmrEvent_Timer();
            QVERIFY2(note->tmrEvent.isActive() && note->tmrEvent.interval() == s.interval &&
                         (played().size() > sounds) == s.rings && !note->AplicaClick(),
                     qPrintable(s.at.toString()));
        }
        QCOMPARE(key("TocouEm"), u"10/12/2026"_qs);
    }

    // Repeated at growing intervals while the note is shown, 51 times; the next ring starts
    // with the interval the repetitions left.
    void soundRepetition_scheduleAndPause()
    {
        frmNote *note = loadNote({{"ArquivoWave", u"/sons/galo.wav"_qs}});
        QVERIFY(note);
        note->tmrEvent_Timer();
        note->hide();
        note->TimerToca_Timer();
        QVERIFY(note->ContaToque == 0 && played().size() == 1 && note->Piscar.isActive());
        note->show();
        QList<int> at; // seconds after the ring
        for (int ms = 0; note->TimerToca.isActive() && at.size() < 100; at << ms / 1000) {
            ms += note->TimerToca.interval();
            note->TimerToca_Timer();
        }
        QCOMPARE(at.mid(0, 13), (QList<int>{5, 10, 15, 20, 30, 40, 50, 60, 70, 80, 90, 110, 130}));
        QVERIFY(at.size() == 51 && at.last() == 1765);
        QCOMPARE(played(), QStringList(52, u"/sons/galo.wav"_qs));
        QVERIFY(!note->AplicaClick());
        setNow(QDate(2026, 12, 2), QTime(8, 0));
        note->tmrEvent_Timer();
        QVERIFY(note->ContaToque == 0 && note->TimerToca.interval() == 55000);
    }

    void finalRing_asksToDelete_data()
    {
        QTest::addColumn<QString>("data");
        QTest::addColumn<QDate>("day");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("schedule");
        QTest::newRow("every month of 2026, in December: No keeps the note, not its alarm")
            << u"1/0/2026"_qs << QDate(2026, 12, 1) << false
            << u"Dia: 1\rMês: (Todos os meses do ano)\rAno: 2026"_qs;
        QTest::newRow("a date: Yes deletes the note")
            << u"5/12/2026"_qs << QDate(2026, 12, 5) << true << u"Dia: 5\rMês: 12\rAno: 2026"_qs;
    }

    // Acknowledged by its hide button, an alarm that will not ring again asks first.
    void finalRing_asksToDelete()
    {
        QFETCH(QString, data);
        QFETCH(QDate, day);
        QFETCH(bool, yes);
        QFETCH(QString, schedule);
        setNow(day, QTime(9, 0));
        QPointer<frmNote> note = loadNote({{"Data", data}, {"ArquivoWave", u"/sons/galo.wav"_qs}});
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
                                u"futuro.\r\rProgramação do alarme para esta nota é: \r"_qs +
                                    schedule + u"\r\rDeseja excluir esta nota agora?"_qs);
        if (yes) {
            QTRY_VERIFY(!note);
            QVERIFY(!QFile::exists(ContentFile(1)) && !ReadListLine().contains(u",1,"));
            QCOMPARE(key("Data") + key("ArquivoWave"), QString()); // emptied
            QCOMPARE(played().last(), u"/programa/excluir.wav"_qs);
        } else {
            QVERIFY(note && !note->isVisible() && key("Visivel") == u"False"); // the hide goes on
            QCOMPARE(key("Alarme") + key("Data") + key("TocouEm"), QString());
            QCOMPARE(key("ArquivoWave"), u"/sons/galo.wav"_qs);
        }
    }
};

QTEST_MAIN(tst_Ringing)
#include "tst_ringing.moc"
