#include "platform/Services.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QSoundEffect>
#include <QTranslator>
#include <QUrl>

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

class PrimaryScreen : public ScreenInfo
{
public:
    QSize primarySize() const override
    {
        const QScreen *s = QGuiApplication::primaryScreen();
        return s ? s->size() : QSize(1024, 768);
    }
    QRect workArea() const override
    {
        const QScreen *s = QGuiApplication::primaryScreen();
        return s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
    }
    QRect virtualGeometry() const override
    {
        const QScreen *s = QGuiApplication::primaryScreen();
        return s ? s->virtualGeometry() : QRect(0, 0, 1024, 768);
    }
    QList<QRect> screens() const override
    {
        QList<QRect> all;
        for (const QScreen *s : QGuiApplication::screens())
            all.append(s->geometry());
        if (all.isEmpty())
            all.append(QRect(0, 0, 1024, 768));
        return all;
    }
};

class WidgetMessageBoxes : public MessageBoxes
{
public:
    Answer show(const QString &text, Buttons buttons, Icon icon, Answer defaultAnswer,
                const QString &caption) override
    {
        QMessageBox box;
        box.setWindowTitle(caption.isEmpty() ? QStringLiteral("Notavex") : caption);
        box.setText(text);
        switch (icon) {
        case NoIcon:
            box.setIcon(QMessageBox::NoIcon);
            break;
        case Information:
            box.setIcon(QMessageBox::Information);
            break;
        case Question:
            box.setIcon(QMessageBox::Question);
            break;
        case Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case Critical:
            box.setIcon(QMessageBox::Critical);
            break;
        }
        if (buttons == YesNo || buttons == YesNoCancel) {
            const bool cancel = buttons == YesNoCancel;
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No |
                                   (cancel ? QMessageBox::Cancel : QMessageBox::NoButton));
            box.setDefaultButton(defaultAnswer == AnswerYes  ? QMessageBox::Yes
                                 : defaultAnswer == AnswerNo ? QMessageBox::No
                                                             : QMessageBox::Cancel);
            box.setEscapeButton(cancel ? QMessageBox::Cancel : QMessageBox::No);
        } else {
            box.setStandardButtons(QMessageBox::Ok);
            box.setDefaultButton(QMessageBox::Ok);
        }
        // The program has no visible main window; a box hidden behind an always-on-top note
        // would look like a freeze.
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
        const int result = box.exec();
        if (buttons == Ok)
            return AnswerOk;
        if (result == QMessageBox::Cancel)
            return AnswerCancel;
        return result == QMessageBox::Yes ? AnswerYes : AnswerNo;
    }
};

class EffectSoundPlayer : public SoundPlayer
{
public:
    ~EffectSoundPlayer() override
    {
        // Static destruction may run after the application object is gone; the sound back end
        // must not be torn down then.
        if (QCoreApplication::instance())
            delete m_effect;
    }

    void play(const QString &path) override
    {
        if (m_effect) {
            m_effect->stop();
            m_effect->deleteLater();
            m_effect = nullptr;
        }
        if (path.isEmpty() || !QFileInfo(path).isFile()) {
            QApplication::beep();
            return;
        }
        m_effect = new QSoundEffect;
        QSoundEffect *effect = m_effect;
        QObject::connect(effect, &QSoundEffect::statusChanged, effect, [effect] {
            if (effect->status() == QSoundEffect::Error)
                QApplication::beep();
        });
        effect->setSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
        effect->play();
    }

private:
    QPointer<QSoundEffect> m_effect;
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
Slot<ScreenInfo, PrimaryScreen> &screenSlot()
{
    static Slot<ScreenInfo, PrimaryScreen> s;
    return s;
}
Slot<MessageBoxes, WidgetMessageBoxes> &messageBoxSlot()
{
    static Slot<MessageBoxes, WidgetMessageBoxes> s;
    return s;
}
Slot<SoundPlayer, EffectSoundPlayer> &soundSlot()
{
    static Slot<SoundPlayer, EffectSoundPlayer> s;
    return s;
}

} // namespace

bool LoadQtTranslations()
{
    static QTranslator *installed = nullptr;
    if (installed)
        return true;
    auto translator = std::make_unique<QTranslator>(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_pt_BR"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator.get()))
        return false;
    installed = translator.release();
    return true;
}

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

} // namespace Services
