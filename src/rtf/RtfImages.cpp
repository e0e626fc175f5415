#include "rtf/RtfImages.h"

#include "rtf/Rtf.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QTextDocument>
#include <QUrl>

#include <atomic>
#include <optional>

namespace RtfImages {

namespace {

bool isPng(const QByteArray &data)
{
    return data.startsWith("\x89PNG\r\n\x1a\n");
}

bool isJpeg(const QByteArray &data)
{
    return data.startsWith("\xff\xd8\xff");
}

// Resources are looked up by name alone, whatever their type, so the bytes need a name of their
// own.
QUrl encodedUrl(const QString &imageName)
{
    return QUrl(imageName + QLatin1String("#encoded"));
}

QUrl keptUrl(const QString &imageName)
{
    return QUrl(imageName + QLatin1String("#rtf"));
}

QString newName()
{
    static std::atomic<int> serial{0};
    return QStringLiteral("rtfimage:%1").arg(++serial);
}

QSize sizeOf(const QByteArray &data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    return QImageReader(&buffer).size();
}

} // namespace

QTextImageFormat addImage(QTextDocument *doc, const QImage &image, const QByteArray &encoded)
{
    const QString name = newName();
    doc->addResource(QTextDocument::ImageResource, QUrl(name), image);
    if (isPng(encoded) || isJpeg(encoded))
        doc->addResource(QTextDocument::UserResource, encodedUrl(name), encoded);
    QTextImageFormat fmt;
    fmt.setName(name);
    return fmt;
}

QTextImageFormat addKept(QTextDocument *doc, const QImage &placeholder, const QByteArray &group)
{
    const QString name = newName();
    doc->addResource(QTextDocument::ImageResource, QUrl(name), placeholder);
    doc->addResource(QTextDocument::UserResource, keptUrl(name), group);
    QTextImageFormat fmt;
    fmt.setName(name);
    return fmt;
}

QByteArray keptGroup(const QTextDocument &doc, const QTextImageFormat &format)
{
    const QVariant kept = doc.resource(QTextDocument::UserResource, keptUrl(format.name()));
    return kept.userType() == QMetaType::QByteArray ? kept.toByteArray() : QByteArray();
}

QImage placeholder(const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(0xe4, 0xe4, 0xe4));
    QPainter painter(&image);
    painter.setPen(QColor(0x9a, 0x9a, 0x9a));
    painter.drawRect(0, 0, size.width() - 1, size.height() - 1);
    painter.end();
    return image;
}

// PNG and JPEG bytes are written back as they are, when their size can be read.
std::optional<Encoded> asIs(const QByteArray &bytes)
{
    if (!isPng(bytes) && !isJpeg(bytes))
        return std::nullopt;
    Encoded out;
    out.data = bytes;
    out.png = isPng(bytes);
    out.size = sizeOf(bytes);
    if (!out.size.isValid())
        return std::nullopt;
    return out;
}

Encoded encoded(const QTextDocument &doc, const QTextImageFormat &format)
{
    const QUrl url(format.name());
    Encoded out;
    const QVariant original = doc.resource(QTextDocument::UserResource, encodedUrl(format.name()));
    if (original.userType() == QMetaType::QByteArray) {
        const QByteArray bytes = original.toByteArray();
        if (const std::optional<Encoded> kept = asIs(bytes))
            return *kept;
    }

    const QVariant resource = doc.resource(QTextDocument::ImageResource, url);
    QImage image;
    if (resource.userType() == QMetaType::QImage) {
        image = resource.value<QImage>();
    } else if (resource.userType() == QMetaType::QPixmap) {
        image = resource.value<QPixmap>().toImage();
    } else if (resource.userType() == QMetaType::QByteArray) {
        const QByteArray bytes = resource.toByteArray();
        if (const std::optional<Encoded> kept = asIs(bytes))
            return *kept;
        image.loadFromData(bytes);
    }
    if (image.isNull())
        return out;
    QBuffer buffer(&out.data);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return Encoded{};
    out.png = true;
    out.size = image.size();
    return out;
}

} // namespace RtfImages

void Rtf::copyPictures(const QTextDocument &from, QTextDocument *to)
{
    const QList<QTextFormat> formats = from.allFormats();
    for (const QTextFormat &f : formats) {
        if (!f.isImageFormat())
            continue;
        const QString name = f.toImageFormat().name();
        const std::pair<int, QUrl> resources[] = {
            {QTextDocument::ImageResource, QUrl(name)},
            {QTextDocument::UserResource, RtfImages::encodedUrl(name)},
            {QTextDocument::UserResource, RtfImages::keptUrl(name)}};
        for (const auto &[type, url] : resources) {
            if (const QVariant v = from.resource(type, url); v.isValid())
                to->addResource(type, url, v);
        }
    }
}
