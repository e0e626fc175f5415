#pragma once

#include <QDateTime>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>
#include <optional>

// What the program needs from the machine, behind small interfaces so that tests can replace
// the clock, chance, the screen, message boxes, sound, the browser and the print system.

class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class RandomSource
{
public:
    virtual ~RandomSource() = default;
    virtual void seed(quint32 value) = 0;
    // Uniform in [0, 1).
    virtual double fraction() = 0;
};

class ScreenInfo
{
public:
    virtual ~ScreenInfo() = default;
    // The whole primary screen, in pixels.
    virtual QSize primarySize() const = 0;
    // The primary screen's area not covered by panels, in pixels.
    virtual QRect workArea() const = 0;
    // The bounding rectangle of all screens, in pixels.
    virtual QRect virtualGeometry() const = 0;
    // Each screen's rectangle, in pixels.
    virtual QList<QRect> screens() const = 0;
};

class MessageBoxes
{
public:
    enum Buttons { Ok, YesNo, YesNoCancel };
    enum Icon { NoIcon, Information, Question, Warning, Critical };
    enum Answer { AnswerOk, AnswerYes, AnswerNo, AnswerCancel };
    virtual ~MessageBoxes() = default;
    // An empty caption shows the application title "Notavex".
    virtual Answer show(const QString &text, Buttons buttons, Icon icon, Answer defaultAnswer,
                        const QString &caption = {}) = 0;
};

class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    // Plays a wave file asynchronously; a new sound replaces one still playing. A missing file
    // plays the platform's default beep.
    virtual void play(const QString &path) = 0;
};

// The machine's print system, as far as the printer dialog and a printout need it: which
// printers there are, and what became of a job sent to one.
class PrintSystem
{
public:
    struct Job
    {
        int id = 0; // later jobs have larger numbers
        QString name;
        bool failed = false; // aborted or cancelled: it will not be printed
    };
    virtual ~PrintSystem() = default;
    // The installed printers' names, in the print system's order.
    virtual QStringList printerNames() = 0;
    // This user's jobs on a queue, finished ones included; no value when the print system does
    // not answer.
    virtual std::optional<QList<Job>> jobs(const QString &queue) = 0;
};

class LinkOpener
{
public:
    virtual ~LinkOpener() = default;
    // Opens the address in the desktop's browser or mail program.
    virtual void open(const QUrl &url) = 0;
};

namespace Services {

Clock &clock();
RandomSource &random();
ScreenInfo &screen();
MessageBoxes &messageBoxes();
SoundPlayer &sound();
PrintSystem &printSystem();
LinkOpener &links();

// Tests install fakes, the program the desktop's services; nullptr restores the built-in ones
// (the system clock and random source, a fixed 1024 x 768 screen, message boxes that only log
// their text and answer with their default, silence, no printer, links that open nowhere).
void setClock(std::unique_ptr<Clock> c);
void setRandom(std::unique_ptr<RandomSource> r);
void setScreen(std::unique_ptr<ScreenInfo> s);
void setMessageBoxes(std::unique_ptr<MessageBoxes> m);
void setSound(std::unique_ptr<SoundPlayer> s);
void setPrintSystem(std::unique_ptr<PrintSystem> p);
void setLinks(std::unique_ptr<LinkOpener> l);

} // namespace Services
