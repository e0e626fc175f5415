#include "store/AlarmRules.h"

#include "store/NoteFiles.h"

namespace AlarmRules {

namespace {

QString field(QString text, int n)
{
    return GetField(text, QStringLiteral("/"), n);
}

} // namespace

QString DateText(const QDate &date)
{
    return QStringLiteral("%1/%2/%3")
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.year(), 4, 10, QLatin1Char('0'));
}

QString TimeText(const QTime &time)
{
    return QStringLiteral("%1:%2:%3")
        .arg(time.hour(), 2, 10, QLatin1Char('0'))
        .arg(time.minute(), 2, 10, QLatin1Char('0'))
        .arg(time.second(), 2, 10, QLatin1Char('0'));
}

bool IsScheduleDay(const QString &data, const QDate &today)
{
    const QString day = QString::number(today.day());
    const auto onDate = [&] {
        const QString y = field(data, 3);
        const QString m = field(data, 2);
        return (y == QString::number(today.year()) || y == u"Todos") &&
               (m == QString::number(today.month()) || m == u"0") && field(data, 1) == day;
    };
    const int weekday = today.dayOfWeek() % 7 + 1; // 1 Sunday ... 7 Saturday
    // Positions count from 1 as stored: the searches start at the 7th and the 10th character.
    return data == u"Diariamente" || (data.contains(u'/') && onDate()) ||
           (data.startsWith(u"DiaMes:") && data.indexOf(u',' + day + u',', 6) >= 0) ||
           (data.startsWith(u"DiaSemana:") &&
            data.indexOf(QString::number(weekday) + u',', 9) >= 0);
}

Due Evaluate(const QString &data, const QString &tocouEm, const QString &hora,
             const QString &horaAntes, const QDateTime &now)
{
    if (DateText(now.date()) == tocouEm || !IsScheduleDay(data, now.date()))
        return Due::No;
    const QString now5 = TimeText(now.time()).left(5);
    if (now5 >= hora.left(5))
        return Due::Ring;
    if (now5 >= horaAntes.left(5))
        return Due::Near;
    return Due::No;
}

bool IsFinal(const QString &data, const QDate &today)
{
    if (!data.contains(u'/') || data.contains(u"Todos"))
        return false;
    return !(data.contains(u"/0/") && today.month() < 12);
}

int RepetitionInterval(int count)
{
    if (count > MaxRepetitions)
        return 0;
    if (count > 25)
        return 55000;
    if (count > 10)
        return 20000;
    if (count > 3)
        return 10000;
    return 5000;
}

QString FollowUpText(const QString &data)
{
    const QString month = field(data, 2);
    const QString monthText = month.toInt() > 0 ? month : u"(Todos os meses do ano)"_qs;
    const QStringList lines{
        u"Esta nota não está mais programada para acionar o alarme no futuro."_qs,
        QString(),
        u"Programação do alarme para esta nota é: "_qs,
        u"Dia: "_qs + field(data, 1),
        u"Mês: "_qs + monthText,
        u"Ano: "_qs + field(data, 3),
        QString(),
        u"Deseja excluir esta nota agora?"_qs};
    return lines.join(QChar(13));
}

QString UmMinutoAntes(const QString &time)
{
    if (time.size() < 5)
        return time;
    const auto twoDigits = [](int n) {
        return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
    };
    if (time.mid(3, 2) == u"00") {
        const int hour = time.left(2).toInt() - 1;
        if (hour < 0)
            return time;
        return twoDigits(hour) + time.mid(2, 1) + u"59"_qs + time.mid(5);
    }
    return time.left(3) + twoDigits(time.mid(3, 2).toInt() - 1) + time.mid(5);
}

QString FormataDias(QString days)
{
    for (QChar &c : days) {
        if (!(c.isDigit() && c.unicode() < 128) && c != u',')
            c = u' ';
    }
    days = ReplaceAll(days, u" "_qs, QString());
    days = ReplaceAll(days, u",,"_qs, u","_qs);
    if (days.startsWith(u','))
        days[0] = u' ';
    if (days.endsWith(u','))
        days[days.size() - 1] = u' ';
    days = ReplaceAll(days, u" "_qs, QString());
    if (const qsizetype last = days.lastIndexOf(u','); last >= 0)
        days[last] = u'e';
    if (days.isEmpty() || days == u"e")
        return u"(Não definido)"_qs;
    return days;
}

const QStringList &MonthNames()
{
    static const QStringList names{u"Todos"_qs,   u"Janeiro"_qs,  u"Fereveiro"_qs, u"Março"_qs,
                                   u"Abril"_qs,   u"Maio"_qs,     u"Junho"_qs,     u"Julho"_qs,
                                   u"Agosto"_qs,  u"Setembro"_qs, u"Outubro"_qs,   u"Novembro"_qs,
                                   u"Dezembro"_qs};
    return names;
}

QString WeekdayName(int weekday)
{
    return u"   DomSegTerQuaQuiSexSab"_qs.mid(3 * weekday, 3);
}

QString DescreveData(const QString &day, const QString &month, const QString &year)
{
    if (month != u"Todos")
        return year != u"Todos" ? day + u" de "_qs + month + u" de "_qs + year
                                : day + u" de "_qs + month + u" (todos os anos)"_qs;
    return year != u"Todos" ? day + u" de cada mês (somente em "_qs + year + u")"_qs
                            : day + u" de cada mês (todos os anos)"_qs;
}

QString WeekdaySummary(const QList<bool> &ticked)
{
    QString list;
    for (int i = 1; i <= 7 && i <= ticked.size(); ++i) {
        if (ticked.at(i - 1))
            list += WeekdayName(i) + u", "_qs;
    }
    if (list.isEmpty())
        return u"Alarme: Ainda não definido"_qs;
    list.chop(2);
    const QString last = list.right(3);
    if (list.size() >= 8)
        list = list.left(list.size() - 5) + u" e "_qs + last;
    return u"Alarme: "_qs + list;
}

} // namespace AlarmRules
