#include "note/NoteShape.h"

std::optional<QRegion> RegionFromPicture(const QImage &picture, QRgb transparent)
{
    if (picture.isNull())
        return std::nullopt;

    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    const int w = image.width();
    const int h = image.height();
    const QRgb key = transparent | 0xFF000000u;

    // Cutting runs from a full rectangle costs one subtraction per run; collecting the runs first
    // and subtracting them as one region keeps that linear in the number of runs.
    QRegion cut;
    for (int y = 0; y < h; ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        int x = 0;
        while (x < w) {
            if ((row[x] | 0xFF000000u) != key) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < w && (row[x] | 0xFF000000u) == key)
                ++x;
            cut += QRect(start, y, x - start, 1);
        }
    }
    return QRegion(0, 0, w, h) - cut;
}
