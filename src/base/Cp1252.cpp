#include "base/Cp1252.h"

#include <QStringDecoder>

namespace {

// 0x80..0x9F; the undefined positions keep their own value.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool hasMultiByteUtf8(QByteArrayView bytes)
{
    bool multi = false;
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            multi = true;
            break;
        }
    }
    // Checked without decoding: a note of many megabytes would be decoded twice.
    return multi && bytes.isValidUtf8();
}

} // namespace

namespace Cp1252 {

QString decode(QByteArrayView bytes)
{
    QString out;
    out.resize(bytes.size());
    QChar *dst = out.data();
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *dst++ = QChar(b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : char16_t(b));
    }
    return out;
}

int byteFor(char16_t ch)
{
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF))
        return ch;
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] == ch)
            return 0x80 + i;
    }
    return -1;
}

bool canEncode(QStringView text)
{
    for (QChar c : text) {
        if (byteFor(c.unicode()) < 0)
            return false;
    }
    return true;
}

QByteArray encode(QStringView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text) {
        const int b = byteFor(c.unicode());
        out.append(b < 0 ? '?' : char(b));
    }
    return out;
}

} // namespace Cp1252

namespace StoredText {

QString decode(QByteArrayView bytes)
{
    if (hasMultiByteUtf8(bytes))
        return QString::fromUtf8(bytes);
    return Cp1252::decode(bytes);
}

QByteArray encode(QStringView text)
{
    // 1252 text whose bytes happen to form UTF-8 ("Ã©") would read back as something else.
    if (Cp1252::canEncode(text)) {
        QByteArray bytes = Cp1252::encode(text);
        if (!hasMultiByteUtf8(bytes))
            return bytes;
    }
    return text.toUtf8();
}

} // namespace StoredText
