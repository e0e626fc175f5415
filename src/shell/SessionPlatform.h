#pragma once

#include <QByteArray>
#include <QProcessEnvironment>

// Note windows place themselves and stay on top, which a Wayland compositor does not let a
// client do: under Wayland the program runs through XWayland. Empty when Qt's own choice stands
// (not a Wayland session, or the user chose a platform).
QByteArray PlatformForSession(const QProcessEnvironment &env);

// Sets QT_QPA_PLATFORM from PlatformForSession; to be called before QApplication exists.
void ChoosePlatformForSession();
