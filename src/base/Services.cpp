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

template <typename Interface, typename Real> struct Slot
{
    std::unique_ptr<Interface> service;
    Interface &get()
    {
        if (!service)
            service = std::make_unique<Real>();
        return *service;
    }
};

Slot<Clock, SystemClock> &clockSlot()
{
    static Slot<Clock, SystemClock> s;
    return s;
}
Slot<RandomSource, MersenneRandom> &randomSlot()
{
    static Slot<RandomSource, MersenneRandom> s;
    return s;
}
Slot<ScreenInfo, FixedScreen> &screenSlot()
{
    static Slot<ScreenInfo, FixedScreen> s;
    return s;
}
Slot<MessageBoxes, LoggedMessageBoxes> &messageBoxSlot()
{
    static Slot<MessageBoxes, LoggedMessageBoxes> s;
    return s;
}
Slot<SoundPlayer, SilentSound> &soundSlot()
{
    static Slot<SoundPlayer, SilentSound> s;
    return s;
}
Slot<LinkOpener, NoLinks> &linkSlot()
{
    static Slot<LinkOpener, NoLinks> s;
    return s;
}

Slot<PrintSystem, NoPrintSystem> &printSlot()
{
    static Slot<PrintSystem, NoPrintSystem> s;
    return s;
}

} // namespace

namespace Services {

Clock &clock()
{
    return clockSlot().get();
}
RandomSource &random()
{
    return randomSlot().get();
}
ScreenInfo &screen()
{
    return screenSlot().get();
}
MessageBoxes &messageBoxes()
{
    return messageBoxSlot().get();
}
SoundPlayer &sound()
{
    return soundSlot().get();
}
PrintSystem &printSystem()
{
    return printSlot().get();
}
LinkOpener &links()
{
    return linkSlot().get();
}

void setClock(std::unique_ptr<Clock> c)
{
    clockSlot().service = std::move(c);
}
void setRandom(std::unique_ptr<RandomSource> r)
{
    randomSlot().service = std::move(r);
}
void setScreen(std::unique_ptr<ScreenInfo> s)
{
    screenSlot().service = std::move(s);
}
void setMessageBoxes(std::unique_ptr<MessageBoxes> m)
{
    messageBoxSlot().service = std::move(m);
}
void setSound(std::unique_ptr<SoundPlayer> s)
{
    soundSlot().service = std::move(s);
}
void setPrintSystem(std::unique_ptr<PrintSystem> p)
{
    printSlot().service = std::move(p);
}
void setLinks(std::unique_ptr<LinkOpener> l)
{
    linkSlot().service = std::move(l);
}

} // namespace Services
