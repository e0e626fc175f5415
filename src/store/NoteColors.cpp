#include "store/NoteColors.h"

#include "base/Globals.h"
#include "base/Services.h"

#include <QStringList>

#include <algorithm>

const std::array<quint32, 23> NoteColorTable = {
    0x6A9BFF, 0xAEAEFF, 0xA953FF, 0xC1FFE0, 0xD3D3D3, 0xFF9B37, 0x9C9CCD, 0xFFFFFF,
    0x89FF62, 0xFF9B9B, 0xFFE1C4, 0x7474BA, 0xDFBFBF, 0xFFC184, 0x95FFFF, 0xC1FF84,
    0xF0F0F0, 0xA2FDF1, 0x5B5BFF, 0x58E2F5, 0xFFFF3E, 0x3E7CFF, 0xE8E8FF,
};

namespace {

constexpr quint32 White = 0xFFFFFF;

ColorList allWhite()
{
    ColorList colors;
    colors.fill(White);
    return colors;
}

[[maybe_unused]] const bool registered = [] {
    OnProgramStateReset([] { CustomColors = allWhite(); });
    return true;
}();

} // namespace

ColorList CustomColors = allWhite();

quint32 RandomNoteColor()
{
    const double fraction = Services::random().fraction();
    // A source that ever answered 1 or more would point past the table.
    const int k = std::clamp(int(fraction * 23) + 1, 1, 23);
    return NoteColorTable[size_t(k - 1)];
}

quint32 StripColorFor(quint32 body)
{
    const quint32 r = body % 256;
    const quint32 g = (body % 65536) / 256;
    const quint32 b = (body / 65536) % 256;
    // Blue is lowered by 20 only, yet anything up to 26 still goes to 0: the strip colours of
    // every stored note were made this way.
    const quint32 r2 = r > 26 ? r - 26 : 0;
    const quint32 g2 = g > 26 ? g - 26 : 0;
    const quint32 b2 = b > 26 ? b - 20 : 0;
    return r2 | (g2 << 8) | (b2 << 16);
}

QString CustomColorsText(const ColorList &colors)
{
    QStringList numbers;
    for (const quint32 c : colors)
        numbers << QString::number(c);
    return numbers.join(u',');
}

ColorList CustomColorsFromText(const QString &text)
{
    ColorList colors = allWhite();
    const QStringList numbers = text.split(u',');
    for (qsizetype i = 0; i < numbers.size() && i < qsizetype(colors.size()); ++i) {
        bool ok = false;
        const qulonglong n = numbers.at(i).trimmed().toULongLong(&ok);
        if (ok)
            colors[size_t(i)] = quint32(n & White);
    }
    return colors;
}
