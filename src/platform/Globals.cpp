#include "platform/Globals.h"

QString DataPath;
QString AppPath;
qint16 CurrentNoteId = 0;
qint16 CurrentFormIndex = 0;
bool TrayReady = false;
bool Coloridos = false;
