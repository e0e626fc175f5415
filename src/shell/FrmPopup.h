#pragma once

#include "dialogs/NotePlacement.h"

#include <QIcon>
#include <QRect>
#include <QWidget>

class QAction;
class QMenu;
class QSystemTrayIcon;
class frmNote;
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
    // The same with the documents folder, program folder and user name given, and the home
    // folder whose "Notavex/" may hold notes kept before there was a documents folder (none when
    // empty).
    bool startUp(const QString &documentsFolder, const QString &appPath, const QString &userName,
                 const QString &homeFolder = {});

    // Closes the dialogs, saves every note, closes every window, removes the tray icon and quits.
    // Runs once; asked for while notes are still loading, it stops the loading at the next note
    // and then runs, the notes not loaded left as they are on disk.
    // When the notes cannot be saved the program ends with status 1; after "Sair" the user is
    // asked first and may try again or keep the program open.
    void shutDown();
    // The connection to the window system is gone: saves every note from what the program holds,
    // without a call to the window system. False when something could not be written.
    bool saveWithoutDisplay();
    bool isShutDown() const { return m_state == State::Ended || m_state == State::Ending; }
    // After a refused start-up: 0 when another copy runs, 1 when there is no data folder.
    int exitCode() const { return m_exitCode; }

    // The desktop area not covered by panels, read once at start-up.
    QRect WorkArea;

    QSystemTrayIcon *trayIcon() const { return m_tray; }
    QMenu *trayMenu() const { return menu; }

    // A click on the tray icon: ignored until TrayReady, otherwise the tray menu opens at pos
    // with its items enabled from the notes' visibility.
    void trayClick(const QPoint &pos);
    // Enables "Ocutar Todos" when a note is visible, "Mostrar Todos" when one is hidden, and
    // "Mostra Selecionadas..." and "Excluir..." when there is a note at all.
    void RefreshTrayMenu();
    // "Organizar Notas": puts the note window at OpenForms index Index below the one placed
    // last in this run, or at the top of a new column to its left when it does not fit.
    void PlaceNote(qint16 Index);
    // The OpenForms index of the window placed last in the current run; 0 before the first.
    qint16 LastPlaced = 0;

    // The note menu for the current note, opened by the note window itself.
    void showNoteMenu(frmNote *note, const QPoint &pos, bool onTop);

    // The tray menu and the note menu, item by item.
    QMenu *menu = nullptr;
    QAction *mnuNew = nullptr;
    QAction *mnOpc = nullptr;
    QAction *MnOrganizar = nullptr;
    QAction *menExcluir = nullptr;
    QAction *mnSN = nullptr;
    QAction *mnuShowAll = nullptr;
    QAction *mnuHide = nullptr;
    QAction *mnuAjuda = nullptr;
    QAction *menSobre = nullptr;
    QAction *mnuFechar = nullptr;

    QMenu *menu2 = nullptr;
    QAction *menAlarme = nullptr;
    QAction *menTítulo = nullptr;
    QAction *mnOpc2 = nullptr;
    QAction *menTop = nullptr;
    QAction *menOcultar = nullptr;
    QAction *menImprimir = nullptr;
    QAction *menKill = nullptr;
    QAction *menPersonaliza = nullptr;
    QAction *menFonte = nullptr;
    QAction *menData = nullptr;
    QAction *menSelecionar = nullptr;
    QAction *menOpen = nullptr;
    QAction *menSave = nullptr;
    QAction *Mn_Ajuda = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    enum class State { Created, Starting, Loading, Running, Ending, Ended };

    void createTrayIcon();
    void createMenus();
    // Gives an item its command.
    void wire(QAction *item, void (FrmPopup::*handler)());
    frmNote *currentNote() const;

    void mnuNew_Click();
    void mnuFechar_Click();
    void mnuShowAll_Click();
    void mnuHide_Click();
    void menAlarme_Click();
    void menTop_Click();
    void menOcultar_Click();
    void menKill_Click();
    void menSelecionar_Click();
    void mnOpc_Click(); // mnOpc and mnOpc2
    void menPersonaliza_Click();
    void menTítulo_Click();
    void menFonte_Click();
    void menOpen_Click();
    void menSave_Click();
    void menImprimir_Click();
    // Help, the about box and the date dialog (FrmPopupAjuda.cpp).
    void mnuAjuda_Click();
    void menSobre_Click();
    void Mn_Ajuda_Click();
    void menData_Click();
    void MnOrganizar_Click();
    void mnSN_Click();
    void menExcluir_Click();
    void showTrayIconWhenPossible();
    // A second start of the program asks for this: every note shown and raised.
    void showAllNotes();
    // With no notification area after a while and every note hidden, shows the notes.
    void showNotesWithoutTray();
    void trayActivated(int reason);
    // The tray icon's picture and tip follow the notes that ring.
    void ringingChanged();
    void showBell(bool bell);
    // Takes the single-copy guard of dataPath into m_instance; false, after saying so, when
    // another copy holds it.
    bool guardFolder(const QString &dataPath);
    void unloadDialogs();
    void closeOpenForms();

    State m_state = State::Created;
    bool m_shutDownPending = false;
    bool m_showPending = false;
    bool m_askBeforeLosingNotes = false;
    int m_exitCode = 0;
    SingleInstance *m_instance = nullptr;
    QuitSignals *m_quitSignals = nullptr;
    QSystemTrayIcon *m_tray = nullptr;
    QTimer *m_trayRetry = nullptr;
    QTimer *m_ringBlink = nullptr;
    QIcon m_programIcon;
    QIcon m_bellIcon;
    bool m_bellShown = false;
    TwipRect m_lastPlacedAt; // where LastPlaced was put, in twips, not rounded to pixels
};
