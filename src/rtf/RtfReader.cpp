#include "rtf/RtfReader.h"
#include "base/Cp1252.h"
#include "rtf/Rtf.h"
#include "rtf/RtfCodePages.h"

#include <QTextDocument>

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace Rtf::detail {

namespace {

// Groups deeper than this share the state of the deepest saved one, so hostile nesting costs
// nothing but a counter.
constexpr int kMaxDepth = 256;
// Longest control word name RTF allows; longer names are read but never match.
constexpr qsizetype kMaxWordLength = 32;

} // namespace

void Reader::run()
{
    m_cursor.beginEditBlock();
    while (m_pos < m_size) {
        const char c = m_data[m_pos];
        switch (c) {
        case '{':
            ++m_pos;
            openGroup();
            break;
        case '}':
            ++m_pos;
            closeGroup();
            break;
        case '\\':
            ++m_pos;
            controlWord();
            break;
        case '\r':
        case '\n':
            ++m_pos;
            break;
        default: {
            // Plain text goes in spans, not byte by byte.
            const qsizetype start = m_pos;
            if (m_skip == 0 && state().dest == Dest::Text) {
                while (m_pos < m_size) {
                    const char d = m_data[m_pos];
                    if (d == '{' || d == '}' || d == '\\' || d == '\r' || d == '\n' ||
                        (static_cast<unsigned char>(d) < 0x20 && d != '\t'))
                        break;
                    ++m_pos;
                }
                if (m_pos > start) {
                    textBytes(start, m_pos);
                    break;
                }
            }
            ++m_pos;
            textByte(c);
            break;
        }
        }
    }
    // Whatever is still open when the data ends is closed as if the braces were there.
    m_atEnd = true;
    while (m_stack.size() > 2)
        closeGroup();
    if (m_fontOpen)
        commitFont();
    flushRun();
    commitMark();
    finishBlock();
    m_cursor.endEditBlock();
}

void Reader::openGroup()
{
    m_skip = 0;
    if (m_stack.size() >= size_t(kMaxDepth)) {
        // A group read with shared group states may read differently elsewhere: not kept.
        if (m_overflowDepth == 0)
            unkeepOpen();
        ++m_overflowDepth;
        return;
    }
    m_stack.push_back(m_stack.back());
    m_stack.back().open = m_pos - 1;
    m_stack.back().instruction = false;
    if (tooDeepWritten(m_stack.size()))
        unkeepOpen();
}

// Whether a group at this level, written again inside what is kept around it, would lie beyond
// the deepest level read.
bool Reader::tooDeepWritten(size_t level) const
{
    return level + m_ownBraces > size_t(kMaxDepth);
}

void Reader::unkeepOpen()
{
    if (m_pictLevel != 0)
        m_pictStart = -1;
    for (Kept &kept : m_open)
        kept.start = -1;
}

void Reader::closeGroup()
{
    m_skip = 0;
    if (m_overflowDepth > 0) {
        --m_overflowDepth;
        return;
    }
    // The document group is never left: what follows a stray closing brace is still read, in
    // the state the document had.
    if (m_stack.size() <= 2)
        return;
    if (state().dest == Dest::FontTable && m_fontOpen)
        commitFont();
    if (state().instruction)
        readInstruction();
    const size_t closing = m_stack.size();
    m_stack.pop_back();
    if (closing == m_pictLevel)
        finishPicture();
    if (!m_open.empty() && closing == m_open.back().level)
        finishKept();
    if (!m_open.empty() && closing == m_open.back().resultLevel) {
        m_open.back().resultEnd = m_pos;
        m_open.back().resultLevel = 0;
    }
}

void Reader::controlWord()
{
    if (m_pos >= m_size)
        return;
    const char c = m_data[m_pos];
    if (!isAlpha(c)) {
        ++m_pos;
        controlSymbol(c);
        return;
    }
    const qsizetype start = m_pos;
    while (m_pos < m_size && isAlpha(m_data[m_pos]))
        ++m_pos;
    const qsizetype length = m_pos - start;
    bool hasParam = false;
    bool negative = false;
    qint64 value = 0;
    if (m_pos + 1 < m_size && m_data[m_pos] == '-' && isDigit(m_data[m_pos + 1])) {
        negative = true;
        ++m_pos;
    }
    while (m_pos < m_size && isDigit(m_data[m_pos])) {
        hasParam = true;
        if (value <= INT32_MAX)
            value = value * 10 + (m_data[m_pos] - '0');
        ++m_pos;
    }
    if (negative)
        value = -value;
    value = std::clamp<qint64>(value, INT32_MIN, INT32_MAX);
    if (m_pos < m_size && m_data[m_pos] == ' ')
        ++m_pos;
    if (length > kMaxWordLength) {
        consumeFallback();
        return;
    }
    m_wordStart = start - 1;
    word(std::string_view(m_data + start, size_t(length)), hasParam, int(value));
}

void Reader::controlSymbol(char c)
{
    switch (c) {
    case '\'':
        hexEscape();
        return;
    case '*': {
        if (consumeFallback())
            return;
        // An optional destination we know is read as itself (a field's result is text, pictures
        // saved for newer readers are shown). The \nonshppict beside those pictures is the same
        // picture for older readers: it is skipped and not written back. One we do not know is
        // kept as it came, unseen.
        qsizetype p = m_pos;
        while (p < m_size && (m_data[p] == '\r' || m_data[p] == '\n' || m_data[p] == ' '))
            ++p;
        if (p < m_size && m_data[p] == '\\') {
            qsizetype end = p + 1;
            while (end < m_size && end - p <= kMaxWordLength && isAlpha(m_data[end]))
                ++end;
            const auto it = keywords().find(std::string_view(m_data + p + 1, size_t(end - p - 1)));
            if (it != keywords().end() && isDestination(it->second.kw))
                return;
        }
        if (state().dest == Dest::Text) {
            m_wordStart = m_pos - 2;
            // In the document's group it would hide the rest of the text: read on as text.
            if (m_stack.size() <= 2 || startKept(Kept::Destination))
                return;
        }
        state().dest = Dest::Skip;
        return;
    }
    case '\\':
    case '{':
    case '}':
        textByte(c);
        return;
    case '\r':
    case '\n':
        // A backslash before a line end is a paragraph mark in some writers.
        if (!consumeFallback())
            paragraph();
        return;
    case '~':
        if (!consumeFallback())
            unicodeChar(0x00A0);
        m_skip = 0;
        return;
    case '-':
        if (!consumeFallback())
            unicodeChar(0x00AD);
        m_skip = 0;
        return;
    case '_':
        if (!consumeFallback())
            unicodeChar(0x2011);
        m_skip = 0;
        return;
    case '\t':
        if (!consumeFallback())
            unicodeChar(u'\t');
        m_skip = 0;
        return;
    default:
        consumeFallback();
        return;
    }
}

void Reader::binary(int length)
{
    if (length <= 0)
        return;
    const qsizetype n = std::min<qsizetype>(length, m_size - m_pos);
    if (state().dest == Dest::Picture)
        m_pict.append(m_data + m_pos, n);
    m_pos += n;
}

void Reader::word(std::string_view name, bool hasParam, int param)
{
    const auto &table = keywords();
    const auto it = table.find(name);
    if (it == table.end()) {
        consumeFallback();
        return;
    }
    const Kw kw = it->second.kw;
    // \bin's data is never text, whatever state we are in.
    if (kw == Kw::Bin) {
        if (hasParam)
            binary(param);
        consumeFallback();
        return;
    }
    if (consumeFallback())
        return;
    GroupState &st = state();
    // What a \u skips is the group's in every destination, kept ones too.
    if (kw == Kw::Uc) {
        if (hasParam)
            st.uc = std::clamp(param, 0, 64);
        return;
    }
    if (st.dest == Dest::Skip)
        return;
    if (st.dest == Dest::Wrapper) {
        wrapperWord(kw, param);
        return;
    }
    if (st.dest == Dest::Picture) {
        pictureWord(kw, hasParam, param);
        return;
    }
    // Inside a kept field or object the document's own words count for nothing: its bytes are
    // read again with the note, where they would change the code page, fonts or colours that the
    // text written around them means.
    if (!m_open.empty()) {
        switch (kw) {
        case Kw::Ansi:
        case Kw::AnsiCpg:
        case Kw::Deff:
            return;
        case Kw::FontTable:
        case Kw::ColorTable:
            st.dest = Dest::Skip;
            return;
        default:
            break;
        }
    }
    CharState &chr = st.chr;
    const bool on = !hasParam || param != 0;
    switch (kw) {
    case Kw::Ansi:
        m_docCodePage = 1252;
        break;
    case Kw::AnsiCpg:
        if (hasParam)
            m_docCodePage = RtfCodePages::isSupported(param) ? param : 1252;
        break;
    case Kw::Mac:
    case Kw::Pc:
    case Kw::Pca:
        break;
    case Kw::Deff:
        if (hasParam)
            m_defaultFont = param;
        break;
    case Kw::FontTable:
        st.dest = Dest::FontTable;
        break;
    case Kw::ColorTable:
        st.dest = Dest::ColorTable;
        m_red = m_green = m_blue = -1;
        break;
    case Kw::F:
        if (!hasParam)
            break;
        if (st.dest == Dest::FontTable) {
            if (m_fontOpen)
                commitFont();
            m_fontOpen = true;
            m_fontNumber = param;
            m_font = Font{};
            m_fontBytes.clear();
        } else {
            chr.font = param;
        }
        break;
    case Kw::FCharset:
        if (st.dest == Dest::FontTable && hasParam && m_font.codePage == 0) {
            flushFontBytes();
            m_font.codePage = RtfCodePages::forCharset(param);
        }
        break;
    case Kw::Cpg:
        if (st.dest == Dest::FontTable && hasParam && RtfCodePages::isSupported(param)) {
            flushFontBytes();
            m_font.codePage = param;
        }
        break;
    case Kw::Fs:
        if (hasParam && param > 0)
            chr.halfPoints = std::min(param, 3276);
        break;
    case Kw::B:
        chr.bold = on;
        break;
    case Kw::I:
        chr.italic = on;
        break;
    case Kw::Ul:
        chr.underline = on;
        break;
    case Kw::UlNone:
        chr.underline = false;
        break;
    case Kw::Strike:
        chr.strike = on;
        break;
    case Kw::Cf:
        chr.colour = hasParam ? param : 0;
        break;
    case Kw::Plain:
        chr = CharState{.wrap = chr.wrap};
        break;
    case Kw::Pard:
        st.align = Qt::AlignLeft;
        break;
    case Kw::Ql:
        st.align = Qt::AlignLeft;
        break;
    case Kw::Qc:
        st.align = Qt::AlignHCenter;
        break;
    case Kw::Qr:
        st.align = Qt::AlignRight;
        break;
    case Kw::Qj:
        st.align = Qt::AlignJustify;
        break;
    case Kw::Par:
        paragraph();
        break;
    case Kw::Line:
        unicodeChar(QChar::LineSeparator);
        break;
    case Kw::Tab:
    case Kw::Cell:
        unicodeChar(u'\t');
        break;
    case Kw::Char:
        unicodeChar(it->second.ch);
        break;
    case Kw::U:
        if (hasParam && param >= -32768 && param <= 65535) {
            const int unit = param < 0 ? param + 65536 : param;
            if (!isStructural(char16_t(unit)) || unit == 0x2029)
                unicodeChar(unit);
        }
        m_skip = st.uc;
        break;
    case Kw::Pict:
        // A picture needs a group of its own: one in the document's group would take the rest
        // of the text as its data.
        if (st.dest == Dest::Text && m_stack.size() > 2)
            startPicture();
        else if (st.dest != Dest::Text)
            st.dest = Dest::Skip;
        break;
    case Kw::PngBlip:
    case Kw::JpegBlip:
    case Kw::OtherBlip:
    case Kw::PicW:
    case Kw::PicH:
    case Kw::PicWGoal:
    case Kw::PicHGoal:
    case Kw::PicScaleX:
    case Kw::PicScaleY:
        break; // only inside a picture
    case Kw::Red:
        if (st.dest == Dest::ColorTable)
            m_red = std::clamp(param, 0, 255);
        break;
    case Kw::Green:
        if (st.dest == Dest::ColorTable)
            m_green = std::clamp(param, 0, 255);
        break;
    case Kw::Blue:
        if (st.dest == Dest::ColorTable)
            m_blue = std::clamp(param, 0, 255);
        break;
    case Kw::ShpPict:
    case Kw::Uc: // taken above, in every destination
        break;
    case Kw::SkipDest:
    case Kw::FldInst: // outside a field
        st.dest = Dest::Skip;
        break;
    case Kw::Object:
        startKept(Kept::Object);
        break;
    case Kw::Field:
        startKept(Kept::Field);
        break;
    case Kw::Result: // outside an object or field: its text is shown
    case Kw::FldRslt:
    case Kw::ObjW:
    case Kw::ObjH:
    case Kw::Bin:
        break;
    }
}

} // namespace Rtf::detail

namespace Rtf {

bool looksLikeRtf(const QByteArray &data)
{
    qsizetype i = 0;
    while (i < data.size() &&
           (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    return QByteArrayView(data).sliced(i).startsWith("{\\rtf");
}

qint64 read(const QByteArray &data, QTextDocument *doc, qint64 maxCharacters)
{
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    doc->clear();
    qint64 characters = 0;
    if (!looksLikeRtf(data)) {
        // Line ends of any style; characters that would build frames are not text.
        QString text = StoredText::decode(data);
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        text.replace(u'\r', u'\n');
        text.removeIf([](QChar c) {
            return c.unicode() == 0 || c.unicode() == 0xFDD0 || c.unicode() == 0xFDD1;
        });
        characters = text.size() + 1;
        if (maxCharacters >= 0 && characters > maxCharacters)
            text.truncate(qsizetype(std::max<qint64>(0, maxCharacters - 1)));
        doc->setPlainText(text);
    } else {
        detail::Reader reader(data, doc, maxCharacters);
        reader.run();
        characters = reader.characters();
    }
    doc->setUndoRedoEnabled(undo);
    return characters;
}

} // namespace Rtf
