#include "shell/FrmPopup.h"

#include "base/Globals.h"
#include "base/Log.h"
#include "base/Services.h"
#include "dialogs/ShowHideNotes.h"
#include "note/AppEvents.h"
#include "note/NoteWindows.h"
#include "note/OpenForms.h"
#include "note/TopMost.h"
#include "note/frmNote.h"
#include "shell/DataFolder.h"
#include "shell/DisplayLoss.h"
#include "shell/QuitSignals.h"
#include "shell/SingleInstance.h"
#include "store/Ini.h"
#include "store/NoteFiles.h"
#include "store/NoteStore.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>

#include <cstdio>

namespace {

constexpr int trayRetryMs = 2000;
constexpr int ringBlinkMs = 500;
// How long a panel starting with the session may take before the program is taken to have no
// notification area at all.
constexpr int noTrayGraceMs = 5000;

QPixmap drawnIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal m = size / 16.0;
    QPolygonF sheet;
    sheet << QPointF(2 * m, 2 * m) << QPointF(14 * m, 2 * m) << QPointF(14 * m, 10 * m)
          << QPointF(10 * m, 14 * m) << QPointF(2 * m, 14 * m);
    p.setPen(QPen(QColor(0x8a, 0x6d, 0x00), m * 0.6));
    p.setBrush(QColor(0xff, 0xe0, 0x4a));
    p.drawPolygon(sheet);
    p.setBrush(QColor(0xe6, 0xc2, 0x1e));
    p.drawPolygon(QPolygonF() << QPointF(14 * m, 10 * m) << QPointF(10 * m, 10 * m)
                              << QPointF(10 * m, 14 * m));
    p.setPen(QPen(QColor(0x9a, 0x80, 0x20), m * 0.7));
    for (int line = 0; line < 3; ++line)
        p.drawLine(QPointF(4 * m, (5 + 2.5 * line) * m), QPointF(11 * m, (5 + 2.5 * line) * m));
    return pixmap;
}

// The program's icon, or with ringing the one it alternates with while an alarm rings.
QIcon programIcon(bool ringing = false)
{
    QIcon icon;
    for (const char *name : {"icons/notavex%1.png", "icons/notavex%1-32.png"}) {
        const QString path = AppPath + QLatin1String(name).arg(ringing ? u"-tocando" : u"");
        if (QFileInfo(path).isFile())
            icon.addFile(path);
    }
    for (int size = 32; icon.isNull() && size <= 64; size += 32) {
        QPixmap drawn = drawnIcon(size);
        if (ringing)
            QPainter(&drawn).fillRect(drawn.rect(), QColor(210, 35, 25, 150));
        icon.addPixmap(drawn);
    }
    return icon;
}

} // namespace

FrmPopup::FrmPopup(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FrmPopup"));
    setWindowTitle(QStringLiteral("Notavex"));
    OpenForms::add(this);
}

FrmPopup::~FrmPopup()
{
    InstallDisplayLossGuard({});
    if (m_tray)
        m_tray->hide();
    OpenForms::remove(this);
}

bool FrmPopup::startUp()
{
    return startUp(GetSpecialFolder(CSIDL_PERSONAL, this), ProgramFolder(), CurrentUserName(),
                   QDir::homePath());
}

bool FrmPopup::guardFolder(const QString &dataPath)
{
    m_instance = new SingleInstance(dataPath, this);
    if (m_instance->acquire())
        return true;
    // Ending at once is right, but whoever started this copy should learn why, and see the
    // running copy answer: it shows every note.
    SingleInstance::requestShow(dataPath);
    const QString folder = QDir::toNativeSeparators(QDir::cleanPath(dataPath));
    std::fputs(QStringLiteral("Notavex já está em execução para a pasta de dados \"%1\"; "
                              "esta cópia foi encerrada.\n")
                   .arg(folder)
                   .toLocal8Bit()
                   .constData(),
               stderr);
    m_state = State::Ended;
    return false;
}

