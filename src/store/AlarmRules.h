#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// The rules of a note's alarm, without any window: how the stored keys are written and read, when
// an alarm is due, and the words that describe it. Dates and times are always written and
// compared in the fixed forms "dd/mm/yyyy" and "HH:MM:SS", whatever the system's locale, so that
// every writer and reader agree.

namespace AlarmRules {

constexpr int PollMs = 59000;      // evaluation interval
constexpr int NearMs = 3000;       // ... in the minute before the alarm
constexpr int BlinkMs = 200;       // a ringing note trades its colours this often
constexpr int MaxRepetitions = 50; // the sound stops after the repetition past this count

QString DateText(const QDate &date); // "dd/mm/yyyy"
QString TimeText(const QTime &time); // "HH:MM:SS"

// Whether today is a day of the schedule in Data (its kind is recognised from the text itself:
// "Diariamente", a date with "/", "DiaMes:" or "DiaSemana:"; anything else is never due).
bool IsScheduleDay(const QString &data, const QDate &today);

// One evaluation of the stored keys at the given moment.
enum class Due { No, Near, Ring };
Due Evaluate(const QString &data, const QString &tocouEm, const QString &hora,
             const QString &horaAntes, const QDateTime &now);

// Whether a ring today was the last occurrence of the schedule (only fixed dates can be).
bool IsFinal(const QString &data, const QDate &today);

// The interval after the count-th repetition of the sound, or 0 when it stops.
int RepetitionInterval(int count);

// The question asked after a final ring; data is the stored schedule (today when none).
QString FollowUpText(const QString &data);

// The time one minute earlier, seconds kept. A time in the first minute of the day has no
// earlier minute on that day and comes back unchanged: an alarm at midnight is due at the first
// evaluation of its day anyway, and HoraAntes only shortens the polling interval.
QString UmMinutoAntes(const QString &time);

// The dialog's day-list normaliser: "1, 15 ,,31" gives "1,15e31"; no digits give
// "(Não definido)".
QString FormataDias(QString days);

// Words of the dialog.
const QStringList &MonthNames();  // position = month number, 0 "Todos"
QString WeekdayName(int weekday); // 1 "Dom" ... 7 "Sab"
QString DescreveData(const QString &day, const QString &month, const QString &year);
// The summary of a weekday schedule from the ticked weekdays (index 0 = Sunday).
QString WeekdaySummary(const QList<bool> &ticked);

} // namespace AlarmRules
