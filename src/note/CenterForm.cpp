#include "note/CenterForm.h"

#include "base/Services.h"

#include <QEvent>
#include <QMargins>
#include <QWidget>
#include <QWindow>

namespace {

// The frame the window manager gave the last window placed; none before the first is shown.
QMargins &lastFrame()
{
    static QMargins frame;
    return frame;
}

// Where the frame's top left corner goes.
QPoint framePosition(const QWidget *window, const QMargins &frame)
{
    const QSize screen = Services::screen().primarySize();
    const QSize outer = window->size().grownBy(frame);
    return {(screen.width() - outer.width()) / 2, (screen.height() - outer.height()) / 2};
}

// Places the window again once its frame is known, if that is not the one it was placed with; a
// window the user moves afterwards stays where it was put.
class FrameWatch : public QObject
{
public:
    explicit FrameWatch(QWidget *window) : QObject(window) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *window = static_cast<QWidget *>(watched);
        if (event->type() == QEvent::Hide) {
            deleteLater();
        } else if ((event->type() == QEvent::Show || event->type() == QEvent::Move) &&
                   window->windowHandle()) {
            const QMargins frame = window->windowHandle()->frameMargins();
            if (!frame.isNull()) {
                if (frame != lastFrame()) {
                    lastFrame() = frame;
                    window->move(framePosition(window, frame));
                }
                window->removeEventFilter(this);
                deleteLater();
            }
        }
        return false;
    }
};

} // namespace

void CenterForm(QWidget *window)
{
    if (!window || !window->isWindow())
        return;
    // A top-level window's position is its frame's.
    window->move(framePosition(window, lastFrame()));
    new FrameWatch(window);
}
