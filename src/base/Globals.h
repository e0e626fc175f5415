#pragma once

#include <QString>

#include <functional>

// Process-wide values. Each is set by the part of the program that owns it and read everywhere.

// The per-user data folder and the program's asset folder; both end with a separator.
extern QString DataPath;
extern QString AppPath;

// The note that last made itself current, and its index in OpenForms.
extern qint16 CurrentNoteId;
extern qint16 CurrentFormIndex;

// Lets the tray icon open its menu: false while notes load and while a dialog is open.
extern bool TrayReady;

// New notes get random colours.
extern bool Coloridos;

// Puts every value above back to its start and empties the caches kept beside them (file names,
// parsed settings files, the store's state), then sets DataPath. Tests start each case with it.
void ResetProgramState(const QString &dataPath = {});

// Registers what ResetProgramState must also clear.
void OnProgramStateReset(std::function<void()> reset);
