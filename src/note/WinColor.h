#pragma once

#include <QColor>

// Colours are stored as Windows colour values, 0x00BBGGRR: red in the low byte.
namespace WinColor {

inline QColor toQColor(quint32 value)
{
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

inline quint32 fromQColor(const QColor &c)
{
    const QColor rgb = c.toRgb();
    return quint32(rgb.red()) | (quint32(rgb.green()) << 8) | (quint32(rgb.blue()) << 16);
}

} // namespace WinColor