bool FrmPopup::startUp(const QString &documentsFolder, const QString &appPath,
                       const QString &userName, const QString &homeFolder)
{
    if (m_state != State::Created)
        return false;
    m_state = State::Starting;
    QApplication::setQuitOnLastWindowClosed(false);
    KeepDialogsOnTop();

    QString dataPath = DataPathFor(documentsFolder, appPath);
    // Notes kept in the home folder before there was a documents folder come along, moved while
    // that folder's guard keeps every other copy off it.
    const QString homeData = HomeDataPathFor(homeFolder);
    if (HomeFolderWaiting(homeData, dataPath)) {
        if (!guardFolder(homeData))
            return false;
        dataPath = AdoptHomeFolder(homeData, dataPath);
        if (dataPath != homeData) {
            delete m_instance;
            m_instance = nullptr;
        }
    }
    // The guard is keyed by the folder itself, so the folder comes first.
    if (!m_instance) {
        if (!CreateDataFolder(dataPath)) {
            m_state = State::Ended;
            m_exitCode = 1;
            return false;
        }
        if (!guardFolder(dataPath))
            return false;
    }
    // The running copy is known by a hidden top-level window titled "Notavex".
    winId();
    // Queued: the request arrives inside the socket's own signal.
    connect(m_instance, &SingleInstance::closeRequested, this, &FrmPopup::shutDown,
            Qt::QueuedConnection);
    connect(m_instance, &SingleInstance::showRequested, this, &FrmPopup::showAllNotes,
            Qt::QueuedConnection);

    if (!SetupDataFolderIn(dataPath, appPath, userName)) {
        m_state = State::Ended;
        m_exitCode = 1;
        return false;
    }

    // From here on the notes are ours to save, whoever ends the program.
    m_quitSignals = new QuitSignals(this);
    connect(m_quitSignals, &QuitSignals::quitRequested, this, &FrmPopup::shutDown);
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] {
        if (m_state == State::Running && !SaveNotes(0))
            LogProblem(SaveFailureText());
    });
    connect(qApp, &QCoreApplication::aboutToQuit, this, &FrmPopup::shutDown);
    // A quit request (the session's end) would have Qt close every shown note before the save:
    // the notes are saved and let go of first, and the program then ends on its own.
    OnQuitRequested([self = QPointer<FrmPopup>(this)] {
        if (!self)
            return false;
        self->shutDown();
        return true;
    });
    InstallDisplayLossGuard([this] { return saveWithoutDisplay(); });

    createTrayIcon();
    Coloridos = StrToBool(ReadIni(QStringLiteral("Indice"), QStringLiteral("Coloridos"),
                                  QStringLiteral("False"), IndexFile()));
    showTrayIconWhenPossible();
    WorkArea = Services::screen().workArea();

    m_state = State::Loading;
    LoadNotes();
    m_state = State::Running;
    if (m_shutDownPending) {
        shutDown();
        return true;
    }
    if (m_showPending)
        showAllNotes();
    if (const int error = DataFolderWriteError(DataPath)) {
        const QString text =
            u"Não é possível salvar na pasta de dados \"%1\" (%2). O Notavex continua aberto com "
            u"as notas, mas as alterações não serão gravadas enquanto a pasta não puder ser "
            u"escrita."_qs.arg(QDir::toNativeSeparators(QDir::cleanPath(DataPath)),
                               SystemErrorText(error));
        LogProblem(text);
        // Once the event loop runs: a close request must be able to end the program meanwhile.
        QTimer::singleShot(0, this, [text] {
            Services::messageBoxes().show(text, MessageBoxes::Ok, MessageBoxes::Warning,
                                          MessageBoxes::AnswerOk);
        });
    }
    return true;
}

