#pragma once

#include <QString>

// The only way settings are read: an empty or missing value gives the caller's default.
QString ReadIni(const QString &Section, const QString &Key, const QString &Default,
                const QString &File);

// "true", "1" and "verdadeiro" in any letter case are true; everything else is false.
bool StrToBool(const QString &Text);

// Number text as the stored files use it: decimal, or hexadecimal with the prefix "&H".
// Returns fallback when text is not a number.
qint64 IniNumber(const QString &text, qint64 fallback = 0);
