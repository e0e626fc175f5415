#include "shell/SessionPlatform.h"

QByteArray PlatformForSession(const QProcessEnvironment &env)
{
    if (!env.value(QStringLiteral("QT_QPA_PLATFORM")).isEmpty())
        return {};
    const bool wayland = !env.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty() ||
                         env.value(QStringLiteral("XDG_SESSION_TYPE")) == QLatin1String("wayland");
    if (!wayland)
        return {};
    // A session without XWayland has no DISPLAY: running natively beats not running.
    if (env.value(QStringLiteral("DISPLAY")).isEmpty())
        return QByteArrayLiteral("xcb;wayland");
    return QByteArrayLiteral("xcb");
}

void ChoosePlatformForSession()
{
    const QByteArray platform = PlatformForSession(QProcessEnvironment::systemEnvironment());
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform);
}
