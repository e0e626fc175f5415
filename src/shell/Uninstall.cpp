#include "shell/Uninstall.h"

#include "shell/DataFolder.h"
#include "shell/SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QThread>

#include <cstring>

bool IsUninstallCommand(int argc, const char *const *argv)
{
    return argc == 2 && std::strcmp(argv[1], "uninstall") == 0;
}

int RunUninstall()
{
    QCoreApplication::setApplicationName(QStringLiteral("Notavex Uninstall"));
    const QString dataPath =
        DataPathFor(GetSpecialFolder(CSIDL_PERSONAL, nullptr), ProgramFolder());
    // A copy that could not move the notes of the home folder runs there.
    const QString homeData = HomeDataPathFor(QDir::homePath());
    // With no copy running there is nothing to ask; the same short wait follows either way.
    SingleInstance::requestClose(HomeFolderWaiting(homeData, dataPath) ? homeData : dataPath);
    for (int i = 0; i < 4; ++i)
        QCoreApplication::processEvents();
    QThread::msleep(100);
    return 0;
}
