#pragma once

class QWidget;

// Places a top-level window in the middle of the screen, frame and caption counted, as a form is
// centred. Called once the window has its final size, before it is shown. The window manager's
// frame is known only once a window is on screen: the first window is put right then, and later
// ones at once with the frame the last one had.
void CenterForm(QWidget *window);
