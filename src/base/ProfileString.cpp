#include "base/ProfileString.h"

#include "base/Cp1252.h"
#include "base/FileAccess.h"
#include "base/FileStamp.h"
#include "base/Globals.h"

#include <QDateTime>
#include <QDir>
#include <QHash>
#include <QMutex>
#include <QStringDecoder>

#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace {

// Values are handed out cut to 254 characters, as older copies of the program read them.
constexpr qsizetype kMaxValue = 254;

// A few files at most are in use; the bound only keeps tests that touch many files small.
constexpr size_t kMaxCachedFiles = 16;

// How far apart two changes of a file must be to get different modification times: whole
// seconds (two on FAT) where the time has no fraction, a clock tick of a few milliseconds on
// the usual file systems.
constexpr qint64 kCoarseGrain = 2'000'000'000;
constexpr qint64 kFineGrain = 20'000'000;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

QByteArrayView trimmed(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

bool isAscii(QByteArrayView bytes)
{
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

// Read as UTF-8, a byte-order mark that starts a name or value would be dropped: it is text there.
QString decodeText(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF") && bytes.isValidUtf8())
        return QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom)
            .decode(bytes);
    return StoredText::decode(bytes);
}

// Names are compared without regard to case. The folded form is plain lower-case ASCII for the
// usual names, and the UTF-8 of the case-folded text for the others.
QByteArray foldName(QByteArrayView bytes)
{
    if (isAscii(bytes)) {
        QByteArray out(bytes.size(), Qt::Uninitialized);
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            const char c = bytes[i];
            out[i] = c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c;
        }
        return out;
    }
    return decodeText(bytes).toCaseFolded().toUtf8();
}

// A name as it is stored: on one line, without the blanks the reader trims.
QString storedName(const QString &name)
{
    QString t = name;
    t.replace(QLatin1Char('\r'), QLatin1Char(' '));
    t.replace(QLatin1Char('\n'), QLatin1Char(' '));
    qsizetype begin = 0;
    qsizetype end = t.size();
    while (begin < end && t[begin].unicode() < 0x80 && isBlank(char(t[begin].unicode())))
        ++begin;
    while (end > begin && t[end - 1].unicode() < 0x80 && isBlank(char(t[end - 1].unicode())))
        --end;
    return t.sliced(begin, end - begin);
}

// A key line holding this name would read as another key, a section header or a comment.
bool isStorableKey(const QString &stored)
{
    return !stored.isEmpty() && !stored.contains(QLatin1Char('=')) &&
           !stored.startsWith(QLatin1Char('[')) && !stored.startsWith(QLatin1Char(';'));
}

QByteArray foldName(const QString &name)
{
    const QString t = storedName(name);
    for (QChar c : t) {
        if (c.unicode() >= 0x80)
            return t.toCaseFolded().toUtf8();
    }
    return foldName(QByteArrayView(t.toLatin1()));
}

enum class Eol : quint8 { None, Lf, CrLf, Cr };

QByteArrayView eolBytes(Eol eol)
{
    switch (eol) {
    case Eol::Lf:
        return "\n";
    case Eol::CrLf:
        return "\r\n";
    case Eol::Cr:
        return "\r";
    case Eol::None:
        break;
    }
    return {};
}

// The text of a file starting with this byte-order mark is UTF-16 LE, as the Windows profile
// functions take it; it is written back so.
constexpr QByteArrayView kUtf16Bom = "\xFF\xFE";

QByteArray toUtf16Le(QStringView text)
{
    QByteArray out(text.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        out[2 * i] = char(c & 0xFF);
        out[2 * i + 1] = char(c >> 8);
    }
    return out;
}

struct Line
{
    QByteArray text;   // without its line end; in a UTF-16 file its UTF-8
    QByteArray raw;    // in a UTF-16 file, the line's own bytes while it is unchanged
    QByteArray key;    // folded key name on key lines, empty on the others
    qsizetype eq = -1; // position of '=' on key lines
    Eol eol = Eol::CrLf;
};

struct Section
{
    Line header;
    std::vector<Line> body;

    // Duplicate keys: the first one is the one that counts.
    qsizetype findKey(const QByteArray &folded) const
    {
        for (qsizetype i = 0; i < qsizetype(body.size()); ++i) {
            if (body[i].key == folded)
                return i;
        }
        return -1;
    }
};

