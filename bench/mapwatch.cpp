// mapwatch N COMMAND [ARG...]: starts COMMAND and watches the X server until N of its top-level
// windows are mapped. Meanwhile it pings the program's first window (_NET_WM_PING, which Qt
// answers from its event loop) again and again: the longest answer is the longest a click or a
// key would have waited. Once all are mapped, one more ping tells when the program has caught up
// with them (painted them, and answers at once again). Prints one line, then leaves the program
// running:
//   pid first_map_ms all_mapped_ms longest_wait_ms settled_ms pings
// Times count from just before the program is started; a figure that was never reached is -1.
#include <xcb/xcb.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <iterator>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *r =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(r);
    return a;
}

// The process a window says it belongs to, or 0.
pid_t windowPid(xcb_connection_t *c, xcb_window_t w, xcb_atom_t netWmPid)
{
    xcb_get_property_reply_t *r = xcb_get_property_reply(
        c, xcb_get_property(c, 0, w, netWmPid, XCB_ATOM_CARDINAL, 0, 1), nullptr);
    pid_t pid = 0;
    if (r && xcb_get_property_value_length(r) == 4)
        pid = pid_t(*static_cast<uint32_t *>(xcb_get_property_value(r)));
    std::free(r);
    return pid;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: mapwatch N COMMAND [ARG...]\n");
        return 2;
    }
    const int want = std::atoi(argv[1]);
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "mapwatch: no X display\n");
        return 2;
    }
    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t root = screen->root;
    const xcb_atom_t protocols = atom(c, "WM_PROTOCOLS");
    const xcb_atom_t ping = atom(c, "_NET_WM_PING");
    const xcb_atom_t netWmPid = atom(c, "_NET_WM_PID");
    // Qt sends its answer to a ping to the root window for structure-notify listeners.
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    xcb_discard_reply(c, xcb_get_input_focus(c).sequence);
    xcb_flush(c);

    const Clock::time_point t0 = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        close(xcb_get_file_descriptor(c));
        execvp(argv[2], argv + 2);
        _exit(127);
    }

    double firstMap = -1, allMapped = -1, longest = 0, settled = -1;
    bool lastPing = false;
    int mapped = 0, pings = 0;
    // Created top-level windows not yet known to be ours, with the times each was asked: a window
    // may get its _NET_WM_PID a moment after it is created.
    std::map<xcb_window_t, int> candidates;
    xcb_window_t target = XCB_WINDOW_NONE;
    bool waiting = false;
    Clock::time_point sent;
    uint32_t serial = 0;

    const auto sendPing = [&] {
        xcb_client_message_event_t e{};
        e.response_type = XCB_CLIENT_MESSAGE;
        e.format = 32;
        e.window = target;
        e.type = protocols;
        e.data.data32[0] = ping;
        e.data.data32[1] = ++serial;
        e.data.data32[2] = target;
        xcb_send_event(c, 0, target, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&e));
        xcb_flush(c);
        sent = Clock::now();
        waiting = true;
    };

    const auto deadline = t0 + std::chrono::seconds(std::getenv("MAPWATCH_TIMEOUT")
                                                        ? std::atoi(std::getenv("MAPWATCH_TIMEOUT"))
                                                        : 300);
    // Without a window of the program's own to ping (it runs under another program) the watch
    // ends when all are mapped.
    while (Clock::now() < deadline && settled < 0 &&
           (allMapped < 0 || target != XCB_WINDOW_NONE)) {
        if (waitpid(child, nullptr, WNOHANG) == child)
            break;
        if (target == XCB_WINDOW_NONE) {
            for (auto it = candidates.begin(); it != candidates.end();) {
                if (windowPid(c, it->first, netWmPid) == child) {
                    target = it->first;
                    break;
                }
                it = ++it->second > 20 ? candidates.erase(it) : std::next(it);
            }
        }
        if (target != XCB_WINDOW_NONE && !waiting) {
            lastPing = allMapped >= 0;
            sendPing();
        }

        pollfd p{xcb_get_file_descriptor(c), POLLIN, 0};
        poll(&p, 1, 5);
        while (xcb_generic_event_t *ev = xcb_poll_for_event(c)) {
            switch (ev->response_type & 0x7f) {
            case XCB_CREATE_NOTIFY: {
                auto *e = reinterpret_cast<xcb_create_notify_event_t *>(ev);
                if (e->parent == root && !e->override_redirect)
                    candidates.emplace(e->window, 0);
                break;
            }
            case XCB_MAP_NOTIFY: {
                auto *e = reinterpret_cast<xcb_map_notify_event_t *>(ev);
                if (e->event == root && !e->override_redirect) {
                    ++mapped;
                    if (mapped == 1)
                        firstMap = msSince(t0);
                    if (mapped == want)
                        allMapped = msSince(t0);
                }
                break;
            }
            case XCB_CLIENT_MESSAGE: {
                auto *e = reinterpret_cast<xcb_client_message_event_t *>(ev);
                if (waiting && e->type == protocols && e->data.data32[0] == ping &&
                    e->data.data32[1] == serial) {
                    const double wait =
                        std::chrono::duration<double, std::milli>(Clock::now() - sent).count();
                    ++pings;
                    waiting = false;
                    if (lastPing)
                        settled = msSince(t0);
                    else
                        longest = std::max(longest, wait);
                }
                break;
            }
            default:
                break;
            }
            std::free(ev);
        }
        if (xcb_connection_has_error(c))
            break;
    }
    std::printf("%d %.0f %.0f %.0f %.0f %d\n", int(child), firstMap, allMapped, longest, settled,
                pings);
    return allMapped < 0 ? 1 : 0;
}
