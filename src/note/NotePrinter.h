#pragma once

#include <QString>

#include <functional>

class QFont;
class QPrinter;

// The printer every printout goes to. It lives as long as the program, so a printout goes where
// the last one went; the first time it is the system's default printer.
QPrinter &CurrentPrinter();

// Whether the system has any printer at all.
bool AnyPrinterInstalled();

// Without a printer, or when the last printout went to a file, the next one goes to a new PDF
// file named after the document, in the last one's folder (at first the documents folder); the
// printer dialog shows it and the user may choose otherwise. An existing file is never chosen.
void PresetPrintFile(const QString &docName);

// The platform's printer dialog flags that mean something here; 0 prints the whole document.
constexpr qint32 PD_SELECTION = 0x1; // offer printing the selection only
constexpr qint32 PD_PAGENUMS = 0x2;  // offer a page range

// Runs the printer dialog preset from the current printer. OK makes the chosen printer current
// and gives it the chosen copies, orientation, paper size, duplex, quality, colour mode and paper
// source; a choice of Qt's own PDF output makes that the current output. Cancel changes nothing
// and returns false.
bool ShowPrinterDialog(qint32 Flags);

// Tests answer the printer dialog without showing it: the function adjusts the printer it is
// given as the user would and returns true for OK. An empty function shows the dialog again.
void SetPrinterDialogAnswer(std::function<bool(QPrinter &)> answer);

// Prints plain text in one font: its line breaks start new lines, a line wider than the page
// wraps, and text longer than a page goes on to new pages. False when the printer failed, and
// when a printer's queue refused the job, lost it or could not be asked about it.
bool PrintPlainText(QPrinter &printer, const QString &text, const QFont &font);
