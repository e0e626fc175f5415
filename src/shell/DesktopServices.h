#pragma once

// The real screen, message boxes, sound, browser and print system of a desktop session, and its
// windows sharing the screen's colormap; the program installs them once its QApplication exists.
void InstallDesktopServices();

// Qt's own texts (standard buttons, common dialogs) in Brazilian Portuguese, whatever the system
// language, like the rest of the program. False when Qt's translations are not installed.
bool LoadQtTranslations();
