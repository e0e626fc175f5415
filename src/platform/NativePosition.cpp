#include "platform/NativePosition.h"

#include <QGuiApplication>
#include <QWidget>

#ifdef NOTAVEX_HAVE_XCB
#include <xcb/xcb.h>

#include <cstdlib>
#endif

std::optional<QPoint> NativeWindowPosition(const QWidget *window)
{
    if (!window || !window->isWindow() || !window->isVisible() || !window->internalWinId())
        return std::nullopt;
#ifdef NOTAVEX_HAVE_XCB
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *c = x11 ? x11->connection() : nullptr;
    if (!c)
        return std::nullopt;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const auto cookie =
        xcb_translate_coordinates(c, xcb_window_t(window->internalWinId()), root, 0, 0);
    xcb_translate_coordinates_reply_t *reply = xcb_translate_coordinates_reply(c, cookie, nullptr);
    if (!reply)
        return std::nullopt;
    const QPoint pos(reply->dst_x, reply->dst_y);
    std::free(reply);
    return pos;
#else
    return std::nullopt;
#endif
}