struct Document
{
    std::vector<Line> preamble; // lines before the first section
    std::vector<Section> sections;
    QHash<QByteArray, qsizetype> index; // folded section name -> first section of that name
    bool utf16 = false;
    QByteArray oddByte;    // a UTF-16 file's last byte when its length is odd
    Eol style = Eol::CrLf; // the line end of lines the program writes: the file's own

    void parse(const QByteArray &bytes);
    QByteArray serialize() const;
    // A line break inside a value would split it into two lines on disk.
    QByteArray encodeOneLine(const QString &text) const
    {
        QString flat = text;
        flat.replace(QLatin1Char('\r'), QLatin1Char(' '));
        flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
        return utf16 ? flat.toUtf8() : StoredText::encode(flat);
    }
    Line *lastLine();
    void addToIndex(const QByteArray &folded, qsizetype at)
    {
        // Duplicate sections: the first one is the one that counts.
        if (!index.contains(folded))
            index.insert(folded, at);
    }
    Section *find(const QString &section)
    {
        const auto it = index.constFind(foldName(section));
        return it == index.constEnd() ? nullptr : &sections[*it];
    }
    const Section *find(const QString &section) const
    {
        return const_cast<Document *>(this)->find(section);
    }
};

// Splits text at CR LF, LF and CR alike; each line keeps its own end.
template <typename Unit, typename Take>
void splitLines(const Unit *units, qsizetype count, std::vector<Line> &lines, Take take)
{
    qsizetype pos = 0;
    while (pos < count) {
        qsizetype end = pos;
        while (end < count && units[end] != Unit('\r') && units[end] != Unit('\n'))
            ++end;
        Line line;
        take(line, pos, end);
        if (end == count) {
            line.eol = Eol::None;
            pos = end;
        } else if (units[end] == Unit('\n')) {
            line.eol = Eol::Lf;
            pos = end + 1;
        } else if (end + 1 < count && units[end + 1] == Unit('\n')) {
            line.eol = Eol::CrLf;
            pos = end + 2;
        } else {
            line.eol = Eol::Cr;
            pos = end + 1;
        }
        lines.push_back(std::move(line));
    }
}

void Document::parse(const QByteArray &bytes)
{
    preamble.clear();
    sections.clear();
    index.clear();
    oddByte.clear();

    std::vector<Line> lines;
    utf16 = bytes.startsWith(kUtf16Bom);
    if (utf16) {
        const qsizetype count = (bytes.size() - kUtf16Bom.size()) / 2;
        std::vector<char16_t> units(static_cast<size_t>(count));
        const auto *b = reinterpret_cast<const uchar *>(bytes.constData()) + kUtf16Bom.size();
        for (qsizetype i = 0; i < count; ++i)
            units[size_t(i)] = char16_t(b[2 * i] | b[2 * i + 1] << 8);
        splitLines(units.data(), count, lines, [&](Line &line, qsizetype from, qsizetype to) {
            line.text = QStringView(units.data() + from, to - from).toUtf8();
            line.raw = bytes.mid(kUtf16Bom.size() + 2 * from, 2 * (to - from));
        });
        if ((bytes.size() - kUtf16Bom.size()) % 2)
            oddByte = bytes.right(1);
    } else {
        splitLines(bytes.constData(), bytes.size(), lines,
                   [&](Line &line, qsizetype from, qsizetype to) {
                       line.text = bytes.mid(from, to - from);
                   });
    }

    // New lines follow the line end most of the file's lines have.
    int counts[4] = {};
    for (const Line &line : lines)
        ++counts[int(line.eol)];
    style = Eol::CrLf;
    for (const Eol e : {Eol::Lf, Eol::Cr}) {
        if (counts[int(e)] > counts[int(style)])
            style = e;
    }

    bool first = true;
    for (Line &line : lines) {
        QByteArrayView content(line.text);
        if (first && content.startsWith("\xEF\xBB\xBF"))
            content = content.sliced(3);
        first = false;
        const QByteArrayView t = trimmed(content);

        if (t.startsWith('[')) {
            const qsizetype close = t.lastIndexOf(']');
            if (close > 0) {
                addToIndex(foldName(trimmed(t.sliced(1, close - 1))), qsizetype(sections.size()));
                sections.emplace_back().header = std::move(line);
                continue;
            }
        } else if (!sections.empty() && !t.isEmpty() && t[0] != ';') {
            // Keys before the first section belong to none.
            const qsizetype eq = line.text.indexOf('=', line.text.size() - content.size());
            if (eq >= 0) {
                const QByteArrayView key = trimmed(QByteArrayView(line.text).first(eq));
                if (!key.isEmpty()) {
                    line.eq = eq;
                    line.key = foldName(key);
                }
            }
        }
        (sections.empty() ? preamble : sections.back().body).push_back(std::move(line));
    }
}

