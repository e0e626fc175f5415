#pragma once

class QWidget;

// Gives a created top-level window the screen's own colormap when it uses the screen's visual.
// Qt on X11 makes a colormap for every window, and screenshot tools that put the screen together
// window by window by colormap (xwd -root) then ignore the window's shape: a shaped window shows
// black where it is cut away. Nothing else changes; elsewhere this does nothing.
void UseScreenColormap(QWidget *window);

// The same for every window the program shows from now on. All of them must share the colormap:
// where windows of two colormaps meet, those tools paint one of them solid black (a message box
// over a note, a note over a file dialog).
void UseScreenColormapForAllWindows();
