#include "rtf/Rtf.h"
#include "rtf/RtfCodePages.h"
#include "rtf/RtfFields.h"
#include "rtf/RtfImages.h"
#include "rtf/RtfReader.h"

#include <QImage>

namespace Rtf::detail {

namespace {

// Twips per pixel at 96 dpi, the scale the program uses everywhere.
constexpr double kTwipsPerPixel = 15.0;

// The text of a field's instruction group: its control words, and the optional groups inside it,
// left out.
QString instructionText(QByteArrayView group, int codePage)
{
    QByteArray bytes;
    int depth = 0;
    int skipFrom = 0; // depth of an optional group inside, 0: none
    for (qsizetype i = 0, n = group.size(); i < n;) {
        const char c = group[i++];
        if (c == '{') {
            ++depth;
        } else if (c == '}') {
            if (skipFrom == depth)
                skipFrom = 0;
            --depth;
        } else if (c != '\\') {
            if (!skipFrom && c != '\r' && c != '\n')
                bytes.append(c);
        } else if (i < n && group[i] == '\'') {
            int value = 0, digits = 0;
            for (++i; digits < 2 && i < n && hexValue(group[i]) >= 0; ++i, ++digits)
                value = value * 16 + hexValue(group[i]);
            if (!skipFrom && digits)
                bytes.append(char(value));
        } else if (i < n && !isAlpha(group[i])) {
            const char symbol = group[i++];
            if (symbol == '*' && depth > 1 && !skipFrom)
                skipFrom = depth;
            else if (!skipFrom && (symbol == '\\' || symbol == '{' || symbol == '}'))
                bytes.append(symbol);
        } else {
            const qsizetype name = i;
            while (i < n && isAlpha(group[i]))
                ++i;
            const bool bin = group.sliced(name, i - name) == "bin";
            qint64 value = 0;
            if (i < n && group[i] == '-')
                ++i;
            for (; i < n && isDigit(group[i]); ++i)
                value = std::min<qint64>(value * 10 + (group[i] - '0'), INT32_MAX);
            if (i < n && group[i] == ' ')
                ++i;
            if (bin)
                i += std::min<qint64>(value, n - i);
        }
    }
    return RtfCodePages::decode(codePage, bytes);
}

QImage invisible()
{
    static const QImage image = [] {
        QImage i(1, 1, QImage::Format_ARGB32);
        i.fill(Qt::transparent);
        return i;
    }();
    return image;
}

} // namespace

// True when the word being read is the first thing in its group (after an optional \*).
bool Reader::opensGroup() const
{
    qsizetype p = m_stack.back().open;
    if (p < 0)
        return false;
    // Spaces are text, which may have been shown already.
    const auto lineEnds = [&] {
        while (p < m_wordStart && (m_data[p] == '\r' || m_data[p] == '\n'))
            ++p;
    };
    ++p;
    lineEnds();
    if (p + 1 < m_wordStart && m_data[p] == '\\' && m_data[p + 1] == '*') {
        p += 2;
        lineEnds();
    }
    return p == m_wordStart;
}

namespace {

// Puts a \uc other than the writer's 1 into a kept group: it decides what a \u in it skips. It
// goes after the word that says what the group is, which must stay the first.
void setUc(QByteArray &group, int uc)
{
    if (uc == 1)
        return;
    // Line ends count for nothing in RTF.
    const auto skipLineEnds = [&](qsizetype i) {
        while (i < group.size() && (group[i] == '\r' || group[i] == '\n'))
            ++i;
        return i;
    };
    qsizetype at = skipLineEnds(1);
    if (group.mid(at, 2) == "\\*")
        at = skipLineEnds(at + 2);
    const auto letter = [&](qsizetype i) { return i < group.size() && isAlpha(group[i]); };
    const auto digit = [&](qsizetype i) { return i < group.size() && isDigit(group[i]); };
    if (group.mid(at, 1) == "\\" && letter(at + 1)) {
        ++at;
        while (letter(at))
            ++at;
        if (group.mid(at, 1) == "-" && digit(at + 1))
            ++at;
        while (digit(at))
            ++at;
        if (group.mid(at, 1) == " ")
            ++at;
    }
    group.insert(at, "\\uc" + QByteArray::number(uc) + ' ');
}

} // namespace

// The group from start to here, with the brace it lacks before it or the braces the end of the
// data cut off after it; empty when it would not read back as the same one group wherever it is
// written.
QByteArray Reader::keptBytes(qsizetype start, bool ownBrace, int uc) const
{
    QByteArray group;
    if (ownBrace)
        group.append('{');
    group.append(m_data + start, m_pos - start);
    int open = 0;
    if (m_atEnd && groupEnd(group, &open) < 0)
        group.append(QByteArray(open, '}'));
    if (groupEnd(group, nullptr) != group.size())
        return {};
    setUc(group, uc);
    return group;
}

// Starts keeping the current group, of text, from the word just read. False when it cannot be
// kept: in the document's own group, where groups overflow, or beyond the note's budget.
bool Reader::startKept(Kept::Kind kind)
{
    GroupState &st = state();
    if (st.dest != Dest::Text || m_stack.size() <= 2 || m_overflowDepth > 0 || m_kept >= kMaxKept)
        return false;
    const bool ownBrace = !opensGroup();
    if (tooDeepWritten(m_stack.size() + ownBrace))
        return false;
    m_ownBraces += ownBrace;
    Kept &kept = m_open.emplace_back();
    kept.kind = kind;
    kept.level = m_stack.size();
    kept.start = ownBrace ? m_wordStart : st.open;
    kept.ownBrace = ownBrace;
    kept.parent = st.chr.wrap;
    kept.uc = st.uc;
    st.dest = kind == Kept::Destination ? Dest::Skip : Dest::Wrapper;
    return true;
}

// Inside a field or object only its result is shown; everything else is kept as it came.
void Reader::wrapperWord(Kw kw, int param)
{
    GroupState &st = state();
    if (m_open.empty()) {
        st.dest = Dest::Skip;
        return;
    }
    Kept &kept = m_open.back();
    const bool child = m_stack.size() == kept.level + 1 && m_overflowDepth == 0;
    switch (kw) {
    case Kw::FldRslt:
    case Kw::Result:
        if (child && kept.wrap == 0 && (kw == Kw::FldRslt) == (kept.kind == Kept::Field) &&
            opensGroup())
            startResult(kept);
        else
            st.dest = Dest::Skip;
        return;
    case Kw::FldInst:
        if (child && kept.kind == Kept::Field && !kept.instructionSeen)
            kept.instructionSeen = st.instruction = true;
        st.dest = Dest::Skip;
        return;
    case Kw::ObjW:
        if (m_stack.size() == kept.level)
            kept.objW = param;
        return;
    case Kw::ObjH:
        if (m_stack.size() == kept.level)
            kept.objH = param;
        return;
    default:
        if (isDestination(kw))
            st.dest = Dest::Skip;
        return;
    }
}

void Reader::startResult(Kept &kept)
{
    GroupState &st = state();
    const int parent = kept.parent;
    m_wraps.push_back(Wrap{RtfFields::newName(),
                           !kept.href.isEmpty() ? kept.href
                           : parent             ? m_wraps[parent - 1].href
                                                : QString(),
                           parent});
    ++m_kept;
    kept.wrap = int(m_wraps.size());
    kept.resultLevel = m_stack.size();
    kept.resultOpen = st.open;
    st.dest = Dest::Text;
    st.chr.wrap = kept.wrap;
}

void Reader::readInstruction()
{
    if (m_open.empty() || state().open < 0)
        return;
    const QByteArrayView group(m_data + state().open, m_pos - state().open);
    m_open.back().href = RtfFields::hyperlinkTarget(instructionText(group, m_docCodePage));
}

void Reader::finishKept()
{
    flushRun(); // the result's text, if it still waits
    const Kept kept = m_open.back();
    m_open.pop_back();
    m_ownBraces -= kept.ownBrace;
    if (kept.start < 0)
        return;
    if (kept.wrap && m_wraps[kept.wrap - 1].used) {
        keepWrap(kept);
        return;
    }
    // Nothing of it is shown: it is kept whole, a box standing for an object.
    if (m_kept >= kMaxKept)
        return;
    const QByteArray group = keptBytes(kept.start, kept.ownBrace, kept.uc);
    if (group.isEmpty())
        return;
    if (kept.kind == Kept::Object) {
        const QSizeF goal(kept.objW > 0 ? kept.objW / kTwipsPerPixel : 0,
                          kept.objH > 0 ? kept.objH / kTwipsPerPixel : 0);
        insertBox(group, goal, kept.parent);
    } else {
        addMark(group, kept.parent);
    }
}

// Its result is the text shown: the bytes around it are kept for the writer.
void Reader::keepWrap(const Kept &kept)
{
    RtfFields::Wrap wrap;
    if (kept.ownBrace)
        wrap.head.append('{');
    wrap.head.append(m_data + kept.start, kept.resultOpen - kept.start);
    wrap.opener = kept.kind == Kept::Field ? "{\\fldrslt" : "{\\result";
    wrap.tail = QByteArray(m_data + kept.resultEnd, m_pos - kept.resultEnd);
    QByteArray whole = wrap.head + "{}" + wrap.tail;
    int open = 0;
    if (m_atEnd && groupEnd(whole, &open) < 0) {
        wrap.tail.append(QByteArray(open, '}'));
        whole.append(QByteArray(open, '}'));
    }
    if (groupEnd(whole, nullptr) != whole.size())
        return;
    if (kept.parent)
        wrap.parent = m_wraps[kept.parent - 1].name;
    RtfFields::setWrap(m_doc, m_wraps[kept.wrap - 1].name, wrap);
}

void Reader::markUsed(int wrap)
{
    while (wrap && !m_wraps[wrap - 1].used) {
        m_wraps[wrap - 1].used = true;
        wrap = m_wraps[wrap - 1].parent;
    }
}

// Groups that show nothing are one unseen mark in the text; those with nothing shown between
// them share it.
void Reader::addMark(const QByteArray &group, int wrap)
{
    flushRun();
    if (!m_mark.isEmpty() && m_markWrap != wrap)
        commitMark();
    if (m_mark.isEmpty())
        ++m_kept;
    m_mark.append(group);
    m_markWrap = wrap;
    markUsed(wrap);
}

void Reader::commitMark()
{
    if (m_mark.isEmpty())
        return;
    if (m_limit >= 0 && m_count >= m_limit) {
        m_mark.clear();
        ++m_count;
        return;
    }
    CharState chr = m_runValid ? m_runState : state().chr; // the text after it
    chr.wrap = m_markWrap;
    QTextImageFormat fmt = RtfImages::addKept(m_doc, invisible(), m_mark);
    fmt.merge(charFormat(chr));
    fmt.setWidth(0);
    fmt.setHeight(0);
    m_cursor.insertImage(fmt);
    ++m_count;
    m_mark.clear();
}

} // namespace Rtf::detail
