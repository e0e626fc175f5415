#include "FakeServices.h"

double FakeRandom::fraction()
{
    if (!m_queued.isEmpty())
        return m_queued.dequeue();
    return std::uniform_real_distribution<double>(0.0, 1.0)(m_engine);
}

void FakeRandom::queue(std::initializer_list<double> fractions)
{
    for (double f : fractions)
        m_queued.enqueue(f);
}

MessageBoxes::Answer FakeMessageBoxes::show(const QString &text, Buttons buttons, Icon icon,
                                            Answer defaultAnswer, const QString &caption)
{
    asked.append({text, buttons, icon, defaultAnswer,
                  caption.isEmpty() ? QStringLiteral("Notavex") : caption});
    if (!m_answers.isEmpty())
        return m_answers.dequeue();
    if (buttons == Ok)
        return AnswerOk;
    return defaultAnswer;
}

FakeServices::FakeServices()
{
    auto c = std::make_unique<FakeClock>();
    auto r = std::make_unique<FakeRandom>();
    auto s = std::make_unique<FakeScreen>();
    auto m = std::make_unique<FakeMessageBoxes>();
    auto p = std::make_unique<FakeSound>();
    clock = c.get();
    random = r.get();
    screen = s.get();
    messageBoxes = m.get();
    sound = p.get();
    Services::setClock(std::move(c));
    Services::setRandom(std::move(r));
    Services::setScreen(std::move(s));
    Services::setMessageBoxes(std::move(m));
    Services::setSound(std::move(p));
}

// Fakes of a later fixture may already be in place: only this one's own are taken back.
FakeServices::~FakeServices()
{
    if (&Services::clock() == clock)
        Services::setClock(nullptr);
    if (&Services::random() == random)
        Services::setRandom(nullptr);
    if (&Services::screen() == screen)
        Services::setScreen(nullptr);
    if (&Services::messageBoxes() == messageBoxes)
        Services::setMessageBoxes(nullptr);
    if (&Services::sound() == sound)
        Services::setSound(nullptr);
}
