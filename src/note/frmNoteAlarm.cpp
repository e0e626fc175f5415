// The alarm's clockwork inside a note window: evaluation, ringing, blinking, sound repetition and
// the acknowledging click.
#include "note/frmNote.h"

#include "base/Globals.h"
#include "base/ProfileString.h"
#include "base/Services.h"
#include "note/TopMost.h"
#include "store/AlarmRules.h"
#include "store/Ini.h"
#include "store/NoteFiles.h"

#include <QLabel>
#include <QWindow>

#include <algorithm>

namespace {

// The window moved wholly onto the screen that shows most of it (the first screen when none
// shows any of it).
QRect fullyOnScreen(const QRect &window, const QList<QRect> &screens)
{
    const QRect *best = nullptr;
    qint64 most = -1;
    for (const QRect &s : screens) {
        const QRect seen = s.intersected(window);
        const qint64 area = seen.isEmpty() ? 0 : qint64(seen.width()) * seen.height();
        if (area > most) {
            most = area;
            best = &s;
        }
    }
    if (!best)
        return window;
    QRect placed = window;
    placed.moveLeft(std::clamp(window.left(), best->left(),
                               std::max(best->left(), best->right() + 1 - window.width())));
    placed.moveTop(std::clamp(window.top(), best->top(),
                              std::max(best->top(), best->bottom() + 1 - window.height())));
    return placed;
}

} // namespace

RingingNotes &RingingNotes::instance()
{
    static RingingNotes notes;
    return notes;
}

void frmNote::watchAlarmTimers()
{
    imSino = new QLabel(Picture1);
    imSino->setObjectName(u"imSino"_qs);
    imSino->setPixmap(QPixmap(u":/note/bell.png"_qs));
    imSino->setToolTip(u"Alarme ligado"_qs);
    imSino->hide();
    m_armedWatch = tmrEvent.bindableActive().addNotifier([this] { showAlarmArmed(); });
    m_ringingWatch =
        Piscar.bindableActive().addNotifier([] { emit RingingNotes::instance().changed(); });
}

void frmNote::showAlarmArmed()
{
    if (!tmrEvent.isActive()) {
        imSino->hide();
        return;
    }
    // Just right of the link, however wide its font made it, and inside the window.
    const QRect link = Label1[2]->geometry();
    const QSize bell = imSino->pixmap().size();
    imSino->setGeometry(std::min(link.right() + 3, Picture1->width() - bell.width() - 2),
                        link.center().y() - bell.height() / 2, bell.width(), bell.height());
    imSino->show();
}

void frmNote::tmrEvent_Timer()
{
    using namespace AlarmRules;
    tmrEvent.setInterval(PollMs);
    const QString section = Tag();
    const QString file = IndexFile();
    // The clock is asked at every evaluation, so a date that changed at midnight, after a sleep
    // or by a clock jump is seen at the next one.
    const QDateTime now = Services::clock().now();
    const QDate today = now.date();
    const QString schedule = ReadIni(section, u"Data"_qs, QString(), file);
    const QString rang = ReadIni(section, u"TocouEm"_qs, QString(), file);
    // Most evaluations end here, after two reads.
    if (DateText(today) == rang || today == m_rangUnwritten || !IsScheduleDay(schedule, today))
        return;
    switch (Evaluate(schedule, rang, ReadIni(section, u"Hora"_qs, QString(), file),
                     ReadIni(section, u"HoraAntes"_qs, QString(), file), now)) {
    case Due::Ring:
        Ring(schedule, today);
        break;
    case Due::Near:
        tmrEvent.setInterval(NearMs);
        break;
    case Due::No:
        break;
    }
}

