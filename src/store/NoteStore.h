#pragma once

#include <QtGlobal>

// Writes the note windows to the data files: with 0 every note, otherwise only the note with
// that NoteId, but TotalForms and indice.dat are always rebuilt from every open note window.
// False when a file could not be written.
bool SaveNotes(qint16 Id);

// Creates a window for every listed note and finally sets TrayReady.
void LoadNotes();
