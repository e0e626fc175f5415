// Feeds arbitrary bytes to the profile-string reader and writer as the content of an Indice.cfg,
// then writes and deletes a few keys chosen from the same bytes. Besides crashes, hangs and
// runaway memory it checks that
// - every section and key listed can be read, and no value is longer than a value may be;
// - a write that succeeds reads back exactly, one that fails changes nothing, and neither
//   changes any other key;
// - the file on disk, read afresh, says what the reader said before it was read again;
// - every line of the old file that no write touched is still in the new one, in its order;
// - the file grows by no more than what was written.

#include "base/Cp1252.h"
#include "base/Globals.h"
#include "base/ProfileString.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

QString g_file;

// No value can hold a line break.
const QString kAbsent = QStringLiteral("\n");
constexpr qsizetype kMaxValue = 254;

#define CHECK(cond)                                                                                \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "failed: %s (line %d)\n", #cond, __LINE__);                       \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

struct Entry
{
    QString section, key, value;
    bool operator==(const Entry &) const = default;
};

QByteArray fileBytes()
{
    QFile f(g_file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Everything the reader lists, read back.
QList<Entry> readAll(qsizetype fileSize)
{
    QList<Entry> all;
    const QStringList sections = GetPrivateProfileSectionNames(g_file);
    CHECK(sections.size() <= fileSize / 2); // "[]" at least
    for (const QString &s : sections) {
        const QStringList keys = GetPrivateProfileKeyNames(s, g_file);
        CHECK(keys.size() <= fileSize / 2); // "k=" at least
        for (const QString &k : keys) {
            const QString v = GetPrivateProfileString(s, k, kAbsent, g_file);
            CHECK(v != kAbsent);
            CHECK(v.size() <= kMaxValue);
            all.append({s, k, v});
        }
    }
    return all;
}

void expectRead(const QString &section, const QString &key, const QString &expected)
{
    const QString got = GetPrivateProfileString(section, key, kAbsent, g_file);
    if (got != expected) {
        std::fprintf(stderr, "[%s] %s: %s, not %s\n", qUtf8Printable(section), qUtf8Printable(key),
                     qUtf8Printable(got.toHtmlEscaped()), qUtf8Printable(expected.toHtmlEscaped()));
        CHECK(!"a key reads as written");
    }
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f';
}

// Text the caller might pass: UTF-8 or 1252 bytes from the input.
QString someText(FuzzedDataProvider &in, size_t maxBytes)
{
    const bool utf8 = in.ConsumeBool();
    const std::string s = in.ConsumeRandomLengthString(maxBytes);
    const QByteArray b(s.data(), qsizetype(s.size()));
    return utf8 ? QString::fromUtf8(b) : QString::fromLatin1(b);
}

// What a value or name must be to read back as it was written: one line, no NUL, no blank or
// control character at either end, a value no longer than the reader hands out.
QString storable(QString text, qsizetype max)
{
    for (QChar &c : text) {
        if (c == u'\r' || c == u'\n' || c == u'\0')
            c = u'|';
    }
    if (text.size() > max)
        text.truncate(text.at(max - 1).isHighSurrogate() ? max - 1 : max);
    qsizetype b = 0, e = text.size();
    while (b < e && text[b].unicode() <= 0x20)
        ++b;
    while (e > b && text[e - 1].unicode() <= 0x20)
        --e;
    return text.sliced(b, e - b);
}

// The file's lines without their line ends, as bytes; a UTF-16 file is split at its own units.
QList<QByteArray> splitLines(const QByteArray &bytes)
{
    const bool utf16 = bytes.startsWith("\xFF\xFE");
    const int w = utf16 ? 2 : 1;
    const qsizetype begin = utf16 ? 2 : 0;
    const qsizetype end = begin + (bytes.size() - begin) / w * w;
    auto unit = [&](qsizetype i) {
        return utf16 ? char16_t(uchar(bytes[i]) | uchar(bytes[i + 1]) << 8)
                     : char16_t(uchar(bytes[i]));
    };
    QList<QByteArray> lines;
    qsizetype pos = begin;
    while (pos < end) {
        qsizetype stop = pos;
        while (stop < end && unit(stop) != u'\r' && unit(stop) != u'\n')
            stop += w;
        lines.append(bytes.mid(pos, stop - pos));
        if (stop < end && unit(stop) == u'\r' && stop + w < end && unit(stop + w) == u'\n')
            stop += w;
        pos = stop + w;
    }
    return lines;
}

// Whether a line of the old file holds one of the keys written or deleted; its name is read as
// the reader reads names.
bool isKeyLineOf(const QByteArray &line, bool utf16, const QStringList &keys)
{
    // A UTF-16 line is read through its UTF-8 (lone surrogates go), other lines as UTF-8 when
    // valid, otherwise as 1252; a byte-order mark there is text.
    QByteArray bytes = line;
    if (utf16)
        bytes =
            QString(reinterpret_cast<const QChar *>(line.constData()), line.size() / 2).toUtf8();
    if (!bytes.contains('='))
        return false;
    bytes.truncate(bytes.indexOf('='));
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    const QString name = bytes.isValidUtf8() ? utf8.decode(bytes) : Cp1252::decode(bytes);
    qsizetype b = 0, e = name.size();
    while (b < e && isBlank(name[b].unicode()))
        ++b;
    while (e > b && isBlank(name[e - 1].unicode()))
        --e;
    return std::any_of(keys.begin(), keys.end(),
                       [&](const QString &k) { return sameName(k, name.sliced(b, e - b)); });
}

// Every old line is found in the new file in the same order, except lines of the keys written
// or deleted.
void checkLinesKept(const QByteArray &before, const QByteArray &after, const QStringList &keys)
{
    const bool utf16 = before.startsWith("\xFF\xFE");
    const QList<QByteArray> oldLines = splitLines(before), newLines = splitLines(after);
    qsizetype at = 0;
    for (const QByteArray &line : oldLines) {
        if (isKeyLineOf(line, utf16, keys))
            continue;
        while (at < newLines.size() && newLines[at] != line)
            ++at;
        if (at == newLines.size()) {
            std::fprintf(stderr, "line lost: %s\n", line.toPercentEncoding().constData());
            CHECK(!"every line is kept");
        }
        ++at;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    // Every write is synced: a folder in memory keeps the runs fast.
    static QTemporaryDir dir(QFile::exists(u"/dev/shm"_qs) ? u"/dev/shm/notavex-fuzz-XXXXXX"_qs
                                                           : QString());
    if (!dir.isValid())
        std::abort();
    g_file = dir.filePath(u"Indice.cfg"_qs);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    ResetProgramState();
    {
        QFile f(g_file);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(input) != input.size())
            std::abort();
    }
    QList<Entry> model = readAll(input.size());

    FuzzedDataProvider in(data, size);
    const bool batched = in.ConsumeBool();
    std::optional<ProfileBatch> batch;
    if (batched)
        batch.emplace(g_file);
    QStringList touched;
    qsizetype grown = 0;
    for (int ops = in.ConsumeIntegralInRange(1, 4); ops > 0 && in.remaining_bytes() > 0; --ops) {
        // Write a key that is there, a new key, a key in a new section; delete a key that is
        // there, one that is not.
        const int kind = in.ConsumeIntegralInRange(0, 4);
        const bool remove = kind >= 3;
        const Entry *old = model.isEmpty()
                               ? nullptr
                               : &model[in.ConsumeIntegralInRange<qsizetype>(0, model.size() - 1)];
        QString section = storable(someText(in, 40), 1000);
        QString key = storable(someText(in, 40), 1000);
        const QString value = storable(someText(in, 400), kMaxValue);
        if (old && (kind == 0 || kind == 3))
            key = old->key;
        if (old && kind != 2 && kind != 4)
            section = old->section;

        const QByteArray before = batched ? QByteArray() : fileBytes();
        const bool present = GetPrivateProfileString(section, key, kAbsent, g_file) != kAbsent;
        const bool ok = remove ? DeletePrivateProfileKey(section, key, g_file)
                               : WritePrivateProfileString(section, key, value, g_file);
        if (ok) {
            expectRead(section, key, remove ? kAbsent : value);
            touched.append(key);
            grown += 4 * (section.size() + key.size() + value.size() + 8);
        }
        if (!batched && (!ok || (remove && !present)))
            CHECK(fileBytes() == before);

        // Every other key keeps its value.
        bool found = false;
        for (Entry &e : model) {
            if (ok && sameName(e.section, section) && sameName(e.key, key)) {
                found = true;
                e.value = remove ? kAbsent : value;
            }
            expectRead(e.section, e.key, e.value);
        }
        if (ok && !found && !remove)
            model.append({section, key, value});
        model.removeIf([](const Entry &e) { return e.value == kAbsent; });
    }
    if (batch)
        CHECK(batch->commit());

    // What the reader says from its cache is what the file says read afresh.
    const QByteArray after = fileBytes();
    const QList<Entry> cached = readAll(after.size());
    ResetProgramState();
    const QList<Entry> fresh = readAll(after.size());
    if (fresh != cached) {
        for (const auto &[name, list] : {std::pair{"cached", cached}, std::pair{"fresh", fresh}}) {
            for (const Entry &e : list)
                std::fprintf(stderr, "%s: [%s] %s=%s\n", name, qUtf8Printable(e.section),
                             qUtf8Printable(e.key), qUtf8Printable(e.value));
        }
    }
    CHECK(fresh == cached);
    CHECK(cached.size() == model.size());
    for (const Entry &e : model) {
        CHECK(std::any_of(cached.begin(), cached.end(), [&](const Entry &c) {
            return sameName(c.section, e.section) && sameName(c.key, e.key) && c.value == e.value;
        }));
    }

    checkLinesKept(input, after, touched);
    CHECK(after.size() <= input.size() + grown);
    return 0;
}
