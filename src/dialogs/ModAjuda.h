#pragma once

#include <QString>

#include <functional>

// The help file and the "Ajuda" commands that open it.

// Opens the help viewer on Topic of HelpFile; whatever goes wrong is left to the viewer.
void ShowHelpTopic(const QString &HelpFile, const QString &Topic);

// Who shows a topic. Until a viewer is given, the program's own help window does (HelpViewer).
// Tests give their own; an empty function puts the help window back.
void SetHelpViewer(std::function<void(const QString &file, const QString &topic)> viewer);

// What an "Ajuda" command says when the help file is missing: the tray and note menus and the
// options the short text, the list dialogs and the alarm dialog the long one.
enum class HelpMissing { Short, Long };

// An "Ajuda" command: AppPath + "Notavex.chm" opened at Topic, or, when there is no such file (a
// folder of that name does not count), the message, titled "Ajuda do Windows".
void AbrirAjuda(const QString &Topic, HelpMissing message);
