#pragma once

#include <QString>

#include <functional>

// When the connection to the X server breaks, Qt's X11 platform says so in a warning and ends the
// program there and then (exit(1)), while typed text may still wait for its save. That warning
// is the last moment the program has: the guard saves the notes from memory, without the window
// system, tells so in one line, and ends the program with status 1.

// True for the warnings Qt's X11 platform gives just before it ends the program because its
// connection to the X server broke.
bool IsDisplayLostMessage(const QString &message);

// Saves through save (true when everything was written; none when the notes were let go of
// already) and returns the one line that tells what came of it.
QString SaveAfterDisplayLost(const std::function<bool()> &save);

// From now on the warning of a broken connection, on the user-interface thread, saves through
// save, tells what came of it on standard error and in the system log and ends the program with
// status 1; the same warning again meanwhile is dropped. Installed again, the new
// save replaces the old.
void InstallDisplayLossGuard(std::function<bool()> save);
