#pragma once

#include "base/FileStamp.h"

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QString>
#include <QtGlobal>

#include <optional>

// The notes as the data files hold them, without any window: the note windows give and take
// NoteRecords, and the operations that connect both (CreateNote, SaveNotes, LoadNotes,
// DeleteNote) live above this layer.

constexpr int TwipsPerPixel = 15;
constexpr int NoteWidthPixels = 182;
constexpr int NoteHeightPixels = 198;

// One note's keys and content file. Positions are in twips.
struct NoteRecord
{
    qint16 id = 0;
    QString title;
    std::optional<int> top; // none when nothing is stored: the window keeps its place
    std::optional<int> left;
    quint32 color1 = 0x52E9FE;
    quint32 color2 = 8912895;
    bool visible = true;
    bool onTop = false;
    bool alarm = false;
    // The content file's bytes as read, or the bytes to write at a save; none when the file is
    // missing, could not be read, or is not to be written.
    std::optional<QByteArray> content;
    QString contentProblem;    // why a file in the content file's place was not read, in words
    // The content file as it was when read; at a save, the version the content may replace, and
    // then the version written.
    FileStamp contentStamp;
    bool contentSaved = false; // set by SaveNoteRecords when content was written
    // Set by SaveNoteRecords when another program had replaced the version the content was to
    // replace: nothing was written over it.
    bool contentChangedOutside = false;
};

// The note's keys with their defaults, and its content file.
NoteRecord ReadNoteRecord(qint16 id);
// The keys alone.
NoteRecord ReadNoteKeys(qint16 id);

// Writes TotalForms and indice.dat for the listed notes (newest first), and the keys and, where
// given, the content of each record. One replacement of Indice.cfg however many notes there are.
// False when a file could not be written; SaveFailureText() then tells why.
bool SaveNoteRecords(const QList<qint16> &listed, QList<NoteRecord> &records);

// Clears the note's alarm keys; with whole also its other keys and moves its content file to the
// desktop's Trash.
void DeleteNoteData(qint16 Id, bool whole);
// The note's section is that of a deleted note: Tag kept, its other keys emptied.
bool DeletedSection(int id);
// Takes a removed note out of indice.dat; remaining is the number of notes still open.
void UnlistNote(qint16 Id, int remaining);

// Allocates the smallest number no note uses (open, listed, with a content file in any letter
// case, or with keys of a note not deleted) and records it in indice.dat at once, the list
// completed first with the notes the folder holds that it misses.
qint16 NextNoteId(const QList<int> &open = {});

// The notes to load, in order: every number indice.dat lists, once, from 1 to 32767 (one beyond
// TotalForms only when it was ever saved), then the content files no list names, except those of
// deleted notes.
QList<int> NotesToLoad();

// While notes load, a save would drop those not loaded yet.
bool NotesLoading();
void SetNotesLoading(bool loading);

// A note position in twips kept where some screen shows it.
QPoint KeepOnScreen(QPoint twips);

// The character format of new text in an empty note, from section Format.
struct NewTextFormat
{
    bool bold = false;
    quint32 color = 0;
    QString fontName = QStringLiteral("Arial");
    double fontSize = 9.75;
    bool italic = false;
    bool strikethrough = false;
    bool underline = false;
};
NewTextFormat ReadNewTextFormat();

// Why the last save that failed failed, naming the folder; empty after a save that worked.
QString SaveFailureText();
// After a save that failed, as the program ends: writes each note's text (its number, and RTF)
// to a folder of the user's own outside the data folder, and adds where to SaveFailureText().
void RescueNoteTexts(const QList<std::pair<qint16, QByteArray>> &texts);
// Makes the save under way a failed one, for the reason LastWriteFailure gives; returns false.
bool FailSave();
// Tells of the last failed save on standard error and in the system log, and once in a message
// box until a save succeeds again, so that failing saves in the background do not pile up boxes.
void ReportSaveFailure();
