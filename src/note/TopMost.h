#pragma once

class QWidget;

// Keeps a top-level window above all others, or ends that. A shown window keeps its place on screen
// and its focus: it is neither hidden nor re-created.
void SetWindowTopmost(QWidget *window, bool on);

bool IsWindowTopmost(const QWidget *window);

// Every dialog shown from now on, the common dialogs and message boxes included, is kept above all
// other windows: below an always-on-top note, or below the note it came from, it could not be
// found and the program would seem to hang.
void KeepDialogsOnTop();
