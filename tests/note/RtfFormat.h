#pragma once

#include <QFont>
#include <QString>
#include <QTextCharFormat>

// A character format as one comparable line: font|size|bold|italic|underline|strike|colour.
inline QString formatSignature(const QTextCharFormat &fmt)
{
    return QStringLiteral("%1|%2|%3|%4|%5|%6|%7")
        .arg(fmt.fontFamilies().toStringList().value(0))
        .arg(fmt.fontPointSize())
        .arg(QLatin1String(fmt.fontWeight() > QFont::Medium ? "b" : "-"))
        .arg(QLatin1String(fmt.fontItalic() ? "i" : "-"))
        .arg(QLatin1String(fmt.fontUnderline() ? "u" : "-"))
        .arg(QLatin1String(fmt.fontStrikeOut() ? "s" : "-"))
        .arg(fmt.hasProperty(QTextFormat::ForegroundBrush) ? fmt.foreground().color().name()
                                                           : QStringLiteral("auto"));
}
