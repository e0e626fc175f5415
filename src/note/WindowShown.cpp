#include "note/WindowShown.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>

#include <vector>

namespace {

class ShowFilter : public QObject
{
public:
    using QObject::QObject;
    std::vector<std::function<void(QWidget *)>> hooks;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto *widget = static_cast<QWidget *>(watched);
            if (widget->isWindow()) {
                for (const auto &hook : hooks)
                    hook(widget);
            }
        }
        return false;
    }
};

} // namespace

void OnWindowShown(std::function<void(QWidget *)> hook)
{
    static ShowFilter *filter = nullptr;
    if (!qGuiApp)
        return;
    if (!filter) {
        filter = new ShowFilter(qGuiApp);
        qGuiApp->installEventFilter(filter);
    }
    filter->hooks.push_back(std::move(hook));
}
