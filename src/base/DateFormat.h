#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// A date and time written by a pattern of the letters dd, mm, mmm, mmmm, yy, yyyy, hh and ss
// ("mm" right after "hh" is the minutes): month names from the locale, hours 00-23, "/" and ":"
// replaced by the locale's own date and time separators, anything else copied.
QString FormatDateTime(const QString &pattern, const QDateTime &when,
                       const QLocale &locale = QLocale());
