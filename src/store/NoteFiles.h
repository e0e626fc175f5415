#pragma once

#include <QSize>
#include <QString>

#include <optional>

#include "base/FileAccess.h"

// The data folder's three kinds of file. Names match without regard to case: an existing file is
// found and used under whatever case it has.

QString IndexFile();             // DataPath + "Indice.cfg"
QString ListFile();              // DataPath + "indice.dat"
QString ContentFile(int noteId); // DataPath + "notavex<N>.arl"
// The number a note file's name gives ("notavex12.arl" in any letter case), or 0 for any other
// name ("notavex012.arl" included: numbers are written without leading zeros).
int NoteFileNumber(const QString &fileName);

// indice.dat: one line of comma-framed note numbers (",3,1,2,"; the empty list is ",").
// First line of the file, spaces trimmed; empty when the file is missing or not read.
QString ReadListLine();
// The same of a list file at path; none, after telling why, when it exists but is not read.
std::optional<QString> ReadListFile(const QString &path);
bool ListFileExists();
// Writes line (trimmed) followed by CR LF.
bool WriteListLine(const QString &line);

bool ListContains(const QString &line, int noteId);
QString ListAppend(const QString &line, int noteId);

// Replaces the first occurrence of Find until none is left.
QString ReplaceAll(QString Text, const QString &Find, const QString &Replacement);

// The N-th field of a separator-framed list; List gets the separators added at both ends.
QString GetField(QString &List, const QString &Separator, int N);

// The welcome note's three files, byte for byte, for a primary screen of the given pixel size.
bool WriteWelcomeNote(const QString &dataPath, QSize primaryScreenPixels);
