#pragma once

#include <QString>

class QWidget;

// The ordered list of open windows: index 0 is FrmPopup, a created window is appended, closing one
// removes it and moves the later ones down. A window's "Tag" property (QString) holds a NoteId for
// note windows; other windows leave it empty.
namespace OpenForms {

int count();
QWidget *at(int index);        // nullptr outside the list
int indexOf(const QWidget *w); // -1 when absent
void add(QWidget *w);
void remove(const QWidget *w);

// The NoteId in a window's Tag, or 0 when the Tag holds none.
int noteIdOf(const QWidget *w);

} // namespace OpenForms

// Index of the first window whose Tag, read as a number, equals Id; 0 when none does.
int FindNoteFormIndex(int Id);
