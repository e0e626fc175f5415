#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

#include <functional>

class QPoint;
class frmNote;

// The note windows and the data files, connected: each window gives and takes a NoteRecord.

// Makes the window of a note: Tag := IdText, caption := Title, shown, and the default character
// format of new text from section Format. Colored gives a note without stored colours random ones.
frmNote *CreateNote(const QString &IdText, const QString &Title, bool Colored);

// Writes the note windows to the data files: with 0 every note, otherwise only the note with
// that NoteId, but TotalForms and indice.dat are always rebuilt from every open note window.
// False when a file could not be written; SaveFailureText() tells why.
bool SaveNotes(qint16 Id);
// SaveNotes (0) without a word to the window system, for when the connection to it is gone: the
// notes as the program holds them, each at its last known position.
bool SaveNotesWithoutDisplay();
// After a save that failed, as the program ends: the text of every note not saved is copied where
// SaveFailureText() then says.
void RescueUnsavedNotes();

// Clears the note's alarm keys; with Index other than 0 also removes the note: its keys, its
// content file, its window at OpenForms index Index and its list entry.
void DeleteNote(qint16 Id, qint16 Index);

// The note menu's "Cor" and the "[Cor]" link: the current note's colours from the colour dialog,
// then its Color1 and Color2 keys written, whether the user changed them or not.
void PersonalizaCurrentNote();

// Creates a window for every note and finally sets TrayReady; from then on the data folder is
// watched for what other programs write into it.
void LoadNotes();
// Makes a LoadNotes under way, or the next one, stop before its next note, for the program to
// end: TrayReady stays false, and the notes not loaded stay listed, in their place, at every save.
void StopLoadingNotes();

// The numbers of the open notes.
QList<int> OpenNoteIds();
// Opens the window of a note the data files hold (one another program added, or the other side
// of a conflict), shown or hidden as stored.
frmNote *OpenStoredNote(int id);

// Who opens the note menu when a note window asks for it (the hidden main window).
void SetNoteMenuHandler(std::function<void(frmNote *, const QPoint &, bool onTop)> handler);
// What the "[Alarme]" link opens: the alarm dialog, which is built on the note windows.
void SetAlarmDialog(std::function<void()> open);
