#pragma once

#include <QList>
#include <QPoint>

#include <optional>

class QWidget;

// Where the window system really shows a mapped top-level window. Qt's own idea can be wrong on
// X11: a window manager that reparents many windows at once races Qt's position query, and the
// window is then believed to sit at 0,0 while it is shown where it was put. Empty where the
// window system cannot be asked.
std::optional<QPoint> NativeWindowPosition(const QWidget *window);

// The same for many windows at once, asked in one go: a thousand questions one after the other
// cost a thousand round trips to the window system.
QList<std::optional<QPoint>> NativeWindowPositions(const QList<const QWidget *> &windows);
