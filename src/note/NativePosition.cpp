#include "note/NativePosition.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#ifdef NOTAVEX_HAVE_XCB
#include <xcb/xcb.h>

#include <cstdlib>
#endif

namespace {

bool askable(const QWidget *window)
{
    return window && window->isWindow() && window->isVisible() && window->internalWinId() &&
           window->windowHandle();
}

#ifdef NOTAVEX_HAVE_XCB
// The X server counts device pixels; the program, like Qt, counts logical ones. Qt keeps a
// screen's top left corner the same in both and scales from there.
QPoint logicalPosition(const QWidget *window, const QPoint &native)
{
    const QScreen *screen = window->screen();
    const qreal ratio = window->devicePixelRatioF();
    if (!screen || ratio == 1.0)
        return native;
    const QPoint origin = screen->geometry().topLeft();
    const QPointF scaled = QPointF(native - origin) / ratio;
    return origin + QPoint(qRound(scaled.x()), qRound(scaled.y()));
}
#endif

} // namespace

QList<std::optional<QPoint>> NativeWindowPositions(const QList<const QWidget *> &windows)
{
    QList<std::optional<QPoint>> positions(windows.size());
#ifdef NOTAVEX_HAVE_XCB
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *c = x11 ? x11->connection() : nullptr;
    if (!c)
        return positions;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    // Every request goes out before the first answer is awaited.
    QList<std::optional<xcb_translate_coordinates_cookie_t>> cookies(windows.size());
    for (qsizetype i = 0; i < windows.size(); ++i) {
        if (askable(windows.at(i)))
            // Not internalWinId(): Qt makes a new X window behind the widget's back when one
            // whose always-on-top changed is shown again.
            cookies[i] = xcb_translate_coordinates(
                c, xcb_window_t(windows.at(i)->windowHandle()->winId()), root, 0, 0);
    }
    for (qsizetype i = 0; i < windows.size(); ++i) {
        if (!cookies.at(i))
            continue;
        xcb_translate_coordinates_reply_t *reply =
            xcb_translate_coordinates_reply(c, *cookies.at(i), nullptr);
        if (reply) {
            positions[i] = logicalPosition(windows.at(i), QPoint(reply->dst_x, reply->dst_y));
            std::free(reply);
        }
    }
#endif
    return positions;
}

std::optional<QPoint> NativeWindowPosition(const QWidget *window)
{
    return NativeWindowPositions({window}).value(0);
}
