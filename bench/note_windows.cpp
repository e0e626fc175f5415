// Creates and shows 100 note windows and prints how long that took.
#include "base/Globals.h"
#include "note/frmNote.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

QtMessageHandler previous = nullptr;

// Platforms without masks or stacking say so once per window; that is no news here.
void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &msg)
{
    if (msg.startsWith(u"This plugin does not support"_qs))
        return;
    if (previous)
        previous(type, context, msg);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    previous = qInstallMessageHandler(quietHandler);
    QTemporaryDir dir;
    DataPath = dir.path() + u'/';
    TrayReady = false;

    constexpr int Count = 100;
    std::vector<std::unique_ptr<frmNote>> notes;
    notes.reserve(Count);

    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < Count; ++i) {
        auto note = std::make_unique<frmNote>();
        note->setAttribute(Qt::WA_DeleteOnClose, false);
        note->SetTag(QString::number(i + 1));
        note->Form_Load();
        note->move(20 + (i % 10) * 40, 20 + (i / 10) * 30);
        note->txtTitle->setText(QStringLiteral("Nota %1").arg(i + 1));
        note->show();
        notes.push_back(std::move(note));
    }
    const qint64 created = timer.nsecsElapsed();
    // Let every window map and paint once.
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5000);
    const qint64 painted = timer.nsecsElapsed();

    std::printf("platform: %s\n", qUtf8Printable(QGuiApplication::platformName()));
    std::printf("note windows: %d\n", Count);
    std::printf("create and show: %.1f ms (%.2f ms per window)\n", created / 1e6,
                created / 1e6 / Count);
    std::printf("until events processed: %.1f ms\n", painted / 1e6);
    return 0;
}
