#pragma once

#include <QString>
#include <QtGlobal>

#include <array>

// The colour rules of a note, on Windows colour values (0x00BBGGRR). No widgets here.

// The 23 colours a new note may get by chance.
extern const std::array<quint32, 23> NoteColorTable;

// Row int(fraction * 23) + 1 of the table, the fraction from Services::random().
quint32 RandomNoteColor();

// The title strip's colour for a body colour: each channel a little darker, never below 0.
quint32 StripColorFor(quint32 body);

// The colour dialog's 16 custom colours, shared by every note.
using ColorList = std::array<quint32, 16>;
extern ColorList CustomColors;

// As kept in the settings store: 16 decimal numbers joined by ",".
QString CustomColorsText(const ColorList &colors);
// What the store held; a missing value gives 16 whites. A short or damaged list keeps white
// where it has no number.
ColorList CustomColorsFromText(const QString &text);
