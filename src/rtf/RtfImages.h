#pragma once

#include <QByteArray>
#include <QSize>
#include <QTextImageFormat>

class QImage;
class QTextDocument;

// Pictures embedded in notes. The encoded bytes a picture was read from are kept beside the image
// so that saving writes them back as they came, JPEG included. A picture that is not shown keeps
// its whole RTF group instead, and a placeholder box stands for it in the text.
namespace RtfImages {

// Adds image to doc under a new name; encoded is its PNG or JPEG data, or empty.
QTextImageFormat addImage(QTextDocument *doc, const QImage &image, const QByteArray &encoded);

// Adds placeholder to doc under a new name, standing for the picture group written as group.
QTextImageFormat addKept(QTextDocument *doc, const QImage &placeholder, const QByteArray &group);

// The RTF group kept for an image format, or empty when it is a picture of its own.
QByteArray keptGroup(const QTextDocument &doc, const QTextImageFormat &format);

// A light grey box with a thin border, size pixels large.
QImage placeholder(const QSize &size);

struct Encoded
{
    QByteArray data; // empty when the picture cannot be found
    bool png = true; // otherwise JPEG
    QSize size;      // in pixels
};

// The picture of an image format as PNG or JPEG data.
Encoded encoded(const QTextDocument &doc, const QTextImageFormat &format);

} // namespace RtfImages
