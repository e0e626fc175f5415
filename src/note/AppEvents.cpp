#include "note/AppEvents.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>

#include <vector>

namespace {

class AppFilter : public QObject
{
public:
    using QObject::QObject;
    std::vector<std::function<void(QWidget *)>> shown;
    std::function<bool()> quit;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto *widget = static_cast<QWidget *>(watched);
            if (widget->isWindow()) {
                for (const auto &hook : shown)
                    hook(widget);
            }
        } else if (event->type() == QEvent::Quit && watched == qGuiApp && quit) {
            return quit();
        }
        return false;
    }
};

AppFilter *appFilter()
{
    static AppFilter *filter = nullptr;
    if (!filter && qGuiApp) {
        filter = new AppFilter(qGuiApp);
        qGuiApp->installEventFilter(filter);
    }
    return filter;
}

} // namespace

void OnWindowShown(std::function<void(QWidget *)> hook)
{
    if (AppFilter *filter = appFilter())
        filter->shown.push_back(std::move(hook));
}

void OnQuitRequested(std::function<bool()> handler)
{
    if (AppFilter *filter = appFilter())
        filter->quit = std::move(handler);
}