void FrmPopup::showAllNotes()
{
    if (m_state == State::Loading || m_state == State::Starting) {
        m_showPending = true;
        return;
    }
    m_showPending = false;
    if (m_state != State::Running)
        return;
    MostrarTodos();
    // Notes already shown may lie under other windows; the newest ends up on top.
    for (int i = 1; i < OpenForms::count(); ++i) {
        if (auto *note = qobject_cast<frmNote *>(OpenForms::at(i)))
            note->raise();
    }
}

void FrmPopup::showNotesWithoutTray()
{
    if (m_state != State::Running || (m_tray && m_tray->isVisible()))
        return;
    bool anyNote = false;
    for (int i = 1; i < OpenForms::count(); ++i) {
        if (auto *note = qobject_cast<frmNote *>(OpenForms::at(i))) {
            if (note->isVisible())
                return;
            anyNote = true;
        }
    }
    if (!anyNote)
        return;
    // Every note hidden and no tray icon to bring them back: the program would be running out of
    // reach.
    std::fputs(QStringLiteral("Notavex: não há área de notificação; as notas ocultas foram "
                              "mostradas. Iniciar o Notavex de novo mostra todas as notas.\n")
                   .toLocal8Bit()
                   .constData(),
               stderr);
    MostrarTodos();
}

void FrmPopup::createTrayIcon()
{
    const QIcon icon = programIcon();
    QApplication::setWindowIcon(icon);
    setWindowIcon(icon);

    createMenus();

    m_tray = new QSystemTrayIcon(icon, this);
    m_tray->setToolTip(QStringLiteral("Notavex"));
    // No context menu of the icon's own: every click goes through trayClick and its gate.
    connect(m_tray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { trayActivated(reason); });

    // A ringing note may be hidden behind other windows or on another desktop; the tray icon
    // alternates with a bell as long as one rings. Queued: a note that stops ringing as it is
    // destroyed is gone by then.
    m_programIcon = icon;
    m_bellIcon = programIcon(true);
    m_ringBlink = new QTimer(this);
    m_ringBlink->setInterval(ringBlinkMs);
    connect(m_ringBlink, &QTimer::timeout, this, [this] { showBell(!m_bellShown); });
    connect(&RingingNotes::instance(), &RingingNotes::changed, this, &FrmPopup::ringingChanged,
            Qt::QueuedConnection);
}

void FrmPopup::ringingChanged()
{
    if (!m_tray)
        return;
    QStringList titles;
    for (int i = 1; i < OpenForms::count(); ++i)
        if (const auto *note = qobject_cast<const frmNote *>(OpenForms::at(i));
            note && note->Ringing())
            titles << (note->txtTitle->text().trimmed().isEmpty() ? u"[Em Branco]"_qs
                                                                  : note->txtTitle->text());
    m_tray->setToolTip(titles.isEmpty() ? u"Notavex"_qs
                                        : u"Notavex - alarme: "_qs + titles.join(u", "_qs));
    if (titles.isEmpty() && m_ringBlink->isActive()) {
        m_ringBlink->stop();
        showBell(false);
    } else if (!titles.isEmpty() && !m_ringBlink->isActive()) {
        showBell(true);
        m_ringBlink->start();
    }
}

void FrmPopup::showBell(bool bell)
{
    m_bellShown = bell;
    m_tray->setIcon(bell ? m_bellIcon : m_programIcon);
}

void FrmPopup::showTrayIconWhenPossible()
{
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        m_tray->show();
        return;
    }
    // No notification area yet (a panel that starts after us, or none at all): keep running and
    // look again now and then.
    QTimer::singleShot(noTrayGraceMs, this, &FrmPopup::showNotesWithoutTray);
    m_trayRetry = new QTimer(this);
    m_trayRetry->setInterval(trayRetryMs);
    connect(m_trayRetry, &QTimer::timeout, this, [this] {
        if (!m_tray || !QSystemTrayIcon::isSystemTrayAvailable())
            return;
        m_trayRetry->stop();
        m_tray->show();
    });
    m_trayRetry->start();
}

