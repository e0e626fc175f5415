#include "base/DateFormat.h"

namespace {

// The first mark in a locale's own format that is no field letter: the separator its dates or
// times are written with.
QString separatorIn(const QString &format, const QString &fallback)
{
    for (const QChar c : format)
        if (!c.isLetter() && !c.isSpace() && c != u'\'')
            return QString(c);
    return fallback;
}

QString twoDigits(int n)
{
    return QString::number(n).rightJustified(2, u'0');
}

} // namespace

QString FormatDateTime(const QString &pattern, const QDateTime &when, const QLocale &locale)
{
    const QDate d = when.date();
    const QTime t = when.time();
    QString out;
    bool afterHour = false;
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern[i];
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c)
            ++run;
        if (c == u'd') {
            out += twoDigits(d.day());
        } else if (c == u'm' && run >= 4) {
            out += locale.monthName(d.month(), QLocale::LongFormat);
        } else if (c == u'm' && run == 3) {
            // The locale data ends some abbreviations with a dot ("dez."); the bare word is meant.
            QString month = locale.monthName(d.month(), QLocale::ShortFormat);
            while (month.endsWith(u'.'))
                month.chop(1);
            out += month;
        } else if (c == u'm') {
            out += twoDigits(afterHour ? t.minute() : d.month());
        } else if (c == u'y') {
            out += run >= 4 ? QString::number(d.year()) : twoDigits(d.year() % 100);
        } else if (c == u'h') {
            out += twoDigits(t.hour());
        } else if (c == u's') {
            out += twoDigits(t.second());
        } else if (c == u'/') {
            out += separatorIn(locale.dateFormat(QLocale::ShortFormat), u"/"_qs).repeated(run);
        } else if (c == u':') {
            out += separatorIn(locale.timeFormat(QLocale::ShortFormat), u":"_qs).repeated(run);
        } else {
            out += QString(c).repeated(run);
        }
        if (c.isLetter())
            afterHour = c == u'h';
        i += run;
    }
    return out;
}
