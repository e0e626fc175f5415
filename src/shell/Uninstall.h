#pragma once

// The program started by an uninstaller with the single argument "uninstall": it asks the
// running copy to save and close, and writes nothing itself.
bool IsUninstallCommand(int argc, const char *const *argv);

// Needs a QCoreApplication. Returns the process exit code.
int RunUninstall();
