#include "mock/FakeServices.h"
#include "mock/TestFiles.h"
#include "mock/Warnings.h"

#include "dialogs/FrmAbout.h"
#include "dialogs/ModAjuda.h"
#include "platform/Globals.h"
#include "platform/OpenForms.h"
#include "platform/TopMost.h"
#include "shell/FrmPopup.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

using namespace TestFiles;

// The about box, and the menus' "Ajuda" and "Sobre o Notavex..." items.
class tst_FrmAbout : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_tmp;
    std::optional<FakeServices> m_fakes;
    std::unique_ptr<FrmPopup> m_popup;
    QString app() const { return m_tmp->path() + u"/app/"_qs; }

    void start()
    {
        const QString data = m_tmp->path() + u"/docs/Notavex/"_qs;
        QVERIFY(QDir().mkpath(data) && QDir().mkpath(app()));
        QVERIFY(writeBytes(data + u"Indice.cfg"_qs, "[Indice]\r\nTotalForms=1\r\n[1]\r\n"));
        QVERIFY(writeBytes(data + u"indice.dat"_qs, ",1,\r\n"));
        m_popup = std::make_unique<FrmPopup>();
        QVERIFY(m_popup->startUp(m_tmp->path() + u"/docs"_qs, app(), u"ana"_qs));
    }

    void trigger(QAction *item)
    {
        QVERIFY(item->isEnabled());
        item->trigger();
        QCoreApplication::processEvents(); // the commands are queued
    }

public slots:
    void opened(const QUrl &url) { m_opened << url.toString(); }

private:
    QStringList m_opened;

private slots:
    void init()
    {
        FailOnUnexpectedWarnings();
        m_tmp = std::make_unique<QTemporaryDir>();
        ResetProgramState();
        m_fakes.emplace();
        m_opened.clear();
        QDesktopServices::setUrlHandler(u"https"_qs, this, "opened");
    }

    void cleanup()
    {
        QDesktopServices::unsetUrlHandler(u"https"_qs);
        SetHelpViewer(nullptr);
        while (OpenForms::count() > 1)
            delete OpenForms::at(OpenForms::count() - 1);
        m_popup.reset();
    }

    // Opened from the tray menu: shuts the tray, shows the version, opens both pages and stays
    // open, and "&OK" closes it.
    void aboutBox()
    {
        start();
        QStringList seen;
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            auto *box = qobject_cast<FrmAbout *>(QApplication::activeModalWidget());
            if (!box)
                return;
            answer.stop();
            seen << box->windowTitle() << box->Label2->text() + u' ' + box->Label8->text()
                 << QString::number(box->Label2->font().bold()) +
                        QString::number(box->Label2->font().pointSize())
                 << box->Label5->text()
                 << QString::number(TrayReady) + QString::number(IsWindowTopmost(box)) +
                        QString::number(box->Label6->parentWidget() == box->Frame1);
            QTest::mouseClick(box->Label11, Qt::LeftButton);
            QTest::mouseClick(box->Label6, Qt::LeftButton);
            seen << QString::number(box->isVisible());
            box->Command1->click();
        });
        answer.start(10);
        trigger(m_popup->menSobre);
        // The project's version, always with three parts.
        QStringList version = QStringLiteral(NOTAVEX_VERSION).split(u'.');
        while (version.size() < 3)
            version << u"0"_qs;
        QCOMPARE(seen, (QStringList{u" Sobre o Notavex"_qs, u"Notavex "_qs + version.join(u'.'),
                                    u"112"_qs, u"Para Windows XP  Win7  Win8  Win10"_qs, u"011"_qs,
                                    u"1"_qs}));
        QCOMPARE(m_opened, (QStringList{u"https://notavex.example.org/faq"_qs,
                                        u"https://notavex.example.org/contato"_qs}));
        QVERIFY(TrayReady);
    }

    // Both "Ajuda" items open the main topic, or say briefly that the file is missing.
    void ajudaItems_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<bool>("present");
        QTest::newRow("tray, present") << u"mnuAjuda"_qs << true;
        QTest::newRow("tray, missing") << u"mnuAjuda"_qs << false;
        QTest::newRow("note, present") << u"Mn_Ajuda"_qs << true;
        QTest::newRow("note, missing") << u"Mn_Ajuda"_qs << false;
    }
    void ajudaItems()
    {
        QFETCH(QString, item);
        QFETCH(bool, present);
        start();
        QStringList helped;
        SetHelpViewer([&](const QString &file, const QString &topic) { helped << file << topic; });
        if (present)
            QVERIFY(writeBytes(app() + u"Notavex.chm"_qs, "ITSF"));
        trigger(m_popup->findChild<QAction *>(item));
        QCOMPARE(helped, present ? (QStringList{app() + u"Notavex.chm"_qs, u"notavex.htm"_qs})
                                 : QStringList());
        const auto &asked = m_fakes->messageBoxes->asked;
        QCOMPARE(asked.size(), present ? 0 : 1);
        if (!present)
            QCOMPARE(asked[0].caption + u'|' + asked[0].text,
                     u"Ajuda do Windows|Aquivo de ajuda Notavex.chm não encontrado. Instale o "
                     u"Notavex novamente"_qs);
    }
};

QTEST_MAIN(tst_FrmAbout)
#include "tst_frmabout.moc"
