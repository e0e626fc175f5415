#pragma once

#include <QRect>
#include <QWidget>

class QMenu;
class QSystemTrayIcon;
class QTimer;
class QuitSignals;
class SingleInstance;

// The hidden main window: index 0 of OpenForms, owner of the tray icon, and the one that starts
// and ends the program. It is never shown.
class FrmPopup : public QWidget
{
    Q_OBJECT

public:
    explicit FrmPopup(QWidget *parent = nullptr);
    ~FrmPopup() override;

    // Runs the start-up for this user. False when this copy must end at once: another copy runs
    // for the same data folder, or the data folder cannot be created.
    bool startUp();
    // The same with the documents folder, program folder and user name given.
    bool startUp(const QString &documentsFolder, const QString &appPath, const QString &userName);

    // Closes the dialogs, saves every note, closes every window, removes the tray icon and quits.
    // Runs once; asked for while notes are still loading, it waits for the loading to finish.
    void shutDown();
    bool isShutDown() const { return m_state == State::Ended; }
    // After a refused start-up: 0 when another copy runs, 1 when there is no data folder.
    int exitCode() const { return m_exitCode; }

    // The desktop area not covered by panels, read once at start-up.
    QRect WorkArea;

    QSystemTrayIcon *trayIcon() const { return m_tray; }
    QMenu *trayMenu() const { return m_menu; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    enum class State { Created, Starting, Loading, Running, Ended };

    void createTrayIcon();
    void showTrayIconWhenPossible();
    void trayActivated(int reason);
    void unloadDialogs();
    void closeOpenForms();

    State m_state = State::Created;
    bool m_shutDownPending = false;
    int m_exitCode = 0;
    SingleInstance *m_instance = nullptr;
    QuitSignals *m_quitSignals = nullptr;
    QSystemTrayIcon *m_tray = nullptr;
    QMenu *m_menu = nullptr;
    QTimer *m_trayRetry = nullptr;
};
