#pragma once

#include <QImage>
#include <QRegion>

#include <optional>

// The region of every pixel of picture that is not exactly the colour transparent (alpha ignored),
// in the picture's own pixel coordinates. No region for a null picture.
std::optional<QRegion> RegionFromPicture(const QImage &picture, QRgb transparent);
