#pragma once

#include <QList>
#include <QPoint>
#include <QString>
#include <QtGlobal>

#include <functional>

class frmNote;

// Makes the window of a note: Tag := IdText, caption := Title, shown, and the default character
// format of new text from section Format. Colored gives a note without stored colours random ones.
frmNote *CreateNote(const QString &IdText, const QString &Title, bool Colored);

// Allocates the smallest free note number and records it in indice.dat at once.
qint16 NextNoteId();

// Writes the note windows to the data files: with 0 every note, otherwise only the note with
// that NoteId, but TotalForms and indice.dat are always rebuilt from every open note window.
// False when a file could not be written.
bool SaveNotes(qint16 Id);

// Clears the note's alarm keys; with Index other than 0 also removes the note: its keys, its
// content file, its window at OpenForms index Index and its list entry.
void DeleteNote(qint16 Id, qint16 Index);

// Creates a window for every note and finally sets TrayReady.
void LoadNotes();

// The notes LoadNotes makes, in order: every number indice.dat lists, once, from 1 to 32767
// (one beyond TotalForms only when it was ever saved), then the content files no list names,
// except those of deleted notes.
QList<int> NotesToLoad();

// True while LoadNotes runs: a save then would drop the notes not loaded yet.
bool NotesLoading();

// A note position in twips kept where some screen shows it.
QPoint KeepOnScreen(QPoint twips);

// Why the last SaveNotes that failed failed, naming the folder; for messages and the log.
QString SaveFailureText();

// Tells of the last failed save on standard error and in the system log, and once in a message
// box until a save succeeds again, so that failing saves in the background do not pile up boxes.
void ReportSaveFailure();

// Who opens the note menu when a note window asks for it (the hidden main window).
void SetNoteMenuHandler(std::function<void(frmNote *, const QPoint &, bool onTop)> handler);
