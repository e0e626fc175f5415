#pragma once

#include <QList>
#include <QString>

// The data folder as others leave it. Synchronisation tools keep both sides of a file two
// computers changed at once, the other side as a "conflict copy" beside it; a folder copied from
// a system that ignores letter case may hold two note files that differ only in case. None of
// them may be lost or shown twice.

// The file a conflict copy made by a synchronisation tool stands for ("notavex3.arl",
// "Indice.cfg" or "indice.dat", in the letter case the copy has), or empty when fileName is not
// a conflict copy of one of the program's files.
QString ConflictCopyOf(const QString &fileName);

// Takes over into Indice.cfg the keys it lacks from a conflict copy of it, then removes the copy.
// False, with the copy left in place, when Indice.cfg could not be written.
bool MergeIndexCopy(const QString &copyPath);

// Makes the other side of a conflict, or a note file that differs from a note's own only in
// letter case, a note of its own: the file becomes the content file of a new number, and the new
// note gets the keys of note `from` with " (conflito)" after its title, placed beside it. The
// numbers of open notes are never given. Returns the new number, or 0 when the file stays where
// it is (it could not be renamed).
int AdoptAsNewNote(const QString &path, int from, const QList<int> &open);

// The same for a version of note `from` the program holds in memory: it is written as the content
// file of a new number. Returns the new number, or 0 when it could not be written.
int KeepAsNewNote(const QByteArray &content, int from, const QList<int> &open);

// Puts the folder in order: conflict copies of Indice.cfg and indice.dat are merged into them and
// removed; conflict copies of note files and note files that differ from a note's own only in
// letter case become notes of their own. Returns the numbers of the new notes.
QList<int> TidyNoteFolder(const QList<int> &open);

// Every note number in use: open, listed, or with a content file in any letter case.
QList<int> NoteIdsInUse(const QList<int> &open);
