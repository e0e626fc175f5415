#include "rtf/Rtf.h"
#include "rtf/RtfCodePages.h"
#include "rtf/RtfReader.h"

#include <QTextBlock>

#include <algorithm>
#include <climits>

namespace Rtf::detail {

namespace {

QTextBlockFormat blockFormat(Qt::Alignment align)
{
    QTextBlockFormat bf;
    if (align != Qt::AlignLeft)
        bf.setAlignment(align);
    return bf;
}

} // namespace

void Reader::hexEscape()
{
    int value = 0;
    int digits = 0;
    while (digits < 2 && m_pos < m_size) {
        const int v = hexValue(m_data[m_pos]);
        if (v < 0)
            break;
        value = value * 16 + v;
        ++digits;
        ++m_pos;
    }
    if (consumeFallback())
        return;
    if (digits == 0)
        return;
    const char byte = char(value);
    const Dest dest = state().dest;
    if (dest == Dest::Text) {
        syncRun();
        m_bytes.append(byte);
    } else if (dest == Dest::FontTable) {
        // An escaped ';' is part of the name, not its end.
        m_fontBytes.append(byte);
    }
}

void Reader::textBytes(qsizetype from, qsizetype to)
{
    syncRun();
    m_bytes.append(m_data + from, to - from);
}

void Reader::textByte(char c)
{
    if (consumeFallback())
        return;
    switch (state().dest) {
    case Dest::Text:
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
            return; // stray control bytes are not text
        syncRun();
        m_bytes.append(c);
        return;
    case Dest::FontTable:
        if (c == ';') {
            commitFont();
            m_fontOpen = true; // further names without \f go on
            m_font = Font{};
            m_fontNumber = INT_MIN;
        } else if (static_cast<unsigned char>(c) >= 0x20) {
            if (!m_fontOpen) {
                m_fontOpen = true;
                m_fontNumber = INT_MIN;
            }
            m_fontBytes.append(c);
        }
        return;
    case Dest::ColorTable:
        if (c == ';')
            commitColour();
        return;
    case Dest::Picture: {
        const int v = hexValue(c);
        if (v < 0)
            return;
        if (m_pictNibble < 0) {
            m_pictNibble = v;
        } else {
            m_pict.append(char(m_pictNibble * 16 + v));
            m_pictNibble = -1;
        }
        return;
    }
    case Dest::Skip:
    case Dest::Wrapper:
        return;
    }
}

void Reader::unicodeChar(int value)
{
    const auto ch = char16_t(value);
    switch (state().dest) {
    case Dest::Text: {
        if (ch == 0x2029) {
            paragraph();
            return;
        }
        syncRun();
        flushBytes();
        const QChar qc(ch);
        appendText(QStringView(&qc, 1));
        return;
    }
    case Dest::FontTable:
        if (!m_fontOpen) {
            m_fontOpen = true;
            m_fontNumber = INT_MIN;
        }
        flushFontBytes();
        if (!isStructural(ch) && ch >= 0x20)
            m_font.name.append(QChar(ch));
        return;
    default:
        return;
    }
}

int Reader::codePageFor(const CharState &chr) const
{
    const auto it = m_fonts.constFind(chr.font >= 0 ? chr.font : m_defaultFont);
    if (it != m_fonts.constEnd() && it->codePage != 0)
        return it->codePage;
    return m_docCodePage;
}

// Makes the pending run match the current character state before text is added to it.
void Reader::syncRun()
{
    const CharState &chr = state().chr;
    if (m_runValid && chr == m_runState)
        return;
    flushRun();
    m_runState = chr;
    m_runValid = true;
    m_bytesCodePage = codePageFor(chr);
}

void Reader::flushBytes()
{
    if (m_bytes.isEmpty())
        return;
    appendText(RtfCodePages::decode(m_bytesCodePage, m_bytes));
    m_bytes.clear();
}

void Reader::appendText(QStringView text)
{
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (isStructural(u))
            continue;
        m_run.append(c);
    }
}

