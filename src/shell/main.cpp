#include "shell/DesktopServices.h"
#include "shell/FrmPopup.h"
#include "shell/SessionPlatform.h"
#include "shell/Uninstall.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <memory>

int main(int argc, char *argv[])
{
    if (IsUninstallCommand(argc, argv)) {
        QCoreApplication app(argc, argv);
        return RunUninstall();
    }
    // Under Wayland the note windows could neither keep their places nor stay on top: XWayland.
    ChoosePlatformForSession();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Notavex"));
    InstallDesktopServices();
    LoadQtTranslations();
    auto popup = std::make_unique<FrmPopup>();
    if (!popup->startUp())
        return popup->exitCode();
    const int code = app.exec();
    // Everything is saved and the lock and the tray icon go with the main window. What is left
    // are the note windows, which Qt's own teardown would destroy one X round trip at a time;
    // ending here lets the X server drop them all at once.
    popup.reset();
    std::fflush(nullptr);
    std::_Exit(code);
}
