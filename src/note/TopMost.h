#pragma once

class QWidget;

// Keeps a top-level window above all others, or ends that. A shown window keeps its place on screen
// and its focus: it is neither hidden nor re-created.
void SetWindowTopmost(QWidget *window, bool on);

bool IsWindowTopmost(const QWidget *window);
