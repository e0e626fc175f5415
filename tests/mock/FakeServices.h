#pragma once

#include "base/Services.h"

#include <QList>
#include <QQueue>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>

// Stand-ins for the machine's services. FakeServices installs all of them for its lifetime (so a
// test's next fakes must come after its last are gone); its members stay owned by Services. It
// also gives the desktop's Trash a temporary place, so that what a test deletes never lands in
// the Trash of whoever runs it.

class FakeClock : public Clock
{
public:
    QDateTime now() const override { return time; }
    QDateTime time{QDate(2024, 1, 15), QTime(10, 0)};
};

// Always the same fraction, so that a random place is a known one.
class FakeRandom : public RandomSource
{
public:
    void seed(quint32) override {}
    double fraction() override { return value; }
    double value = 0.5;
};

class FakeScreen : public ScreenInfo
{
public:
    QSize primarySize() const override { return size; }
    QRect workArea() const override { return QRect(QPoint(0, 0), size).adjusted(0, 0, 0, -30); }
    QRect virtualGeometry() const override { return all; }
    QList<QRect> screens() const override { return monitors.isEmpty() ? QList{all} : monitors; }

    QSize size{1024, 768};
    QRect all{0, 0, 1024, 768};
    QList<QRect> monitors; // none: one screen, all of it
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
        Icon icon;
        QString caption;
    };
    Answer show(const QString &text, Buttons buttons, Icon icon, Answer defaultAnswer,
                const QString &caption = {}) override
    {
        asked.append({text, buttons, defaultAnswer, icon, caption});
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

class FakeLinks : public LinkOpener
{
public:
    void open(const QUrl &url) override { opened.append(url); }
    QList<QUrl> opened;
};

class FakeServices
{
public:
    FakeServices() : m_dataHome(qgetenv("XDG_DATA_HOME"))
    {
        qputenv("XDG_DATA_HOME", dataHome.path().toUtf8());
        Services::setClock(std::unique_ptr<Clock>(clock = new FakeClock));
        Services::setRandom(std::unique_ptr<RandomSource>(random = new FakeRandom));
        Services::setScreen(std::unique_ptr<ScreenInfo>(screen = new FakeScreen));
        Services::setMessageBoxes(
            std::unique_ptr<MessageBoxes>(messageBoxes = new FakeMessageBoxes));
        Services::setSound(std::unique_ptr<SoundPlayer>(sound = new FakeSound));
        Services::setLinks(std::unique_ptr<LinkOpener>(links = new FakeLinks));
    }
    ~FakeServices()
    {
        Services::setClock(nullptr);
        Services::setRandom(nullptr);
        Services::setScreen(nullptr);
        Services::setMessageBoxes(nullptr);
        Services::setSound(nullptr);
        Services::setLinks(nullptr);
        if (m_dataHome.isEmpty())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", m_dataHome);
    }
    FakeServices(const FakeServices &) = delete;
    FakeServices &operator=(const FakeServices &) = delete;

    FakeClock *clock;
    FakeRandom *random;
    FakeScreen *screen;
    FakeMessageBoxes *messageBoxes;
    FakeSound *sound;
    FakeLinks *links;
    QTemporaryDir dataHome;
    // The Trash: files/ holds what was deleted, info/ where each came from.
    QString trash() const { return dataHome.path() + u"/Trash"_qs; }

private:
    QByteArray m_dataHome;
};
