#include "mock/FakeServices.h"

#include "note/frmNote.h"
#include "platform/Globals.h"
#include "platform/OpenForms.h"
#include "platform/ProfileString.h"
#include "shell/FrmPopup.h"
#include "shell/SingleInstance.h"
#include "shell/Uninstall.h"
#include "store/NoteFiles.h"
#include "shell/NoteWindows.h"
#include "store/NoteStore.h"
#include "mock/TestFiles.h"

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

using TestFiles::readBytes;

QString totalForms()
{
    return GetPrivateProfileString(u"Indice"_qs, u"TotalForms"_qs, u"missing"_qs, IndexFile());
}

// A note window that reports when it is closed. The test owns it, so it is not deleted on close.
class FakeNote : public frmNote
{
public:
    explicit FakeNote(int id, std::function<void()> onClose = {}) : m_onClose(std::move(onClose))
    {
        setAttribute(Qt::WA_DeleteOnClose, false);
        SetTag(QString::number(id));
    }

protected:
    void closeEvent(QCloseEvent *e) override
    {
        if (m_onClose)
            m_onClose();
        frmNote::closeEvent(e);
    }

private:
    std::function<void()> m_onClose;
};

} // namespace

class tst_FrmPopup : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
        QVERIFY(QDir().mkpath(docs()));
        QVERIFY(QDir().mkpath(app()));
        // An existing, empty data folder: no welcome note joins the windows a test makes.
        QVERIFY(QDir().mkpath(data()));
        m_fakes = std::make_unique<FakeServices>();
        m_fakes->screen->work = QRect(0, 24, 1280, 776);
        TrayReady = false;
        Coloridos = false;
        QCOMPARE(OpenForms::count(), 0);
    }

    void cleanup()
    {
        // A start-up that loaded notes and was not shut down leaves their windows behind.
        for (int i = OpenForms::count() - 1; i >= 0; --i) {
            if (auto *note = qobject_cast<frmNote *>(OpenForms::at(i)))
                delete note;
        }
        m_fakes.reset();
        m_tmp.reset();
    }

    void startUp_preparesTheProgram()
    {
        QVERIFY(QDir(data()).removeRecursively());
        FrmPopup popup;
        QCOMPARE(OpenForms::at(0), &popup);
        QVERIFY(start(popup));

        QCOMPARE(popup.windowTitle(), u"Notavex"_qs);
        QVERIFY(!popup.isVisible());
        QCOMPARE(DataPath, data());
        QCOMPARE(readBytes(ListFile()), QByteArray(",1,\r\n"));
        QCOMPARE(popup.WorkArea, QRect(0, 24, 1280, 776));
        QVERIFY(TrayReady);
        QVERIFY(!QApplication::quitOnLastWindowClosed());

        QSystemTrayIcon *tray = popup.trayIcon();
        QVERIFY(tray);
        QCOMPARE(tray->toolTip(), u"Notavex"_qs);
        QVERIFY(!tray->icon().isNull());
        QCOMPARE(popup.trayMenu(), popup.menu);
        QCOMPARE(popup.mnuFechar->text(), u"Sair"_qs);

        // "Sair" ends the program.
        popup.mnuFechar->trigger();
        QCoreApplication::processEvents();
        QVERIFY(popup.isShutDown());
        QVERIFY(!tray->isVisible());
        QCOMPARE(readBytes(ListFile()), QByteArray(",1,\r\n"));
        QCOMPARE(OpenForms::count(), 1);
    }

    void startUp_readsColoridos_data()
    {
        QTest::addColumn<QByteArray>("cfg");
        QTest::addColumn<bool>("expected");
        QTest::newRow("True") << QByteArray("[Indice]\r\nColoridos=True\r\n") << true;
        QTest::newRow("False") << QByteArray("[Indice]\r\nColoridos=False\r\n") << false;
        QTest::newRow("missing key") << QByteArray("[Indice]\r\nTotalForms=0\r\n") << false;
        QTest::newRow("empty value") << QByteArray("[Indice]\r\nColoridos=\r\n") << false;
    }

    void startUp_readsColoridos()
    {
        QFETCH(QByteArray, cfg);
        QFETCH(bool, expected);
        QVERIFY(TestFiles::writeBytes(data() + u"Indice.cfg"_qs, cfg));
        Coloridos = !expected;

        FrmPopup popup;
        QVERIFY(start(popup));
        QCOMPARE(Coloridos, expected);
    }

    void startUp_withoutDataFolder_endsBeforeTrayIcon()
    {
        QVERIFY(QDir(data()).removeRecursively());
        QVERIFY(TestFiles::writeBytes(data().chopped(1), {}));

        FrmPopup popup;
        QVERIFY(!start(popup));
        QCOMPARE(popup.exitCode(), 1);
        QCOMPARE(popup.trayIcon(), nullptr);
        QCOMPARE(m_fakes->messageBoxes->asked.size(), 1);
        QCOMPARE(m_fakes->messageBoxes->asked.first().text,
                 u"Você deve logar como administrador"_qs);
        QVERIFY(!TrayReady);
    }

    void secondCopy_sameDataFolder_isRefused()
    {
        FrmPopup first;
        QVERIFY(start(first));
        QFile::remove(ListFile());

        {
            FrmPopup second;
            QVERIFY(!start(second));
            QCOMPARE(second.exitCode(), 0);
            QCOMPARE(second.trayIcon(), nullptr);
            QVERIFY(m_fakes->messageBoxes->asked.isEmpty());
            // The refused copy touched nothing.
            QVERIFY(!QFile::exists(ListFile()));
        }

        {
            // The same folder reached through a link is the same data folder.
            const QString link = m_tmp->path() + u"/DocsLink"_qs;
            QVERIFY(QFile::link(docs(), link));
            FrmPopup viaLink;
            QVERIFY(!viaLink.startUp(link, app(), u"maria"_qs));
        }

        // Another data folder is another user's program.
        QTemporaryDir otherDocs;
        FrmPopup other;
        QVERIFY(other.startUp(otherDocs.path(), app(), u"maria"_qs));
    }

    void shutDown_savesBeforeClosingWindows_data()
    {
        QTest::addColumn<QList<int>>("notes"); // in creation order
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<QString>("total");
        QTest::newRow("no notes") << QList<int>{} << QByteArray(",\r\n") << u"0"_qs;
        QTest::newRow("one note") << QList<int>{7} << QByteArray(",7,\r\n") << u"1"_qs;
        QTest::newRow("newest window listed first")
            << QList<int>{3, 1, 12} << QByteArray(",12,1,3,\r\n") << u"3"_qs;
    }

    void shutDown_savesBeforeClosingWindows()
    {
        QFETCH(QList<int>, notes);
        QFETCH(QByteArray, list);
        QFETCH(QString, total);

        FrmPopup popup;
        QVERIFY(start(popup));
        QFile::remove(ListFile());

        QList<QByteArray> listSeenAtClose;
        std::vector<std::unique_ptr<FakeNote>> windows;
        for (int id : notes) {
            windows.push_back(std::make_unique<FakeNote>(
                id, [&listSeenAtClose] { listSeenAtClose.append(readBytes(ListFile())); }));
        }
        // An open dialog is not a note; it is dismissed before anything is saved.
        QDialog dialog;
        OpenForms::add(&dialog);
        bool savedBeforeDialogClosed = true;
        connect(&dialog, &QDialog::rejected, this,
                [&] { savedBeforeDialogClosed = QFile::exists(ListFile()); });
        dialog.show();

        popup.shutDown();

        QVERIFY(!dialog.isVisible());
        QVERIFY(!savedBeforeDialogClosed);
        QCOMPARE(readBytes(ListFile()), list);
        QCOMPARE(totalForms(), total);
        QCOMPARE(listSeenAtClose.size(), notes.size());
        for (const QByteArray &seen : listSeenAtClose)
            QCOMPARE(seen, list);
        QCOMPARE(OpenForms::count(), 1);
        QVERIFY(!popup.trayIcon()->isVisible());
        OpenForms::remove(&dialog);
    }

    void shutDown_runsOnce()
    {
        FrmPopup popup;
        QVERIFY(start(popup));
        popup.shutDown();
        QFile::remove(ListFile());
        popup.shutDown();
        QVERIFY(popup.close());
        QVERIFY(!QFile::exists(ListFile()));
    }

    void shutDown_onSignal_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }

    void shutDown_onSignal()
    {
        QFETCH(int, signalNumber);
        FrmPopup popup;
        QVERIFY(start(popup));
        QFile::remove(ListFile());
        FakeNote note(4);

        ::raise(signalNumber);
        QTRY_VERIFY(popup.isShutDown());
        QCOMPARE(readBytes(ListFile()), QByteArray(",4,\r\n"));
    }

    void shutDown_onCloseRequestFromAnotherCopy_data()
    {
        QTest::addColumn<QString>("documents"); // below the temporary folder
        QTest::addColumn<bool>("socketInDataFolder");
        QTest::newRow("socket in the data folder") << u"/Documents"_qs << true;
        QTest::newRow("data folder too deep for a socket's name")
            << u"/"_qs + QString(120, u'd') << false;
    }

    void shutDown_onCloseRequestFromAnotherCopy()
    {
        QFETCH(QString, documents);
        QFETCH(bool, socketInDataFolder);
        const QString docsPath = m_tmp->path() + documents;
        QVERIFY(QDir().mkpath(docsPath + u"/Notavex"_qs));
        FrmPopup popup;
        QVERIFY(popup.startUp(docsPath, app(), u"maria"_qs));
        QCOMPARE(SingleInstance::serverName(DataPath).startsWith(DataPath), socketInDataFolder);
        QFile::remove(ListFile());

        QVERIFY(SingleInstance::requestClose(DataPath));
        QTRY_VERIFY(popup.isShutDown());
        QCOMPARE(readBytes(ListFile()), QByteArray(",\r\n"));
        QCOMPARE(totalForms(), u"0"_qs);

        // A repeated request finds the work done.
        QFile::remove(ListFile());
        SingleInstance::requestClose(DataPath, 50);
        QTest::qWait(50);
        QVERIFY(!QFile::exists(ListFile()));
    }

    void saveNotes_recreatesMissingFolder()
    {
        FrmPopup popup; // index 0, never a note
        DataPath = m_tmp->path() + u"/gone/Notavex/"_qs;
        FakeNote note(2);
        QDialog untagged;
        OpenForms::add(&untagged);
        SaveNotes(0);
        OpenForms::remove(&untagged);
        QCOMPARE(readBytes(DataPath + u"indice.dat"_qs), QByteArray(",2,\r\n"));
        QCOMPARE(totalForms(), u"1"_qs);
        QCOMPARE(TestFiles::modeOf(DataPath), 0700);
    }

    void uninstallCommand_data()
    {
        QTest::addColumn<QList<QByteArray>>("args");
        QTest::addColumn<bool>("expected");
        QTest::newRow("uninstall") << QList<QByteArray>{"uninstall"} << true;
        QTest::newRow("no argument") << QList<QByteArray>{} << false;
        QTest::newRow("other letter case") << QList<QByteArray>{"Uninstall"} << false;
        QTest::newRow("further text") << QList<QByteArray>{"uninstall", "now"} << false;
        QTest::newRow("trailing space") << QList<QByteArray>{"uninstall "} << false;
    }

    void uninstallCommand()
    {
        QFETCH(QList<QByteArray>, args);
        QFETCH(bool, expected);
        std::vector<const char *> argv{"notavex"};
        for (const QByteArray &a : args)
            argv.push_back(a.constData());
        QCOMPARE(IsUninstallCommand(int(argv.size()), argv.data()), expected);
    }

private:
    QString docs() const { return m_tmp->path() + u"/Documents"_qs; }
    QString app() const { return m_tmp->path() + u"/app/"_qs; }
    QString data() const { return docs() + u"/Notavex/"_qs; }
    bool start(FrmPopup &popup) { return popup.startUp(docs(), app(), u"maria"_qs); }

    std::unique_ptr<QTemporaryDir> m_tmp;
    std::unique_ptr<FakeServices> m_fakes;
};

QTEST_MAIN(tst_FrmPopup)
#include "tst_frmpopup.moc"
