#include "store/Ini.h"

#include "base/ProfileString.h"

#include <cmath>
#include <limits>

QString ReadIni(const QString &Section, const QString &Key, const QString &Default,
                const QString &File)
{
    const QString value = GetPrivateProfileString(Section, Key, QString(), File);
    return value.isEmpty() ? Default : value;
}

bool StrToBool(const QString &Text)
{
    const QString lower = Text.toLower();
    return lower == u"true" || lower == u"1" || lower == u"verdadeiro";
}

qint64 IniNumber(const QString &text, qint64 fallback)
{
    const QString t = text.trimmed();
    if (t.startsWith(u"&H", Qt::CaseInsensitive)) {
        const QStringView digits = QStringView(t).sliced(2);
        if (digits.isEmpty() || digits.size() > 16)
            return fallback;
        bool ok = false;
        const qulonglong value = digits.toULongLong(&ok, 16);
        return ok ? qint64(value) : fallback;
    }

    bool ok = false;
    const qint64 whole = t.toLongLong(&ok, 10);
    if (ok)
        return whole;

    // Sizes like "9,75" carry a decimal comma; older copies rounded such text half to even.
    QString decimal = t;
    decimal.replace(QLatin1Char(','), QLatin1Char('.'));
    const double value = decimal.toDouble(&ok);
    if (!ok || !std::isfinite(value) || std::fabs(value) >= 9.2e18)
        return fallback;
    return qint64(std::nearbyint(value));
}