QByteArray Document::serialize() const
{
    qsizetype size = 0;
    auto measure = [&size](const Line &l) { size += l.text.size() + eolBytes(l.eol).size(); };
    for (const Line &l : preamble)
        measure(l);
    for (const Section &s : sections) {
        measure(s.header);
        for (const Line &l : s.body)
            measure(l);
    }

    QByteArray out;
    out.reserve(utf16 ? 2 * size + kUtf16Bom.size() + oddByte.size() : size);
    if (utf16)
        out.append(kUtf16Bom);
    const Line *pending = nullptr;
    auto put = [&](const Line *next) {
        if (const Line *l = std::exchange(pending, next)) {
            Eol eol = l->eol;
            // CR then the LF of an empty line would read as one line end: a line would be lost.
            if (eol == Eol::Cr && next && next->text.isEmpty() && next->eol == Eol::Lf)
                eol = Eol::CrLf;
            if (!utf16) {
                out.append(l->text);
                out.append(eolBytes(eol));
            } else {
                // A byte-order mark starting a changed line is text: fromUtf8 would drop it.
                QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
                out.append(l->raw.isNull() ? toUtf16Le(QString(utf8.decode(l->text))) : l->raw);
                out.append(toUtf16Le(QString::fromLatin1(eolBytes(eol))));
            }
        }
    };
    for (const Line &l : preamble)
        put(&l);
    for (const Section &s : sections) {
        put(&s.header);
        for (const Line &l : s.body)
            put(&l);
    }
    put(nullptr);
    out.append(oddByte);
    return out;
}

Line *Document::lastLine()
{
    if (!sections.empty()) {
        Section &s = sections.back();
        return s.body.empty() ? &s.header : &s.body.back();
    }
    return preamble.empty() ? nullptr : &preamble.back();
}

// Applies one write (or, without a value, one deletion). Returns whether the file changes.
bool applyWrite(Document &doc, const QString &section, const QString &key,
                const std::optional<QString> &value)
{
    Section *s = doc.find(section);
    if (!s) {
        if (!value)
            return false;
        if (Line *last = doc.lastLine(); last && last->eol == Eol::None)
            last->eol = doc.style;
        doc.addToIndex(foldName(section), qsizetype(doc.sections.size()));
        s = &doc.sections.emplace_back();
        s->header.text = '[' + doc.encodeOneLine(storedName(section)) + ']';
        s->header.eol = doc.style;
    }

    QByteArray foldedKey = foldName(key);
    const qsizetype found = s->findKey(foldedKey);
    if (found >= 0) {
        if (!value) {
            // A second line of the key would otherwise count from now on.
            std::erase_if(s->body, [&](const Line &l) { return l.key == foldedKey; });
            return true;
        }
        Line &line = s->body[found];
        QByteArray text = line.text.left(line.eq + 1) + doc.encodeOneLine(*value);
        if (text == line.text)
            return false;
        line.text = std::move(text);
        line.raw.clear();
        if (line.eol == Eol::None)
            line.eol = doc.style;
        return true;
    }
    if (!value)
        return false;

    // After the section's last non-blank line, so that blank separator lines stay where they are.
    qsizetype at = qsizetype(s->body.size());
    while (at > 0 && trimmed(s->body[at - 1].text).isEmpty())
        --at;
    Line &before = at > 0 ? s->body[at - 1] : s->header;
    if (before.eol == Eol::None)
        before.eol = doc.style;
    Line line;
    line.text = doc.encodeOneLine(storedName(key)) + '=';
    line.eq = line.text.size() - 1;
    line.text += doc.encodeOneLine(*value);
    line.key = std::move(foldedKey);
    line.eol = doc.style;
    s->body.insert(s->body.begin() + at, std::move(line));
    return true;
}

