#pragma once

#include <qnamespace.h>

class QWidget;

// Keeps a top-level window out of the task bar and the window switcher (on X11:
// _NET_WM_STATE_SKIP_TASKBAR and _NET_WM_STATE_SKIP_PAGER). To be called each time the window is
// about to be mapped: a window manager drops the state of a window it no longer shows.
void SkipTaskbar(QWidget *window);

// The type for such a window: a tool window, except through XWayland. There Qt raises a tool
// window before mapping it, and the compositor's window manager may take that for a move to the
// corner of its frame, or not show the window at all (weston 10 does both); a plain window is
// placed as asked, and SkipTaskbar keeps it out of the task bar all the same.
Qt::WindowType TaskbarlessWindowType();
