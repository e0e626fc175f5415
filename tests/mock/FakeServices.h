#pragma once

#include "platform/Services.h"

#include <QList>
#include <QQueue>
#include <QStringList>

#include <random>

// Stand-ins for the machine's services. FakeServices installs all five for its lifetime and then
// takes back those still in place; its members stay owned by Services.

class FakeClock : public Clock
{
public:
    QDateTime now() const override { return m_now; }
    void setNow(const QDateTime &t) { m_now = t; }

private:
    QDateTime m_now{QDate(2024, 1, 15), QTime(10, 0)};
};

// Queued fractions come first; afterwards a fixed-seed sequence keeps runs repeatable.
class FakeRandom : public RandomSource
{
public:
    void seed(quint32 value) override { m_engine.seed(value); }
    double fraction() override
    {
        return m_queued.isEmpty() ? std::uniform_real_distribution<double>(0, 1)(m_engine)
                                  : m_queued.dequeue();
    }
    void queue(std::initializer_list<double> fractions) { m_queued.append(fractions); }

private:
    QQueue<double> m_queued;
    std::mt19937 m_engine{12345};
};

class FakeScreen : public ScreenInfo
{
public:
    QSize primarySize() const override { return size; }
    QRect workArea() const override { return QRect(QPoint(0, 0), size).adjusted(0, 0, 0, -30); }
    QRect virtualGeometry() const override { return all; }
    QList<QRect> screens() const override { return {all}; }

    QSize size{1024, 768};
    QRect all{0, 0, 1024, 768};
};

// Without a queued answer a box answers with its default button.
class FakeMessageBoxes : public MessageBoxes
{
public:
    struct Question
    {
        QString text;
        Buttons buttons;
        Answer defaultAnswer;
    };
    Answer show(const QString &text, Buttons buttons, Icon, Answer defaultAnswer,
                const QString & = {}) override
    {
        asked.append({text, buttons, defaultAnswer});
        return !m_answers.isEmpty() ? m_answers.dequeue()
               : buttons == Ok      ? AnswerOk
                                    : defaultAnswer;
    }
    void setNextAnswer(Answer a) { m_answers.enqueue(a); }

    QList<Question> asked;

private:
    QQueue<Answer> m_answers;
};

class FakeSound : public SoundPlayer
{
public:
    void play(const QString &path) override { played.append(path); }
    QStringList played;
};

class FakeServices
{
public:
    FakeServices()
    {
        Services::setClock(std::unique_ptr<Clock>(clock = new FakeClock));
        Services::setRandom(std::unique_ptr<RandomSource>(random = new FakeRandom));
        Services::setScreen(std::unique_ptr<ScreenInfo>(screen = new FakeScreen));
        Services::setMessageBoxes(
            std::unique_ptr<MessageBoxes>(messageBoxes = new FakeMessageBoxes));
        Services::setSound(std::unique_ptr<SoundPlayer>(sound = new FakeSound));
    }
    ~FakeServices()
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
    FakeServices(const FakeServices &) = delete;
    FakeServices &operator=(const FakeServices &) = delete;

    FakeClock *clock;
    FakeRandom *random;
    FakeScreen *screen;
    FakeMessageBoxes *messageBoxes;
    FakeSound *sound;
};