void frmNote::Ring(const QString &schedule, const QDate &today)
{
    Piscar.start();
    showRinging();
    SetWindowTopmost(this, true);
    const QString section = Tag();
    // Unwritten (a full disk, a read-only folder), the day would ring again at every evaluation.
    const bool written =
        WritePrivateProfileString(section, u"TocouEm"_qs, AlarmRules::DateText(today), IndexFile());
    m_rangUnwritten = written ? QDate() : today;
    if (ReadIni(section, u"TocarSom"_qs, u"0"_qs, IndexFile()) == u"1") {
        ContaToque = 0;
        TimerToca.start(); // with the interval an earlier ring's repetitions left
        playAlarmSound();
    }
    AlarmeFinal = AlarmRules::IsFinal(schedule, today);
    if (AlarmeFinal) {
        tmrEvent.stop();
    } else {
        tmrEvent.setInterval(AlarmRules::PollMs);
        tmrEvent.start();
    }
}

void frmNote::showRinging()
{
    // A note half off the screen would ring unseen: it comes wholly onto the screen that shows
    // most of it, and stays there.
    const QRect now(isVisible() ? screenPosition() : pos(), size());
    const QRect placed = fullyOnScreen(now, Services::screen().screens());
    if (placed != now)
        moveTo(placed.topLeft());
    if (isVisible())
        return;
    // The note is raised, not focused: what the user is typing elsewhere goes on going there.
    // The platform reads that wish from the native window as it maps it; the widget attribute
    // Qt::WA_ShowWithoutActivating would only reach a native window made after it was set.
    create();
    QWindow *handle = windowHandle();
    handle->setProperty("_q_showWithoutActivating", true);
    show();
    handle->setProperty("_q_showWithoutActivating", QVariant());
}

void frmNote::playAlarmSound()
{
    Services::sound().play(
        ReadIni(Tag(), u"ArquivoWave"_qs, AppPath + u"alarme.wav"_qs, IndexFile()));
}

void frmNote::Piscar_Timer()
{
    const quint32 strip = Picture1->BackColor();
    Picture1->SetBackColor(txtNote->BackColor());
    txtNote->SetBackColor(strip);
    Picture2->SetBackColor(txtNote->BackColor());
    m_colorsTraded = !m_colorsTraded;
}

void frmNote::TimerToca_Timer()
{
    // A note hidden again while it rings keeps quiet until it is shown.
    if (!Piscar.isActive() || !isVisible())
        return;
    ++ContaToque;
    if (const int next = AlarmRules::RepetitionInterval(ContaToque))
        TimerToca.setInterval(next);
    else
        TimerToca.stop();
    playAlarmSound();
}

bool frmNote::AplicaClick()
{
    if (!Piscar.isActive())
        return false;
    const QString section = Tag();
    const QString file = IndexFile();
    // Pinned is read as the loader and the pin read it, so that the pin's picture and the
    // window's stacking agree afterwards.
    if (ReadIni(section, u"OnTop"_qs, u"False"_qs, file) == u"False")
        SetWindowTopmost(this, false);
    Piscar.stop();
    TimerToca.stop();
    Picture1->SetBackColor(
        quint32(IniNumber(ReadIni(section, u"Color1"_qs, u"&H52E9FE"_qs, file), 0x52E9FE)));
    txtNote->SetBackColor(
        quint32(IniNumber(ReadIni(section, u"Color2"_qs, u"8912895"_qs, file), 8912895)));
    Picture2->SetBackColor(txtNote->BackColor());
    m_colorsTraded = false;
    txtNote->viewport()->update();
    if (!AlarmeFinal)
        return false;
    return askToDelete();
}

bool frmNote::askToDelete()
{
    const qint16 id = NoteId();
    const QString today = AlarmRules::DateText(Services::clock().now().date());
    const QString text = AlarmRules::FollowUpText(ReadIni(Tag(), u"Data"_qs, today, IndexFile()));
    // Deleting takes an explicit Yes: Enter or Escape keeps the note.
    const bool yes =
        Services::messageBoxes().show(text, MessageBoxes::YesNo, MessageBoxes::NoIcon,
                                      MessageBoxes::AnswerNo) == MessageBoxes::AnswerYes;
    if (!m_deleter)
        return false;
    if (yes) {
        Services::sound().play(AppPath + u"excluir.wav"_qs);
        m_deleter(id, true);
        return true;
    }
    m_deleter(id, false);
    return false;
}
