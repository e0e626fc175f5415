#include "note/TopMost.h"

#include "note/AppEvents.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

void SetWindowTopmost(QWidget *window, bool on)
{
    if (!window)
        return;
    QWindow *handle = window->windowHandle();
    if (!handle) {
        // No native window yet: the flag is simply taken along when it is created.
        window->setWindowFlag(Qt::WindowStaysOnTopHint, on);
        return;
    }
    // QWidget::setWindowFlags() would hide and re-create the native window, which flickers and
    // drops the focus. The native window changes its state in place (on X11: _NET_WM_STATE_ABOVE);
    // the widget's own copy of the flags is kept in step without touching the window.
    Qt::WindowFlags flags = window->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, on);
    window->overrideWindowFlags(flags);
    handle->setFlag(Qt::WindowStaysOnTopHint, on);
    if (on && window->isVisible())
        window->raise();
}

bool IsWindowTopmost(const QWidget *window)
{
    if (!window)
        return false;
    if (const QWindow *handle = window->windowHandle())
        return handle->flags().testFlag(Qt::WindowStaysOnTopHint);
    return window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void KeepDialogsOnTop()
{
    static bool installed = false;
    if (installed || !qGuiApp)
        return;
    installed = true;
    OnWindowShown([](QWidget *window) {
        // Before the window is mapped, so that it appears in its place.
        if (window->windowType() == Qt::Dialog && !IsWindowTopmost(window))
            SetWindowTopmost(window, true);
    });
}
