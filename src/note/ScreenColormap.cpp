#include "note/ScreenColormap.h"

#include "note/AppEvents.h"

#include <QGuiApplication>
#include <QWidget>

#ifdef NOTAVEX_HAVE_XCB
#include <xcb/xcb.h>

#include <cstdlib>
#include <optional>
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
    // Which colormap fits is asked of the X server once for the opaque windows, which all share
    // one visual: a round trip for every note shown would slow a start with many notes.
    static std::optional<xcb_colormap_t> opaque;
    const bool translucent = window->testAttribute(Qt::WA_TranslucentBackground);
    xcb_colormap_t colormap = XCB_NONE;
    if (!translucent && opaque) {
        colormap = *opaque;
    } else {
        xcb_get_window_attributes_reply_t *attributes =
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, id), nullptr);
        if (!attributes)
            return;
        const xcb_visualid_t visual = attributes->visual;
        std::free(attributes);
        // A colormap only fits windows of its own visual (a translucent window has another one).
        for (auto it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem; xcb_screen_next(&it)) {
            if (it.data->root_visual == visual)
                colormap = it.data->default_colormap;
        }
        if (!translucent)
            opaque = colormap;
    }
    if (colormap == XCB_NONE)
        return;
    xcb_change_window_attributes(c, id, XCB_CW_COLORMAP, &colormap);
    xcb_flush(c);
#else
    Q_UNUSED(window);
#endif
}

void UseScreenColormapForAllWindows()
{
    static bool installed = false;
    if (installed || !qGuiApp)
        return;
    installed = true;
    OnWindowShown(UseScreenColormap);
}
