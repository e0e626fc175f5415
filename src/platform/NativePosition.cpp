#include "platform/NativePosition.h"

#include <QGuiApplication>
#include <QWidget>

#ifdef NOTAVEX_HAVE_XCB
#include <xcb/xcb.h>

#include <cstdlib>
#endif

namespace {

bool askable(const QWidget *window)
{
    return window && window->isWindow() && window->isVisible() && window->internalWinId();
}

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
            cookies[i] = xcb_translate_coordinates(c, xcb_window_t(windows.at(i)->internalWinId()),
                                                   root, 0, 0);
    }
    for (qsizetype i = 0; i < windows.size(); ++i) {
        if (!cookies.at(i))
            continue;
        xcb_translate_coordinates_reply_t *reply =
            xcb_translate_coordinates_reply(c, *cookies.at(i), nullptr);
        if (reply) {
            positions[i] = QPoint(reply->dst_x, reply->dst_y);
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
