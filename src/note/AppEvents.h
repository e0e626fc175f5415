#pragma once

#include <functional>

class QWidget;

// Hooks on events of the whole application. They share one filter: a filter on the application
// sees every event of every widget.

// Calls hook for every top-level window the program shows from now on, once its native window is
// made and before it is mapped.
void OnWindowShown(std::function<void(QWidget *)> hook);

// Calls handler, in place of the next, when the application is asked to quit (the session's end
// does): before Qt closes every window. The request is dropped when handler returns true.
void OnQuitRequested(std::function<bool()> handler);
