#include "note/SkipTaskbar.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QHash>
#include <QWidget>
#include <QWindow>

#ifdef NOTAVEX_HAVE_XCB
#include <xcb/xcb.h>

#include <array>
#include <cstdlib>
#include <cstring>
#endif

namespace {

#ifdef NOTAVEX_HAVE_XCB
const char *const doneFor = "notavexSkipTaskbarFor";

xcb_connection_t *connection()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// _NET_WM_STATE, _NET_WM_STATE_SKIP_TASKBAR and _NET_WM_STATE_SKIP_PAGER, asked for once: the
// program has a single X connection.
const std::array<xcb_atom_t, 3> &atoms(xcb_connection_t *c)
{
    static const std::array<xcb_atom_t, 3> found = [c] {
        std::array<xcb_atom_t, 3> result{};
        const std::array<const char *, 3> names{"_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR",
                                                "_NET_WM_STATE_SKIP_PAGER"};
        std::array<xcb_intern_atom_cookie_t, 3> cookies;
        for (std::size_t i = 0; i < names.size(); ++i)
            cookies[i] = xcb_intern_atom(c, 0, uint16_t(std::strlen(names[i])), names[i]);
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (auto *reply = xcb_intern_atom_reply(c, cookies[i], nullptr)) {
                result[i] = reply->atom;
                std::free(reply);
            }
        }
        return result;
    }();
    return found;
}

// Qt asks the X server for _NET_WM_STATE again at every change of it, a round trip each. Before a
// window is mapped the changes are this program's own: the state written here, then Qt's merge of
// its own states into it when it maps the window. Answering those two from here spares two round
// trips for every note shown, which was much of the time a start with many notes took.
class OwnStateChanges : public QAbstractNativeEventFilter
{
public:
    explicit OwnStateChanges(xcb_atom_t state) : m_state(state) {}

    void expect(xcb_window_t window) { m_expected[window] = 2; }

    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        if (m_expected.isEmpty() || type != "xcb_generic_event_t")
            return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        switch (event->response_type & 0x7f) {
        case XCB_PROPERTY_NOTIFY: {
            const auto *e = static_cast<const xcb_property_notify_event_t *>(message);
            if (e->atom != m_state || e->state != XCB_PROPERTY_NEW_VALUE)
                return false;
            const auto it = m_expected.find(e->window);
            if (it == m_expected.end())
                return false;
            if (--*it == 0)
                m_expected.erase(it);
            return true;
        }
        // Once mapped, the window manager owns the state: Qt hears of every change again.
        case XCB_MAP_NOTIFY:
            m_expected.remove(static_cast<const xcb_map_notify_event_t *>(message)->window);
            return false;
        case XCB_DESTROY_NOTIFY:
            m_expected.remove(static_cast<const xcb_destroy_notify_event_t *>(message)->window);
            return false;
        default:
            return false;
        }
    }

private:
    xcb_atom_t m_state;
    QHash<xcb_window_t, int> m_expected;
};

OwnStateChanges *ownStateChanges(xcb_atom_t state)
{
    // Lives as long as the program: the application must never call a filter that is gone.
    static OwnStateChanges *filter = [state] {
        auto *f = new OwnStateChanges(state);
        qGuiApp->installNativeEventFilter(f);
        return f;
    }();
    return filter;
}

// mapped: the window manager owns the state and is asked to add to it; otherwise the state is
// written. Before mapping, Qt adds its own (the pin's _NET_WM_STATE_ABOVE) when it maps the
// window; writing without reading first spares a round trip for every note shown.
void apply(QWindow *handle, bool mapped)
{
    xcb_connection_t *c = connection();
    if (!c || !handle->handle())
        return;
    const auto &a = atoms(c);
    if (a[0] == XCB_ATOM_NONE || a[1] == XCB_ATOM_NONE || a[2] == XCB_ATOM_NONE)
        return;
    const auto id = xcb_window_t(handle->winId());
    handle->setProperty(doneFor, quint64(id));
    if (!mapped) {
        ownStateChanges(a[0])->expect(id);
        const xcb_atom_t states[] = {a[1], a[2]};
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, a[0], XCB_ATOM_ATOM, 32, 2, states);
    } else {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = id;
        event.type = a[0];
        event.data.data32[0] = 1; // add
        event.data.data32[1] = a[1];
        event.data.data32[2] = a[2];
        event.data.data32[3] = 1; // from an application
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        xcb_send_event(c, 0, root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char *>(&event));
    }
    xcb_flush(c);
}

// Qt makes a new X window for a shown window after the widget was told it is being shown (when a
// window's always-on-top changed since it was last mapped). Mapped without the state, it is
// given it as soon as it appears.
class NewNativeWindows : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose) {
            auto *handle = static_cast<QWindow *>(watched);
            if (handle->isExposed() && handle->property(doneFor).toULongLong() != handle->winId())
                apply(handle, true);
        }
        return false;
    }
};
#endif

} // namespace

void SkipTaskbar(QWidget *window)
{
#ifdef NOTAVEX_HAVE_XCB
    QWindow *handle = window && window->isWindow() ? window->windowHandle() : nullptr;
    if (!handle || !handle->handle())
        return;
    if (!handle->property("notavexSkipTaskbarWatched").toBool()) {
        handle->setProperty("notavexSkipTaskbarWatched", true);
        handle->installEventFilter(new NewNativeWindows(handle));
    }
    apply(handle, false);
#else
    Q_UNUSED(window);
#endif
}

Qt::WindowType TaskbarlessWindowType()
{
    const bool xwayland = QGuiApplication::platformName() == QLatin1String("xcb") &&
                          !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    return xwayland ? Qt::Window : Qt::Tool;
}
