#include "base/Globals.h"

#include <QList>

QString DataPath;
QString AppPath;
qint16 CurrentNoteId = 0;
qint16 CurrentFormIndex = 0;
bool TrayReady = false;
bool Coloridos = false;

namespace {

QList<std::function<void()>> &resets()
{
    static QList<std::function<void()>> all;
    return all;
}

} // namespace

void OnProgramStateReset(std::function<void()> reset)
{
    resets().append(std::move(reset));
}

void ResetProgramState(const QString &dataPath)
{
    AppPath.clear();
    CurrentNoteId = 0;
    CurrentFormIndex = 0;
    TrayReady = false;
    Coloridos = false;
    for (const auto &reset : resets())
        reset();
    DataPath = dataPath;
    if (!DataPath.isEmpty() && !DataPath.endsWith(QLatin1Char('/')))
        DataPath += QLatin1Char('/');
}
