#pragma once

#include <functional>

class QWidget;

// Calls hook for every top-level window the program shows from now on, once its native window is
// made and before it is mapped. All hooks share one filter: a filter on the application sees every
// event of every widget.
void OnWindowShown(std::function<void(QWidget *)> hook);
