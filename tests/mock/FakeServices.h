#pragma once

#include "platform/Services.h"

#include <QList>
#include <QQueue>
#include <QStringList>

#include <random>

// Stand-ins for the machine's services. FakeServices installs all five for its lifetime and
// restores the real ones afterwards; its members stay owned by Services.

class FakeClock : public Clock
{
public:
    QDateTime now() const override { return m_now; }
    void setNow(const QDateTime &t) { m_now = t; }

private:
    QDateTime m_now{QDate(2024, 1, 15), QTime(10, 0)};
};

class FakeRandom : public RandomSource
{
public:
    void seed(quint32 value) override
    {
        seeds.append(value);
        m_engine.seed(value);
    }
    // Queued fractions come first; afterwards a fixed-seed sequence keeps runs repeatable.
    double fraction() override;
    void queue(std::initializer_list<double> fractions);

    QList<quint32> seeds;

private:
    QQueue<double> m_queued;
    std::mt19937 m_engine{12345};
};

class FakeScreen : public ScreenInfo
{
public:
    QSize primarySize() const override { return size; }
    QRect workArea() const override { return work; }
    QRect virtualGeometry() const override { return all; }
    QList<QRect> screens() const override { return parts.isEmpty() ? QList<QRect>{all} : parts; }

    QSize size{1024, 768};
    QRect work{0, 0, 1024, 738};
    QRect all{0, 0, 1024, 768};
    QList<QRect> parts; // when empty, one screen of all
};

class FakeMessageBoxes : public MessageBoxes
{
public:
    struct Question
    {
        QString text;
        Buttons buttons;
        Icon icon;
        Answer defaultAnswer;
        QString caption; // as shown: "Notavex" when none was given
    };

    // Without a queued answer the box answers with its default button.
    Answer show(const QString &text, Buttons buttons, Icon icon, Answer defaultAnswer,
                const QString &caption = {}) override;
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
    FakeServices();
    ~FakeServices();
    FakeServices(const FakeServices &) = delete;
    FakeServices &operator=(const FakeServices &) = delete;

    FakeClock *clock;
    FakeRandom *random;
    FakeScreen *screen;
    FakeMessageBoxes *messageBoxes;
    FakeSound *sound;
};