struct CachedFile
{
    FileStamp stamp;
    QByteArray bytes; // the file as last read or written
    Document doc;
    bool loaded = false;
    // The file changed so recently that a further change could keep the same time stamp; until
    // that time has passed, reads compare the content too.
    bool racy = false;
    bool dirty = false; // a batch holds writes not yet on disk
    // The writes not yet on disk, made again on another program's version of the file.
    struct Pending
    {
        QString section, key;
        std::optional<QString> value;
    };
    std::vector<Pending> pending;
    int batchDepth = 0;
    FileRead refused; // why the file was not read: it is not written either
};

QMutex cacheMutex;
std::map<QString, CachedFile> cache;

[[maybe_unused]] const bool cacheResets =
    (OnProgramStateReset([] {
         QMutexLocker lock(&cacheMutex);
         std::erase_if(cache, [](const auto &e) { return e.second.batchDepth == 0; });
     }),
     true);

QString cacheKey(const QString &file)
{
    QString path = file;
    if (!QDir::isAbsolutePath(path))
        path = QDir::current().absoluteFilePath(path);
    return ResolveFileCase(QDir::cleanPath(path));
}

CachedFile &entryFor(const QString &path)
{
    auto it = cache.find(path);
    if (it != cache.end())
        return it->second;
    if (cache.size() >= kMaxCachedFiles) {
        for (auto i = cache.begin(); i != cache.end();) {
            if (i->second.batchDepth == 0 && !i->second.dirty)
                i = cache.erase(i);
            else
                ++i;
        }
    }
    return cache[path];
}

qint64 nowNs()
{
    return QDateTime::currentMSecsSinceEpoch() * 1000000;
}

// Whether a change made after `checkedAt` could still carry the stamp's modification time.
bool isRacy(const FileStamp &stamp, qint64 checkedAt)
{
    const qint64 grain = stamp.mtimeNs % 1'000'000'000 == 0 ? kCoarseGrain : kFineGrain;
    return stamp.exists && stamp.mtimeNs > checkedAt - grain;
}

// Brings the parsed copy up to the file as it is on disk now, unless a batch holds newer text.
void refresh(CachedFile &entry, const QString &path)
{
    if (entry.dirty)
        return;
    const qint64 checkedAt = nowNs();
    const FileStamp stamp = FileStamp::of(path);
    if (entry.loaded && stamp == entry.stamp && !entry.racy)
        return;
    FileRead file = ReadDataFile(path, MaxIndexFileBytes);
    QByteArray bytes = std::move(file.bytes);
    entry.refused = FileRead();
    if (file.error != 0 && !file.missing()) {
        ReportRefusedFile(path, file,
                          u"O Notavex usa os valores padrão no lugar dos guardados nele, e nada "
                          u"é gravado nesse arquivo enquanto ele estiver assim."_qs);
        entry.refused = std::move(file);
    }
    if (!entry.loaded || bytes != entry.bytes) {
        entry.doc.parse(bytes);
        entry.bytes = std::move(bytes);
    }
    entry.stamp = stamp;
    entry.racy = isRacy(stamp, checkedAt);
    entry.loaded = true;
}

bool flush(CachedFile &entry, const QString &path)
{
    WriteOutcome outcome = WriteOutcome::Failed;
    FileStamp written;
    QByteArray bytes;
    for (int attempt = 0;; ++attempt) {
        bytes = entry.doc.serialize();
        outcome = WriteFileAtomicIf(path, bytes, entry.stamp, &written);
        if (outcome != WriteOutcome::ChangedOutside || attempt == 2)
            break;
        // Another program (a synchronisation tool, another computer's copy) wrote the file since
        // it was read: these writes go on top of its version, not in place of it.
        entry.dirty = false;
        entry.loaded = false;
        refresh(entry, path);
        if (entry.refused.error != 0)
            break;
        for (const CachedFile::Pending &p : entry.pending)
            applyWrite(entry.doc, p.section, p.key, p.value);
    }
    entry.dirty = false;
    entry.pending.clear();
    if (outcome == WriteOutcome::Written) {
        entry.stamp = written;
        entry.bytes = std::move(bytes);
        entry.racy = true;
        return true;
    }
    if (entry.refused.error != 0)
        RefuseWrite(path, entry.refused);
    // What is on disk is not what this copy holds; the next read must see it, not the lost edit.
    entry.loaded = false;
    entry.bytes.clear();
    entry.doc = Document();
    return false;
}