void FrmPopup::trayActivated(int reason)
{
    // The tray reports presses of the left and right button alike; both open the same menu.
    if (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::Context)
        return;
    trayClick(QCursor::pos());
}

void FrmPopup::unloadDialogs()
{
    // A dialog is closed as if dismissed; nothing it holds is kept.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        QPointer<QDialog> dialog = qobject_cast<QDialog *>(w);
        if (dialog && dialog->isVisible())
            dialog->reject();
    }
}

void FrmPopup::closeOpenForms()
{
    for (int i = OpenForms::count() - 1; i >= 1; --i) {
        QPointer<QWidget> w = OpenForms::at(i);
        if (!w)
            continue;
        // The notes are saved and close without a step of their own: they are only let go of.
        // Hiding and destroying them one by one costs X round trips each (half a second for a
        // thousand notes); the X server drops them all at once when the program ends.
        if (!qobject_cast<frmNote *>(w.data()))
            w->close();
        if (w)
            OpenForms::remove(w);
    }
}

void FrmPopup::shutDown()
{
    if (m_state == State::Ended || m_state == State::Ending)
        return;
    if (m_state == State::Loading || m_state == State::Starting) {
        // Saving now, in the middle of a note, would go wrong: the load stops at the next note,
        // and the shutdown follows it.
        m_shutDownPending = true;
        StopLoadingNotes();
        return;
    }
    if (m_state == State::Created) {
        m_state = State::Ended;
        return;
    }
    m_state = State::Ending;
    TrayReady = false;
    if (menu)
        menu->close();
    if (menu2)
        menu2->close();

    unloadDialogs();
    int exitCode = 0;
    while (!SaveNotes(0)) {
        if (!m_askBeforeLosingNotes) {
            exitCode = 1;
            break;
        }
        const auto answer = Services::messageBoxes().show(
            SaveFailureText() +
                u"\n\nTentar salvar de novo?\n(Não: sair sem salvar as alterações. Cancelar: "
                u"continuar com o Notavex aberto.)"_qs,
            MessageBoxes::YesNoCancel, MessageBoxes::Warning, MessageBoxes::AnswerYes);
        if (answer == MessageBoxes::AnswerCancel) {
            // Nothing is lost while the notes stay open.
            LogProblem(SaveFailureText());
            m_state = State::Running;
            TrayReady = true;
            return;
        }
        if (answer != MessageBoxes::AnswerYes) {
            exitCode = 1;
            break;
        }
    }
    if (exitCode != 0) {
        // Even the text the user chose not to save is not let go of without a copy.
        RescueUnsavedNotes();
        LogProblem(SaveFailureText());
    }
    m_state = State::Ended;
    if (m_trayRetry)
        m_trayRetry->stop();
    closeOpenForms();
    if (m_tray)
        m_tray->hide();
    QMetaObject::invokeMethod(
        qApp, [exitCode] { QCoreApplication::exit(exitCode); }, Qt::QueuedConnection);
}

bool FrmPopup::saveWithoutDisplay()
{
    switch (m_state) {
    case State::Loading:
    case State::Running:
    case State::Ending:
        if (SaveNotesWithoutDisplay())
            return true;
        RescueUnsavedNotes();
        return false;
    case State::Ended:
        // Saved, and the windows let go of: a save now would list no note at all.
        return SaveFailureText().isEmpty();
    case State::Created:
    case State::Starting:
        break;
    }
    return true; // no note opened yet: nothing changed
}

void FrmPopup::mnuFechar_Click()
{
    // Someone chose "Sair": a failed save can be asked about instead of losing the notes.
    m_askBeforeLosingNotes = true;
    shutDown();
    m_askBeforeLosingNotes = false;
}

void FrmPopup::closeEvent(QCloseEvent *event)
{
    shutDown();
    event->accept();
}
