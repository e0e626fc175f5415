#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

// Runs action on the modal dialog once one is open: a dialog opened by a menu item returns only
// when it is closed, so the test acts from inside its event loop.
inline void WhenModal(QObject *context, const std::function<void(QWidget *)> &action)
{
    QTimer::singleShot(0, context, [=] {
        if (QWidget *w = QApplication::activeModalWidget())
            action(w);
        else
            WhenModal(context, action);
    });
}