bool write(const QString &section, const QString &key, const std::optional<QString> &value,
           const QString &file)
{
    if (file.isEmpty() || storedName(section).isEmpty() || !isStorableKey(storedName(key)))
        return false;
    QMutexLocker lock(&cacheMutex);
    const QString path = cacheKey(file);
    CachedFile &entry = entryFor(path);
    refresh(entry, path);
    if (entry.refused.error != 0)
        return RefuseWrite(path, entry.refused);
    if (!applyWrite(entry.doc, section, key, value))
        return true;
    entry.pending.push_back({section, key, value});
    if (entry.batchDepth > 0) {
        entry.dirty = true;
        return true;
    }
    return flush(entry, path);
}

std::optional<QString> storedValue(const QString &section, const QString &key, const QString &file)
{
    if (file.isEmpty())
        return std::nullopt;
    QMutexLocker lock(&cacheMutex);
    const QString path = cacheKey(file);
    CachedFile &entry = entryFor(path);
    refresh(entry, path);

    const Section *s = entry.doc.find(section);
    if (!s)
        return std::nullopt;
    const qsizetype found = s->findKey(foldName(key));
    if (found < 0)
        return std::nullopt;
    const Line &line = s->body[found];
    QByteArrayView raw = QByteArrayView(line.text).sliced(line.eq + 1);
    if (const qsizetype nul = raw.indexOf('\0'); nul >= 0)
        raw = raw.first(nul);
    return decodeText(trimmed(raw));
}

} // namespace

QString GetPrivateProfileString(const QString &section, const QString &key, const QString &def,
                                const QString &file)
{
    std::optional<QString> stored = storedValue(section, key, file);
    if (!stored)
        return def;
    QString value = std::move(*stored);
    if (value.size() > kMaxValue) {
        qsizetype keep = kMaxValue;
        if (value.at(keep - 1).isHighSurrogate())
            --keep;
        value.truncate(keep);
    }
    return value;
}

QString GetPrivateProfileStringWhole(const QString &section, const QString &key,
                                     const QString &def, const QString &file)
{
    return storedValue(section, key, file).value_or(def);
}

QStringList GetPrivateProfileSectionNames(const QString &file)
{
    QStringList names;
    if (file.isEmpty())
        return names;
    QMutexLocker lock(&cacheMutex);
    const QString path = cacheKey(file);
    CachedFile &entry = entryFor(path);
    refresh(entry, path);
    for (const Section &s : entry.doc.sections) {
        QByteArrayView t = trimmed(s.header.text);
        if (t.startsWith("\xEF\xBB\xBF"))
            t = trimmed(t.sliced(3));
        const QString name = decodeText(trimmed(t.sliced(1, t.lastIndexOf(']') - 1)));
        if (entry.doc.find(name) == &s)
            names.append(name);
    }
    return names;
}

QStringList GetPrivateProfileKeyNames(const QString &section, const QString &file)
{
    QStringList names;
    if (file.isEmpty())
        return names;
    QMutexLocker lock(&cacheMutex);
    const QString path = cacheKey(file);
    CachedFile &entry = entryFor(path);
    refresh(entry, path);
    const Section *s = entry.doc.find(section);
    if (!s)
        return names;
    for (qsizetype i = 0; i < qsizetype(s->body.size()); ++i) {
        const Line &line = s->body[size_t(i)];
        if (!line.key.isEmpty() && s->findKey(line.key) == i)
            names.append(decodeText(trimmed(QByteArrayView(line.text).first(line.eq))));
    }
    return names;
}

QString ProfileFileProblem(const QString &file)
{
    QMutexLocker lock(&cacheMutex);
    const QString path = cacheKey(file);
    CachedFile &entry = entryFor(path);
    refresh(entry, path);
    return entry.refused.why;
}

bool WritePrivateProfileString(const QString &section, const QString &key, const QString &value,
                               const QString &file)
{
    return write(section, key, value, file);
}

bool DeletePrivateProfileKey(const QString &section, const QString &key, const QString &file)
{
    return write(section, key, std::nullopt, file);
}

ProfileBatch::ProfileBatch(const QString &file)
{
    QMutexLocker lock(&cacheMutex);
    m_file = cacheKey(file);
    ++entryFor(m_file).batchDepth;
}

ProfileBatch::~ProfileBatch()
{
    commit();
}

bool ProfileBatch::commit()
{
    if (!m_open)
        return true;
    m_open = false;
    QMutexLocker lock(&cacheMutex);
    CachedFile &entry = entryFor(m_file);
    if (--entry.batchDepth > 0 || !entry.dirty)
        return true;
    return flush(entry, m_file);
}
