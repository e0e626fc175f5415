#pragma once

#include <QString>

// Problems the user should hear about even when nobody sits at the screen: standard error and
// the system log.
void LogProblem(const QString &message);

// A short Portuguese description of a system error number, for messages about files.
QString SystemErrorText(int error);
