#pragma once

#include <QByteArray>
#include <QSize>
#include <QTextImageFormat>

class QImage;
class QTextDocument;

// Pictures embedded in notes. The encoded bytes a picture was read from are kept beside the image
// so that saving writes them back as they came, JPEG included.
namespace RtfImages {

// Adds image to doc under a new name; encoded is its PNG or JPEG data, or empty.
QTextImageFormat addImage(QTextDocument *doc, const QImage &image, const QByteArray &encoded);

struct Encoded
{
    QByteArray data; // empty when the picture cannot be found
    bool png = true; // otherwise JPEG
    QSize size;      // in pixels
};

// The picture of an image format as PNG or JPEG data.
Encoded encoded(const QTextDocument &doc, const QTextImageFormat &format);

} // namespace RtfImages
