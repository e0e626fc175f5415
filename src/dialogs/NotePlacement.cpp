#include "dialogs/NotePlacement.h"

#include "store/NoteStore.h"

TwipLimits LimitsOf(const QRect &workAreaPixels)
{
    // Edges as the desktop gives them: the right one is just past the last column of pixels.
    return {(qint64(workAreaPixels.x()) + workAreaPixels.width()) * TwipsPerPixel,
            (qint64(workAreaPixels.y()) + workAreaPixels.height()) * TwipsPerPixel};
}

TwipRect NextPlace(const std::optional<TwipRect> &previous, qint64 width, qint64 height,
                   const TwipLimits &limits)
{
    TwipRect placed{0, 1, width, height};
    if (!previous) {
        placed.left = limits.right - width;
        return placed;
    }
    const TwipRect &p = *previous;
    // The fit test leaves out the gap of one twip: a window may end one twip below the limit.
    if (p.top + p.height + height <= limits.bottom) {
        placed.top = p.top + p.height + 1;
        placed.left = p.left;
    } else {
        placed.left = p.left - width - 1;
    }
    return placed;
}
