#include "platform/DesktopServices.h"
#include "shell/FrmPopup.h"
#include "shell/Uninstall.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    if (IsUninstallCommand(argc, argv)) {
        QCoreApplication app(argc, argv);
        return RunUninstall();
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Notavex"));
    InstallDesktopServices();
    LoadQtTranslations();
    FrmPopup popup;
    if (!popup.startUp())
        return popup.exitCode();
    return app.exec();
}
