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

using Keys = QList<std::pair<const char *, QString>>;

QString key(const char *name)
{
    return GetPrivateProfileString(u"1"_qs, QString::fromLatin1(name), u"-"_qs, IndexFile());
}

// Note 1, hidden, with a daily alarm at 08:00 with sound, changed by the keys given, loaded as at
// start-up.
frmNote *loadNote(const Keys &changes = {})
{
    Keys keys{{"Alarme", u"1"_qs},           {"Data", u"Diariamente"_qs}, {"Hora", u"08:00:00"_qs},
              {"HoraAntes", u"07:59:00"_qs}, {"TocarSom", u"1"_qs},       {"Visivel", u"False"_qs},
              {"Top", u"1500"_qs},           {"Left", u"1500"_qs}};
    for (const auto &[name, value] : keys + changes)
        WritePrivateProfileString(u"1"_qs, QString::fromLatin1(name), value, IndexFile());
    if (!WriteListLine(u",1,"_qs) || !TestFiles::writeBytes(ContentFile(1), "{\\rtf1 ola}"))
        return nullptr;
    LoadNotes();
    return qobject_cast<frmNote *>(OpenForms::at(1));
}

// Title strip, text area and text frame colours.
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

    void ring_blinkAndAcknowledge_data()
    {
        QTest::addColumn<QString>("onTop");
        QTest::addColumn<QList<QRect>>("screens");
        QTest::addColumn<QPoint>("stored");
        QTest::addColumn<QPoint>("shownAt");
        QTest::addColumn<bool>("pinned");
        const QList<QRect> one{{0, 0, 1024, 768}};
        QTest::newRow("not pinned, half off the screen")
            << QString() << one << QPoint(-50, 100) << QPoint(0, 100) << false;
        QTest::newRow("pinned, across two screens: onto the one that shows more of it")
            << u"True"_qs << QList<QRect>{one[0], {1024, 0, 1024, 768}} << QPoint(950, -20)
            << QPoint(1024, 0) << true;
        QTest::newRow("lower-case false counts as pinned, as at loading")
            << u"false"_qs << one << QPoint(300, 200) << QPoint(300, 200) << true;
        QTest::newRow("False") << u"False"_qs << one << QPoint(300, 200) << QPoint(300, 200)
                               << false;
    }

    void ring_blinkAndAcknowledge()
    {
        QFETCH(QString, onTop);
        QFETCH(QList<QRect>, screens);
        QFETCH(QPoint, stored);
        QFETCH(QPoint, shownAt);
        QFETCH(bool, pinned);
        m_fakes->screen->monitors = screens;
        m_fakes->screen->all = screens.first().united(screens.last());
        frmNote *note = loadNote({{"OnTop", onTop},
                                  {"Color1", u"&HFF"_qs},
                                  {"Color2", u"65280"_qs},
                                  {"Left", QString::number(stored.x() * 15)},
                                  {"Top", QString::number(stored.y() * 15)}});
        QVERIFY(note && !note->isVisible() && note->tmrEvent.isActive());

        note->tmrEvent.setInterval(1); // the loader's first evaluation, without its 5 s
        QTRY_VERIFY(note->isVisible());
        QCOMPARE(note->pos(), shownAt);
        QVERIFY(IsWindowTopmost(note) && note->TimerToca.isActive());
        QCOMPARE(key("TocouEm"), u"01/12/2026"_qs);
        QCOMPARE(played(), QStringList{u"/programa/alarme.wav"_qs});
        QCOMPARE(note->tmrEvent.interval(), 59000);
        QVERIFY(note->tmrEvent.isActive() && !note->AlarmeFinal);

        QTRY_COMPARE(colours(note), u"65280 255 255"_qs);
        QVERIFY(SaveNotes(1)); // saved while traded, the note keeps its own colours
        QCOMPARE(key("Color1") + u' ' + key("Color2"), u"255 65280"_qs);
        QTest::mouseClick(note->txtNote->viewport(), Qt::LeftButton);
        QCOMPARE(colours(note), u"255 65280 65280"_qs);
        QVERIFY(!note->Piscar.isActive() && !note->TimerToca.isActive());
        QCOMPARE(IsWindowTopmost(note), pinned);
        QCOMPARE(note->ImTop->Picture() == &note->imDown, pinned);
        QVERIFY(m_fakes->messageBoxes->asked.isEmpty());

        note->tmrEvent_Timer(); // rung today
        QVERIFY(!note->Piscar.isActive() && played().size() == 1);
    }

    // The clock is read at each evaluation: the minute before, midnight, a wake-up and a jump.
    void evaluation_followsTheClock()
    {
        frmNote *note = loadNote();
        QVERIFY(note);
        const QDate day1(2026, 12, 1);
        const struct
        {
            QDate day;
            QTime time;
            int interval;
            bool rings;
        } steps[] = {
            {day1, {7, 58, 59}, 59000, false},       {day1, {7, 59}, 3000, false},
            {day1, {7, 59, 59}, 3000, false},        {day1, {8, 0}, 59000, true},
            {day1, {23, 59, 59}, 59000, false},      {day1.addDays(1), {0, 0, 30}, 59000, false},
            {day1.addDays(1), {9, 30}, 59000, true}, {day1.addDays(9), {8, 0, 10}, 59000, true}};
        for (const auto &s : steps) {
            const qsizetype before = played().size();
            setNow(s.day, s.time);
            note->tmrEvent_Timer();
            const QString at = s.day.toString(Qt::ISODate) + u' ' + s.time.toString();
            QVERIFY2(note->tmrEvent.isActive() && note->tmrEvent.interval() == s.interval,
                     qPrintable(at));
            QVERIFY2((played().size() > before) == s.rings, qPrintable(at));
            if (s.rings)
                QVERIFY(key("TocouEm") == s.day.toString(u"dd/MM/yyyy"_qs) && !note->AplicaClick());
        }
    }

    void soundRepetition_scheduleAndPause()
    {
        frmNote *note = loadNote({{"ArquivoWave", u"/sons/galo.wav"_qs}});
        QVERIFY(note);
        note->tmrEvent_Timer();
        note->hide(); // hidden again while ringing: the sound waits, the blinking goes on
        note->TimerToca_Timer();
        QVERIFY(note->ContaToque == 0 && played().size() == 1 && note->Piscar.isActive());
        note->show();

        QList<int> at; // seconds after the ring of each repetition, as the timer would fire them
        for (int elapsed = 0; note->TimerToca.isActive() && at.size() < 100;) {
            elapsed += note->TimerToca.interval();
            note->TimerToca_Timer();
            at << elapsed / 1000;
        }
        QCOMPARE(at.size(), 51);
        QCOMPARE(at.mid(0, 13), (QList<int>{5, 10, 15, 20, 30, 40, 50, 60, 70, 80, 90, 110, 130}));
        QCOMPARE(at.last(), 1765);
        QCOMPARE(played(), QStringList(52, u"/sons/galo.wav"_qs));

        // The next ring starts counting again with the interval the repetitions left.
        QVERIFY(!note->AplicaClick());
        setNow(QDate(2026, 12, 2), QTime(8, 0));
        note->tmrEvent_Timer();
        QVERIFY(note->TimerToca.isActive() && note->ContaToque == 0);
        QCOMPARE(note->TimerToca.interval(), 55000);
    }

    void finalRing_asksToDelete_data()
    {
        QTest::addColumn<QString>("data");
        QTest::addColumn<QDate>("day");
        QTest::addColumn<int>("answer"); // -1: no question
        QTest::addColumn<QString>("schedule");
        QTest::newRow("every month of 2026, in November: rings again")
            << u"1/0/2026"_qs << QDate(2026, 11, 1) << -1 << QString();
        QTest::newRow("every month of 2026, in December: No keeps the note, not its alarm")
            << u"1/0/2026"_qs << QDate(2026, 12, 1) << int(MessageBoxes::AnswerNo)
            << u"Dia: 1\rMês: (Todos os meses do ano)\rAno: 2026"_qs;
        QTest::newRow("a date: Yes deletes the note")
            << u"5/12/2026"_qs << QDate(2026, 12, 5) << int(MessageBoxes::AnswerYes)
            << u"Dia: 5\rMês: 12\rAno: 2026"_qs;
    }

    // Acknowledged by its hide button, an alarm that will not ring again asks first.
    void finalRing_asksToDelete()
    {
        QFETCH(QString, data);
        QFETCH(QDate, day);
        QFETCH(int, answer);
        QFETCH(QString, schedule);
        setNow(day, QTime(9, 0));
        QPointer<frmNote> note = loadNote({{"Data", data}, {"ArquivoWave", u"/sons/galo.wav"_qs}});
        QVERIFY(note);
        note->tmrEvent_Timer();
        QVERIFY(note->Piscar.isActive() && note->tmrEvent.isActive() == (answer < 0));
        if (answer >= 0)
            m_fakes->messageBoxes->setNextAnswer(MessageBoxes::Answer(answer));
        QTest::mouseClick(note->Image3, Qt::LeftButton, {}, QPoint(5, 5));

        const auto &asked = m_fakes->messageBoxes->asked;
        QCOMPARE(asked.size(), answer < 0 ? 0 : 1);
        if (answer == int(MessageBoxes::AnswerYes)) {
            QTRY_VERIFY(!note);
            QVERIFY(!QFile::exists(ContentFile(1)) && !ReadListLine().contains(u",1,"));
            QCOMPARE(key("Data") + key("ArquivoWave"), QString()); // emptied
            QCOMPARE(played().last(), u"/programa/excluir.wav"_qs);
        } else {
            QVERIFY(note && !note->isVisible()); // the hide goes on
            QCOMPARE(key("Visivel"), u"False"_qs);
            QCOMPARE(key("Alarme") + key("Data") + key("TocouEm"),
                     answer < 0 ? u"1"_qs + data + u"01/11/2026"_qs : QString());
            QCOMPARE(key("ArquivoWave"), u"/sons/galo.wav"_qs);
        }
        if (answer >= 0) {
            QCOMPARE(asked[0].text,
                     u"Esta nota não está mais programada para acionar o alarme no futuro.\r\r"
                     u"Programação do alarme para esta nota é: \r"_qs +
                         schedule + u"\r\rDeseja excluir esta nota agora?"_qs);
            QVERIFY(asked[0].buttons == MessageBoxes::YesNo &&
                    asked[0].defaultAnswer == MessageBoxes::AnswerNo);
        }
    }
};

QTEST_MAIN(tst_Ringing)
#include "tst_ringing.moc"
