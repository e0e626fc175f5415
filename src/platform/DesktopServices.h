#pragma once

// The real screen, message boxes and sound of a desktop session; the program installs them once
// its QApplication exists.
void InstallDesktopServices();
