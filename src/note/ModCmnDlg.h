#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QSettings;

// The per-user settings store of the executable "notavex" (~/.config/Notavex/notavex.conf),
// whatever the running file is called: the colour dialog's custom colours and the file dialogs'
// folder.
std::unique_ptr<QSettings> UserSettings();

// The common file dialogs, with one set of values shared by every caller: what the alarm dialog
// leaves in it (a filter index, a starting folder) is still there for the note's own commands.

// The platform's open/save flags that mean something here.
constexpr qint32 OFN_READONLY = 0x1;         // read-only box ticked (there is none: ignored)
constexpr qint32 OFN_OVERWRITEPROMPT = 0x2;  // the save dialog asks before replacing a file
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

// Run the open or save dialog on FileDialogSettings. On OK they set FileName, FileTitle and
// FilterIndex; a cancel changes nothing. Without an InitDir the dialog opens in the folder of the
// file last chosen in any of them, kept in UserSettings, or else in the documents folder.
void ShowOpenDialog();
void ShowSaveDialog();
// The folder they open in now.
QString FileDialogFolder();

// Tests answer the next open or save dialog without showing it: a path as if chosen, or "" as a
// cancel.
void SetNextFileName(const QString &answer);

// Path with its file name's extension replaced by Extension ("" removes it). A dot in a folder
// name or at the start of the file name is no extension.
QString ChangeExtension(const QString &Path, const QString &Extension);
// Text up to its first NUL, or all of it.
QString TrimAtNul(const QString &Text);

// The font dialog, with one record shared by every caller: what the options dialog leaves in it is
// what a note's font command keeps for what a mixed selection cannot tell.
struct FontRecord
{
    QString Name;
    qint16 Size = 0; // whole points
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeThru = false;
    quint32 Color = 0; // Windows colour value
    QPointer<QWidget> Owner;
};

extern FontRecord FontChoice;

// Runs the font dialog preset from FontChoice; NoEffects leaves out colour, underline and
// strikeout (they are kept as they are). OK writes the choice to FontChoice and gives true; a
// cancel changes nothing.
bool ShowFontDialog(bool NoEffects);

// Tests answer the font dialog without showing it: given the preset and NoEffects, the record to
// return as if confirmed, or none as a cancel. An empty function shows the dialog again.
using FontDialogAnswer = std::function<std::optional<FontRecord>(const FontRecord &, bool)>;
void SetFontDialogAnswer(FontDialogAnswer answer);
