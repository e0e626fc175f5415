#include "rtf/Rtf.h"
#include "rtf/RtfImages.h"
#include "rtf/RtfReader.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <utility>

namespace Rtf::detail {

namespace {

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

} // namespace

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
    m_pictStart = m_overflowDepth > 0 || tooDeepWritten(m_pictLevel + m_pictOwnBrace) ? -1
                  : m_pictOwnBrace                                                   ? m_wordStart
                                                                                     : st.open;
    m_ownBraces += m_pictOwnBrace;
    m_pictUc = st.uc;
}

void Reader::finishPicture()
{
    const QByteArray data = std::exchange(m_pict, QByteArray());
    m_pictLevel = 0;
    m_ownBraces -= m_pictOwnBrace;
    if (state().dest != Dest::Text)
        return;
    flushRun();
    // Beyond the limit a picture is not even decoded; it counts as the one character it would be.
    if (m_limit >= 0 && m_count >= m_limit) {
        markUsed(state().chr.wrap);
        ++m_count;
        return;
    }
    const QImage image = decodePicture(data);
    if (image.isNull()) {
        keepPicture();
        return;
    }
    const QSizeF shown = goalSize(image.size());
    commitMark();
    QTextImageFormat fmt = RtfImages::addImage(m_doc, image, data);
    fmt.merge(charFormat(state().chr));
    markUsed(state().chr.wrap);
    if (qAbs(shown.width() - image.width()) > 0.01 ||
        qAbs(shown.height() - image.height()) > 0.01) {
        fmt.setWidth(shown.width());
        fmt.setHeight(shown.height());
    }
    m_cursor.insertImage(fmt);
    ++m_count;
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
    if (m_pictStart < 0 || m_kept >= kMaxKept)
        return;
    const QByteArray group = keptBytes(m_pictStart, m_pictOwnBrace, m_pictUc);
    if (!group.isEmpty())
        insertBox(group, goalSize(QSizeF(kPlaceholderSide, kPlaceholderSide)), state().chr.wrap);
}

QSizeF Reader::placeholderSize(QSizeF goal) const
{
    if (goal.isEmpty())
        goal = QSizeF(kPlaceholderSide, kPlaceholderSide);
    return QSizeF(std::clamp(goal.width(), kMinPlaceholderSide, kMaxPlaceholderSide),
                  std::clamp(goal.height(), kMinPlaceholderSide, kMaxPlaceholderSide));
}

// A box of about goal's size stands for the group, which is written back in its place.
void Reader::insertBox(const QByteArray &group, QSizeF goal, int wrap)
{
    const QSizeF shown = placeholderSize(goal);
    ++m_kept;
    flushRun();
    commitMark();
    markUsed(wrap);
    if (m_limit >= 0 && m_count >= m_limit) {
        ++m_count;
        return;
    }
    CharState chr = state().chr;
    chr.wrap = wrap;
    QTextImageFormat fmt = RtfImages::addKept(m_doc, placeholder(shown), group);
    fmt.merge(charFormat(chr));
    fmt.setWidth(shown.width());
    fmt.setHeight(shown.height());
    m_cursor.insertImage(fmt);
    ++m_count;
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