QTextCharFormat Reader::charFormat(const CharState &chr)
{
    if (m_formatValid && chr == m_formatKey)
        return m_format;
    QTextCharFormat fmt;
    const auto font = m_fonts.constFind(chr.font >= 0 ? chr.font : m_defaultFont);
    if (font != m_fonts.constEnd() && !font->name.isEmpty())
        fmt.setFontFamilies(QStringList(font->name));
    fmt.setFontPointSize(chr.halfPoints / 2.0);
    fmt.setFontWeight(chr.bold ? QFont::Bold : QFont::Normal);
    fmt.setFontItalic(chr.italic);
    fmt.setFontUnderline(chr.underline);
    fmt.setFontStrikeOut(chr.strike);
    if (chr.colour > 0 && size_t(chr.colour) < m_colours.size() && m_colours[chr.colour].isValid())
        fmt.setForeground(m_colours[chr.colour]);
    else if (chr.colour == 0 && !m_colours.empty() && m_colours[0].isValid())
        fmt.setForeground(m_colours[0]);
    if (chr.wrap) {
        const Wrap &wrap = m_wraps[chr.wrap - 1];
        fmt.setProperty(Rtf::ResultOfProperty, wrap.name);
        if (!wrap.href.isEmpty()) {
            // Looks like a link, in its own colour when it has one.
            fmt.setAnchor(true);
            fmt.setAnchorHref(wrap.href);
            fmt.setFontUnderline(true);
            if (!fmt.hasProperty(QTextFormat::ForegroundBrush))
                fmt.setForeground(QColor(0, 0, 255));
        }
    }
    m_format = fmt;
    m_formatKey = chr;
    m_formatValid = true;
    return fmt;
}

void Reader::flushRun()
{
    flushBytes();
    if (!m_run.isEmpty()) {
        commitMark();
        markUsed(m_runState.wrap);
        const qint64 room = m_limit < 0 ? m_run.size() : std::max<qint64>(0, m_limit - m_count);
        if (room >= m_run.size())
            m_cursor.insertText(m_run, charFormat(m_runState));
        else if (room > 0)
            m_cursor.insertText(m_run.left(room), charFormat(m_runState));
        m_count += m_run.size();
        m_run.clear();
    }
    m_runValid = false;
}

// The paragraph properties in effect at its end are the paragraph's. Blocks are created with the
// state of their start, so most need no change here. A paragraph mark is never part of a result.
void Reader::finishBlock()
{
    if (state().align != m_blockAlign)
        m_cursor.setBlockFormat(blockFormat(state().align));
    CharState chr = state().chr;
    chr.wrap = 0;
    if (!(m_blockCharValid && m_blockChar == chr) && m_cursor.block().length() <= 1)
        m_cursor.setBlockCharFormat(charFormat(chr));
}

void Reader::paragraph()
{
    if (state().dest != Dest::Text)
        return;
    flushRun();
    commitMark();
    markUsed(state().chr.wrap);
    if (m_limit >= 0 && m_count >= m_limit) {
        ++m_count;
        return;
    }
    ++m_count;
    finishBlock();
    m_blockAlign = state().align;
    m_blockChar = state().chr;
    m_blockChar.wrap = 0;
    m_blockCharValid = true;
    m_cursor.insertBlock(blockFormat(m_blockAlign), charFormat(m_blockChar));
}

void Reader::flushFontBytes()
{
    if (m_fontBytes.isEmpty())
        return;
    m_font.name +=
        RtfCodePages::decode(m_font.codePage ? m_font.codePage : m_docCodePage, m_fontBytes);
    m_fontBytes.clear();
}

void Reader::commitFont()
{
    flushFontBytes();
    if (m_fontNumber != INT_MIN && !m_fonts.contains(m_fontNumber)) {
        m_font.name = m_font.name.trimmed();
        m_fonts.insert(m_fontNumber, m_font);
        m_formatValid = false;
    }
    m_fontOpen = false;
    m_font = Font{};
    m_fontNumber = INT_MIN;
}

void Reader::commitColour()
{
    if (m_red < 0 && m_green < 0 && m_blue < 0)
        m_colours.emplace_back();
    else
        m_colours.emplace_back(std::max(m_red, 0), std::max(m_green, 0), std::max(m_blue, 0));
    m_red = m_green = m_blue = -1;
    m_formatValid = false;
}

} // namespace Rtf::detail
