#pragma once

class QWidget;

// Keeps a top-level window out of the task bar and the window switcher (on X11:
// _NET_WM_STATE_SKIP_TASKBAR and _NET_WM_STATE_SKIP_PAGER). To be called each time the window is
// about to be mapped: a window manager drops the state of a window it no longer shows.
void SkipTaskbar(QWidget *window);
