#include "shell/DisplayLoss.h"

#include "base/Log.h"
#include "store/NoteStore.h"

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

std::function<bool()> &saver()
{
    static std::function<bool()> save;
    return save;
}

QtMessageHandler previousHandler = nullptr;
std::atomic_flag handling = ATOMIC_FLAG_INIT;

void onMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const bool onUserInterfaceThread =
        QCoreApplication::instance() && QThread::currentThread() == qApp->thread();
    // The notes' windows and documents belong to the user-interface thread.
    if (type != QtWarningMsg || !onUserInterfaceThread || !IsDisplayLostMessage(message)) {
        if (previousHandler)
            previousHandler(type, context, message);
        return;
    }
    // Told again while the first report is being handled: nothing new to say.
    if (handling.test_and_set())
        return;
    LogProblem(SaveAfterDisplayLost(saver()));
    std::fflush(nullptr);
    // Qt's exit() would run the destructors of a program whose windows cannot be reached any
    // more, and say more of it on standard error.
    std::_Exit(1);
}

} // namespace

bool IsDisplayLostMessage(const QString &message)
{
    // "The X11 connection broke (error 1). Did the X11 server die?" from the event loop, and
    // "The X11 connection broke: I/O error (code 1)" from Xlib's I/O error handler.
    return message.startsWith(QLatin1String("The X11 connection broke"));
}

QString SaveAfterDisplayLost(const std::function<bool()> &save)
{
    // Without a saver the program has let go of its notes, saved or told of as not saved.
    const bool saved = save ? save() : SaveFailureText().isEmpty();
    QString text = saved ? u"a conexão com a tela foi perdida; as notas foram salvas e o Notavex "
                           u"foi encerrado."_qs
                         : u"a conexão com a tela foi perdida e o Notavex foi encerrado. "_qs +
                               SaveFailureText();
    return text.replace(QLatin1Char('\n'), QLatin1Char(' '));
}

void InstallDisplayLossGuard(std::function<bool()> save)
{
    saver() = std::move(save);
    static const bool installed = [] {
        previousHandler = qInstallMessageHandler(onMessage);
        return true;
    }();
    Q_UNUSED(installed);
}
