#include "rtf/RtfReader.h"
#include "base/Cp1252.h"
#include "rtf/Rtf.h"
#include "rtf/RtfCodePages.h"
#include "rtf/RtfImages.h"

#include <QBuffer>
#include <QImageReader>
#include <QTextDocument>

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <utility>

namespace Rtf::detail {

namespace {

// Groups deeper than this share the state of the deepest saved one, so hostile nesting costs
// nothing but a counter.
constexpr int kMaxDepth = 256;
// Longest control word name RTF allows; longer names are read but never match.
constexpr qsizetype kMaxWordLength = 32;
// Pictures are not decoded beyond these sizes, so that a small file of well compressed pictures
// cannot take all memory; they are kept undecoded like any other picture the reader cannot show.
constexpr qint64 kMaxPicturePixels = 30'000'000;
constexpr qint64 kMaxDocumentPixels = 60'000'000;
constexpr int kMaxPictureSide = 20000;
// Twips per pixel at 96 dpi, the scale the program uses everywhere.
constexpr double kTwipsPerPixel = 15.0;
// The box standing for a picture that is not shown: its size when the file gives none, its
// bounds, and the largest box drawn (larger ones are drawn at this size and scaled). Few distinct
// boxes are drawn per note; beyond them the default one is scaled.
constexpr double kPlaceholderSide = 32;
constexpr double kMinPlaceholderSide = 8;
constexpr double kMaxPlaceholderSide = 2000;
constexpr int kMaxPlaceholderDrawn = 256;
constexpr int kMaxPlaceholderSizes = 16;
// Each kept picture costs the document about a kilobyte whatever its size: a file of nothing but
// empty picture groups keeps no more than these.
constexpr int kMaxKeptPictures = 10000;

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
    finishBlock();
    m_cursor.endEditBlock();
}

void Reader::openGroup()
{
    m_skip = 0;
    if (m_stack.size() >= size_t(kMaxDepth)) {
        // A picture read with shared group states may read differently elsewhere: not kept.
        if (m_pictLevel != 0)
            m_pictStart = -1;
        ++m_overflowDepth;
        return;
    }
    m_stack.push_back(m_stack.back());
    m_stack.back().open = m_pos - 1;
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
    if (m_stack.size() == m_pictLevel) {
        m_stack.pop_back();
        finishPicture();
        return;
    }
    m_stack.pop_back();
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
        // An optional destination we do not know is skipped whole; one we know is read as
        // itself (a field's result is text, pictures saved for newer readers are shown). The
        // \nonshppict beside those pictures is the same picture for older readers: it is skipped
        // and not written back.
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
    if (st.dest == Dest::Skip)
        return;
    if (st.dest == Dest::Object) {
        if (kw == Kw::Result)
            st.dest = Dest::Text;
        else if (kw == Kw::SkipDest)
            st.dest = Dest::Skip;
        return;
    }
    if (st.dest == Dest::Picture) {
        pictureWord(kw, hasParam, param);
        return;
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
        chr = CharState{};
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
    case Kw::Uc:
        if (hasParam)
            st.uc = std::clamp(param, 0, 64);
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
        break;
    case Kw::SkipDest:
        st.dest = Dest::Skip;
        break;
    case Kw::Object:
        st.dest = Dest::Object;
        break;
    case Kw::Result:
    case Kw::Bin:
        break;
    }
}

// Inside a picture nothing but the picture's own words counts: a kept group must not change the
// fonts, colours or code page of the text around it when it is read again.
void Reader::pictureWord(Kw kw, bool hasParam, int param)
{
    switch (kw) {
    case Kw::PngBlip:
        m_pictType = PictType::Png;
        break;
    case Kw::JpegBlip:
        m_pictType = PictType::Jpeg;
        break;
    case Kw::OtherBlip:
        m_pictType = PictType::Other;
        break;
    case Kw::PicWGoal:
        m_picWGoal = param;
        break;
    case Kw::PicHGoal:
        m_picHGoal = param;
        break;
    case Kw::PicScaleX:
        if (hasParam)
            m_picScaleX = param;
        break;
    case Kw::PicScaleY:
        if (hasParam)
            m_picScaleY = param;
        break;
    case Kw::Pict:
    case Kw::SkipDest:
    case Kw::Object:
        state().dest = Dest::Skip;
        break;
    default:
        break; // \picw and \pich too: the picture data knows its own size
    }
}

void Reader::startPicture()
{
    GroupState &st = state();
    st.dest = Dest::Picture;
    m_pict.clear();
    m_pictNibble = -1;
    m_pictType = PictType::None;
    m_picWGoal = m_picHGoal = 0;
    m_picScaleX = m_picScaleY = 100;
    m_pictLevel = m_stack.size();
    qsizetype p = st.open + 1;
    while (p < m_wordStart && (m_data[p] == '\r' || m_data[p] == '\n'))
        ++p;
    m_pictOwnBrace = st.open < 0 || p != m_wordStart;
    m_pictStart = m_overflowDepth > 0 ? -1 : m_pictOwnBrace ? m_wordStart : st.open;
}

void Reader::finishPicture()
{
    const QByteArray data = std::exchange(m_pict, QByteArray());
    m_pictLevel = 0;
    if (state().dest != Dest::Text)
        return;
    const QImage image = decodePicture(data);
    if (image.isNull()) {
        keepPicture();
        return;
    }
    const QSizeF shown = goalSize(image.size());
    flushRun();
    QTextImageFormat fmt = RtfImages::addImage(m_doc, image, data);
    if (qAbs(shown.width() - image.width()) > 0.01 ||
        qAbs(shown.height() - image.height()) > 0.01) {
        fmt.setWidth(shown.width());
        fmt.setHeight(shown.height());
    }
    m_cursor.insertImage(fmt);
}

// The picture as an image, or a null one when it is not shown.
QImage Reader::decodePicture(const QByteArray &data)
{
    if ((m_pictType != PictType::Png && m_pictType != PictType::Jpeg) || data.isEmpty())
        return {};
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    // The data decides, not the blip word, but only PNG and JPEG are accepted.
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    if (format != "png" && format != "jpeg")
        return {};
    const QSize natural = reader.size();
    if (!natural.isValid() || natural.width() > kMaxPictureSide ||
        natural.height() > kMaxPictureSide ||
        qint64(natural.width()) * natural.height() > kMaxPicturePixels ||
        m_pixels + qint64(natural.width()) * natural.height() > kMaxDocumentPixels)
        return {};
    const QImage image = reader.read();
    if (!image.isNull())
        m_pixels += qint64(image.width()) * image.height();
    return image;
}

// The size a picture is shown at: its goal size in twips when given, scaled by its percentages.
QSizeF Reader::goalSize(QSizeF natural) const
{
    double width = natural.width();
    double height = natural.height();
    if (m_picWGoal > 0)
        width = m_picWGoal / kTwipsPerPixel;
    if (m_picHGoal > 0)
        height = m_picHGoal / kTwipsPerPixel;
    if (m_picScaleX > 0 && m_picScaleX != 100)
        width = width * m_picScaleX / 100.0;
    if (m_picScaleY > 0 && m_picScaleY != 100)
        height = height * m_picScaleY / 100.0;
    return QSizeF(std::clamp(width, 1.0, double(kMaxPictureSide)),
                  std::clamp(height, 1.0, double(kMaxPictureSide)));
}

// A picture that is not shown keeps its group, written back as it came, and a box stands for it.
void Reader::keepPicture()
{
    if (m_pictStart < 0 || m_kept >= kMaxKeptPictures)
        return;
    QByteArray group;
    if (m_pictOwnBrace)
        group.append('{');
    group.append(m_data + m_pictStart, m_pos - m_pictStart);
    int open = 0;
    if (m_atEnd && groupEnd(group, &open) < 0)
        group.append(QByteArray(open, '}'));
    // Kept only when it reads back as the same one group, wherever it is written.
    if (groupEnd(group, nullptr) != group.size())
        return;

    const QSizeF goal = goalSize(QSizeF(kPlaceholderSide, kPlaceholderSide));
    const QSizeF shown(std::clamp(goal.width(), kMinPlaceholderSide, kMaxPlaceholderSide),
                       std::clamp(goal.height(), kMinPlaceholderSide, kMaxPlaceholderSide));
    ++m_kept;
    flushRun();
    QTextImageFormat fmt = RtfImages::addKept(m_doc, placeholder(shown), group);
    fmt.setWidth(shown.width());
    fmt.setHeight(shown.height());
    m_cursor.insertImage(fmt);
}

QImage Reader::placeholder(const QSizeF &shown)
{
    QSize drawn(std::min(qRound(shown.width()), kMaxPlaceholderDrawn),
                std::min(qRound(shown.height()), kMaxPlaceholderDrawn));
    if (m_placeholders.size() >= kMaxPlaceholderSizes &&
        !m_placeholders.contains(quint64(drawn.width()) << 32 | quint64(drawn.height())))
        drawn = QSize(int(kPlaceholderSide), int(kPlaceholderSide));
    QImage &image = m_placeholders[quint64(drawn.width()) << 32 | quint64(drawn.height())];
    if (image.isNull())
        image = RtfImages::placeholder(drawn);
    return image;
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

void read(const QByteArray &data, QTextDocument *doc)
{
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    doc->clear();
    if (!looksLikeRtf(data)) {
        // Line ends of any style; characters that would build frames are not text.
        QString text = StoredText::decode(data);
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        text.replace(u'\r', u'\n');
        text.removeIf([](QChar c) {
            return c.unicode() == 0 || c.unicode() == 0xFDD0 || c.unicode() == 0xFDD1;
        });
        doc->setPlainText(text);
    } else {
        detail::Reader reader(data, doc);
        reader.run();
    }
    doc->setUndoRedoEnabled(undo);
}

} // namespace Rtf
