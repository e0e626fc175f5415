#include "base/Services.h"

#include "base/Log.h"

#include <random>

namespace {

class SystemClock : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

class MersenneRandom : public RandomSource
{
public:
    MersenneRandom() : m_engine(std::random_device{}()) {}
    void seed(quint32 value) override { m_engine.seed(value); }
    double fraction() override
    {
        // generate_canonical may round up to 1.0 with some libraries; keep the promise of [0, 1).
        const double f = std::generate_canonical<double, 53>(m_engine);
        return f < 1.0 ? f : 0.0;
    }

private:
    std::mt19937 m_engine;
};

// Without a desktop (tests, a program that has not installed the desktop services yet): a
// screen of a common size, questions answered with their default and written to the log,
// silence, no printer.
class FixedScreen : public ScreenInfo
{
public:
    QSize primarySize() const override { return QSize(1024, 768); }
    QRect workArea() const override { return QRect(0, 0, 1024, 768); }
    QRect virtualGeometry() const override { return QRect(0, 0, 1024, 768); }
    QList<QRect> screens() const override { return {QRect(0, 0, 1024, 768)}; }
};

class LoggedMessageBoxes : public MessageBoxes
{
public:
    Answer show(const QString &text, Buttons buttons, Icon, Answer defaultAnswer,
                const QString &) override
    {
        LogProblem(text);
        return buttons == Ok ? AnswerOk : defaultAnswer;
    }
};

class SilentSound : public SoundPlayer
{
public:
    void play(const QString &) override {}
};

class NoPrintSystem : public PrintSystem
{
public:
    QStringList printerNames() override { return {}; }
    std::optional<QList<Job>> jobs(const QString &) override { return std::nullopt; }
};

class NoLinks : public LinkOpener
{
public:
    void open(const QUrl &) override {}
};

// One service's implementation; the fallback is made when the service is first asked for.
template <typename Interface, typename Fallback> struct Slot
{
    static std::unique_ptr<Interface> &service()
    {
        static std::unique_ptr<Interface> s;
        return s;
    }
    static Interface &get()
    {
        std::unique_ptr<Interface> &s = service();
        if (!s)
            s = std::make_unique<Fallback>();
        return *s;
    }
};

} // namespace

#define NOTAVEX_SERVICE(Interface, Fallback, getter, setter)                                       \
    Interface &getter() { return Slot<Interface, Fallback>::get(); }                               \
    void setter(std::unique_ptr<Interface> s)                                                      \
    {                                                                                              \
        Slot<Interface, Fallback>::service() = std::move(s);                                       \
    }

namespace Services {

NOTAVEX_SERVICE(Clock, SystemClock, clock, setClock)
NOTAVEX_SERVICE(RandomSource, MersenneRandom, random, setRandom)
NOTAVEX_SERVICE(ScreenInfo, FixedScreen, screen, setScreen)
NOTAVEX_SERVICE(MessageBoxes, LoggedMessageBoxes, messageBoxes, setMessageBoxes)
NOTAVEX_SERVICE(SoundPlayer, SilentSound, sound, setSound)
NOTAVEX_SERVICE(PrintSystem, NoPrintSystem, printSystem, setPrintSystem)
NOTAVEX_SERVICE(LinkOpener, NoLinks, links, setLinks)

} // namespace Services
