#include "platform/ScreenColormap.h"

#include <QGuiApplication>
#include <QWidget>

#ifdef NOTAVEX_HAVE_XCB
#include <xcb/xcb.h>

#include <cstdlib>
#endif

void UseScreenColormap(QWidget *window)
{
#ifdef NOTAVEX_HAVE_XCB
    if (!window || !window->isWindow() || !window->internalWinId())
        return;
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *c = x11 ? x11->connection() : nullptr;
    if (!c)
        return;
    const xcb_window_t id = xcb_window_t(window->internalWinId());
    xcb_get_window_attributes_reply_t *attributes =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, id), nullptr);
    if (!attributes)
        return;
    const xcb_visualid_t visual = attributes->visual;
    std::free(attributes);
    // A colormap only fits windows of its own visual (a translucent window has another one).
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem; xcb_screen_next(&it)) {
        if (it.data->root_visual == visual) {
            xcb_change_window_attributes(c, id, XCB_CW_COLORMAP, &it.data->default_colormap);
            xcb_flush(c);
            return;
        }
    }
#else
    Q_UNUSED(window);
#endif
}
