#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

// The common file dialogs, with one set of values shared by every caller: what the alarm dialog
// leaves in it (a filter index, a starting folder) is still there for the note's own commands.

// The platform's open/save flags that mean something here.
constexpr qint32 OFN_READONLY = 0x1;         // read-only box ticked (there is none: ignored)
constexpr qint32 OFN_HIDEREADONLY = 0x4;     // ... and hidden
constexpr qint32 OFN_FILEMUSTEXIST = 0x1000; // only an existing file can be chosen

struct FileDialogRecord
{
    QPointer<QWidget> Owner; // the dialog's owner window; none when nobody set it or it is gone
    QString Filter;          // description and pattern pairs, all parts separated by "|"
    QString FileTitle;       // out: the chosen file's name without folder
    qint32 FilterIndex = 0;  // in and out: the selected pair, from 1
    QString FileName;        // out: the chosen full path; set to "" before, tested after
    QString InitDir;         // "" lets the dialog choose
    QString DialogTitle;     // "" gives the dialog's own title
    qint32 Flags = 0;
};

extern FileDialogRecord FileDialogSettings;

// Runs the open dialog on FileDialogSettings. On OK it sets FileName, FileTitle and FilterIndex;
// a cancel changes nothing.
void ShowOpenDialog();

// Tests answer the next open dialog without showing it: a path as if chosen, or "" as a cancel.
void SetNextFileName(const QString &answer);
