#include "rtf/RtfCodePages.h"

#include "base/Cp1252.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <iconv.h>
#endif

// The double-byte pages (932, 936, 949, 950) go through the C library's iconv, where there is one;
// elsewhere, or when iconv lacks the page, their non-ASCII bytes read as '?'.

namespace RtfCodePages {

namespace {

bool isDoubleByte(int codePage)
{
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

#ifdef Q_OS_UNIX
class IconvCache
{
public:
    ~IconvCache()
    {
        for (auto &e : m_entries) {
            if (e.cd != iconv_t(-1))
                iconv_close(e.cd);
        }
    }

    iconv_t get(int codePage)
    {
        for (const auto &e : m_entries) {
            if (e.codePage == codePage)
                return e.cd;
        }
        const QByteArray name = "CP" + QByteArray::number(codePage);
        m_entries[m_used % 4] = {codePage, iconv_open("UTF-16LE", name.constData())};
        return m_entries[m_used++ % 4].cd;
    }

private:
    struct Entry
    {
        int codePage = 0;
        iconv_t cd = iconv_t(-1);
    };
    Entry m_entries[4];
    unsigned m_used = 0;
};

bool decodeWithIconv(int codePage, QByteArrayView bytes, QString &out)
{
    thread_local IconvCache cache;
    const iconv_t cd = cache.get(codePage);
    if (cd == iconv_t(-1))
        return false;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    // One output unit per input byte at most (two bytes make at most one character of these
    // pages), plus room for a surrogate pair.
    QByteArray buffer((bytes.size() + 2) * 2, Qt::Uninitialized);
    auto *in = const_cast<char *>(bytes.data());
    size_t inLeft = size_t(bytes.size());
    char *outPtr = buffer.data();
    size_t outLeft = size_t(buffer.size());
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) != size_t(-1))
            break;
        if (errno == E2BIG || outLeft < 2)
            break;
        // Invalid or cut sequence: one '?' for the offending byte, then go on.
        *outPtr++ = '?';
        *outPtr++ = 0;
        outLeft -= 2;
        ++in;
        --inLeft;
    }
    const auto units = (outPtr - buffer.data()) / 2;
    out.resize(units);
    for (qsizetype i = 0; i < units; ++i) {
        const auto lo = static_cast<unsigned char>(buffer[2 * i]);
        const auto hi = static_cast<unsigned char>(buffer[2 * i + 1]);
        out[i] = QChar(char16_t(lo | (hi << 8)));
    }
    return true;
}
#endif

} // namespace

int forCharset(int charset)
{
    switch (charset) {
    case 0: // ANSI
    case 2: // symbol fonts keep their bytes
        return 1252;
    case 128:
        return 932;
    case 129:
        return 949;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    default:
        return 0;
    }
}

bool isSupported(int codePage)
{
    return singleByteTable(codePage) != nullptr || isDoubleByte(codePage);
}

QString decode(int codePage, QByteArrayView bytes)
{
    if (codePage == 1252)
        return Cp1252::decode(bytes);
    if (const char16_t *table = singleByteTable(codePage)) {
        QString out(bytes.size(), Qt::Uninitialized);
        QChar *dst = out.data();
        for (char c : bytes) {
            const auto b = static_cast<unsigned char>(c);
            *dst++ = QChar(b < 0x80 ? char16_t(b) : table[b - 0x80]);
        }
        return out;
    }
    if (isDoubleByte(codePage)) {
        QString out;
#ifdef Q_OS_UNIX
        if (decodeWithIconv(codePage, bytes, out))
            return out;
#endif
        out.resize(bytes.size());
        QChar *dst = out.data();
        for (char c : bytes)
            *dst++ = QChar(static_cast<unsigned char>(c) < 0x80 ? char16_t(c) : u'?');
        return out;
    }
    return Cp1252::decode(bytes);
}

} // namespace RtfCodePages
