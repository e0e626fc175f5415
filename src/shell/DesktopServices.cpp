#include "shell/DesktopServices.h"

#include "base/Services.h"
#include "note/CupsPrintSystem.h"
#include "note/ScreenColormap.h"

#include <QApplication>
#include <QAudioDevice>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QMediaDevices>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QSoundEffect>
#include <QTranslator>
#include <QUrl>

#include <cstdio>

namespace {

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
        // Qt breaks lines only at LF; texts whose lines are joined by a lone CR show them too.
        box.setText(QString(text).replace(u"\r\n"_qs, u"\n"_qs).replace(u'\r', u'\n'));
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
        // Without a sound server Qt complains on every sound; the user hears of it once.
        if (QMediaDevices::defaultAudioOutput().isNull()) {
            if (!m_toldNoOutput)
                std::fputs(QStringLiteral("Notavex: não há saída de som; os sons do programa não "
                                          "serão tocados.\n")
                                .toLocal8Bit()
                                .constData(),
                            stderr);
            m_toldNoOutput = true;
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
    bool m_toldNoOutput = false;
};

class DesktopLinks : public LinkOpener
{
public:
    void open(const QUrl &url) override { QDesktopServices::openUrl(url); }
};

} // namespace

void InstallDesktopServices()
{
    Services::setScreen(std::make_unique<PrimaryScreen>());
    Services::setMessageBoxes(std::make_unique<WidgetMessageBoxes>());
    Services::setSound(std::make_unique<EffectSoundPlayer>());
    Services::setPrintSystem(MakeCupsPrintSystem());
    Services::setLinks(std::make_unique<DesktopLinks>());
    UseScreenColormapForAllWindows();
}

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
