#pragma once

#include <QRect>
#include <QtGlobal>

#include <optional>

// Where "Organizar Notas" puts a window: columns at the right edge of the work area, filled from
// the top down and added from right to left. Everything in twips, 15 to a pixel; the limits are
// wide integers because a work area beyond 2184 pixels does not fit in 16 bits.

struct TwipRect
{
    qint64 left = 0;
    qint64 top = 0;
    qint64 width = 0;
    qint64 height = 0;
};

// The right and bottom edges of a work area given in pixels.
struct TwipLimits
{
    qint64 right = 0;
    qint64 bottom = 0;
};
TwipLimits LimitsOf(const QRect &workAreaPixels);

// The place of a window of the given size after the one placed before it in the same run (none:
// the first of the run). Only Top and Left change.
TwipRect NextPlace(const std::optional<TwipRect> &previous, qint64 width, qint64 height,
                   const TwipLimits &limits);
