// The two pop-up menus of FrmPopup: the tray menu and the note menu of the current note.
#include "shell/FrmPopup.h"

#include "base/Globals.h"
#include "base/Services.h"
#include "dialogs/FrmOpc.h"
#include "dialogs/ShowHideNotes.h"
#include "dialogs/frmAlarme.h"
#include "note/NoteWindows.h"
#include "note/OpenForms.h"
#include "note/frmNote.h"
#include "note/frmTítulo.h"
#include "store/Ini.h"
#include "store/NoteFiles.h"
#include "store/NoteStore.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPointer>

namespace {

QAction *addItem(QMenu *menu, const char *name, const QString &caption)
{
    QAction *item = menu->addAction(caption);
    item->setObjectName(QString::fromUtf8(name));
    return item;
}

void addSeparator(QMenu *menu, const char *name)
{
    menu->addSeparator()->setObjectName(QString::fromUtf8(name));
}

} // namespace

void FrmPopup::createMenus()
{
    menu = new QMenu(QStringLiteral("Menu"), this);
    menu->setObjectName(QStringLiteral("menu"));
    mnuNew = addItem(menu, "mnuNew", QStringLiteral("Nova Nota"));
    addSeparator(menu, "spr12");
    mnOpc = addItem(menu, "mnOpc", QStringLiteral("Opções"));
    MnOrganizar = addItem(menu, "MnOrganizar", QStringLiteral("Organizar Notas"));
    addSeparator(menu, "spr11");
    menExcluir = addItem(menu, "menExcluir", QStringLiteral("Excluir..."));
    addSeparator(menu, "spr10");
    mnSN = addItem(menu, "mnSN", QStringLiteral("Mostra Selecionadas..."));
    mnuShowAll = addItem(menu, "mnuShowAll", QStringLiteral("Mostrar Todos"));
    mnuHide = addItem(menu, "mnuHide", QStringLiteral("Ocutar Todos"));
    addSeparator(menu, "spr1");
    mnuAjuda = addItem(menu, "mnuAjuda", QStringLiteral("Ajuda"));
    menSobre = addItem(menu, "menSobre", QStringLiteral("Sobre o Notavex..."));
    mnuFechar = addItem(menu, "mnuFechar", QStringLiteral("Sair"));

    menu2 = new QMenu(QStringLiteral("Menu2"), this);
    menu2->setObjectName(QStringLiteral("menu2"));
    menAlarme = addItem(menu2, "menAlarme", QStringLiteral("Alarme"));
    menTítulo = addItem(menu2, "menTítulo", QStringLiteral("Título..."));
    mnOpc2 = addItem(menu2, "mnOpc2", QStringLiteral("Opções"));
    addSeparator(menu2, "spp");
    menTop = addItem(menu2, "menTop", QStringLiteral("Sempre Visível"));
    menTop->setCheckable(true);
    menOcultar = addItem(menu2, "menOcultar", QStringLiteral("Ocultar"));
    addSeparator(menu2, "spp2");
    menImprimir = addItem(menu2, "menImprimir", QStringLiteral("Imprimir"));
    addSeparator(menu2, "spp3");
    menKill = addItem(menu2, "menKill", QStringLiteral("Excluir"));
    addSeparator(menu2, "spr3");
    menPersonaliza = addItem(menu2, "menPersonaliza", QStringLiteral("Cor"));
    menFonte = addItem(menu2, "menFonte", QStringLiteral("Fonte..."));
    addSeparator(menu2, "spr4");
    menData = addItem(menu2, "menData", QStringLiteral("Inserir data e hora..."));
    addSeparator(menu2, "spr7");
    menSelecionar = addItem(menu2, "menSelecionar", QStringLiteral("Selecionar Tudo"));
    menOpen = addItem(menu2, "menOpen", QStringLiteral("Carregar do Arquivo..."));
    menSave = addItem(menu2, "menSave", QStringLiteral("Salvar em Arquivo..."));
    addSeparator(menu2, "sssp");
    Mn_Ajuda = addItem(menu2, "Mn_Ajuda", QStringLiteral("Ajuda"));

    wire(mnuNew, &FrmPopup::mnuNew_Click);
    wire(mnuShowAll, &FrmPopup::mnuShowAll_Click);
    wire(mnuHide, &FrmPopup::mnuHide_Click);
    wire(mnuFechar, &FrmPopup::mnuFechar_Click);
    wire(menAlarme, &FrmPopup::menAlarme_Click);
    wire(menTop, &FrmPopup::menTop_Click);
    wire(menOcultar, &FrmPopup::menOcultar_Click);
    wire(menKill, &FrmPopup::menKill_Click);
    wire(menSelecionar, &FrmPopup::menSelecionar_Click);
    wire(mnOpc, &FrmPopup::mnOpc_Click);
    wire(mnOpc2, &FrmPopup::mnOpc_Click);
    wire(menPersonaliza, &FrmPopup::menPersonaliza_Click);
    wire(menTítulo, &FrmPopup::menTítulo_Click);
    wire(menFonte, &FrmPopup::menFonte_Click);
    wire(menOpen, &FrmPopup::menOpen_Click);
    wire(menSave, &FrmPopup::menSave_Click);
    wire(menImprimir, &FrmPopup::menImprimir_Click);
    wire(mnuAjuda, &FrmPopup::mnuAjuda_Click);
    wire(menSobre, &FrmPopup::menSobre_Click);
    wire(Mn_Ajuda, &FrmPopup::Mn_Ajuda_Click);
    wire(menData, &FrmPopup::menData_Click);
    wire(MnOrganizar, &FrmPopup::MnOrganizar_Click);
    wire(mnSN, &FrmPopup::mnSN_Click);
    wire(menExcluir, &FrmPopup::menExcluir_Click);

    // Note windows ask for the note menu and the alarm dialog through NoteWindows, which made them.
    SetNoteMenuHandler(
        [this](frmNote *note, const QPoint &pos, bool onTop) { showNoteMenu(note, pos, onTop); });
    SetAlarmDialog([] { frmAlarme::ShowModal(); });
}

void FrmPopup::wire(QAction *item, void (FrmPopup::*handler)())
{
    // Queued: a handler may close windows or open a dialog, which must not happen inside the
    // menu's own event handling.
    connect(item, &QAction::triggered, this, handler, Qt::QueuedConnection);
}

void FrmPopup::trayClick(const QPoint &pos)
{
    // Clicks while the notes load or while a dialog is open are dropped, not queued. A note's
    // file, font, colour or print dialog or a question is modal without clearing TrayReady, and
    // a tray on D-Bus is not blocked by it: the menu could delete the note under the dialog.
    if (!TrayReady || isShutDown() || QApplication::activeModalWidget())
        return;
    RefreshTrayMenu();
    menu->popup(pos);
}

void FrmPopup::RefreshTrayMenu()
{
    bool anyVisible = false;
    bool anyHidden = false;
    for (int i = 1; i < OpenForms::count() && !(anyVisible && anyHidden); ++i) {
        const QWidget *w = OpenForms::at(i);
        if (!qobject_cast<const frmNote *>(w))
            continue;
        if (w->isVisible())
            anyVisible = true;
        else
            anyHidden = true;
    }
    mnuHide->setEnabled(anyVisible);
    mnuShowAll->setEnabled(anyHidden);
    const bool anyNote = anyVisible || anyHidden;
    mnSN->setEnabled(anyNote);
    menExcluir->setEnabled(anyNote);
}

void FrmPopup::showNoteMenu(frmNote *note, const QPoint &pos, bool onTop)
{
    if (!note || isShutDown())
        return;
    menTop->setChecked(onTop);
    menu2->popup(pos);
}

frmNote *FrmPopup::currentNote() const
{
    return qobject_cast<frmNote *>(OpenForms::at(CurrentFormIndex));
}

void FrmPopup::mnuNew_Click()
{
    const qint16 id = NextNoteId(OpenNoteIds());
    frmNote *note = CreateNote(QString::number(id), QString(), Coloridos);
    // The user asked for the note: it takes the keyboard, so that typing goes into it at once.
    note->activateWindow();
    note->txtNote->SetFocus();
    Services::sound().play(AppPath + QStringLiteral("novo.wav"));
}

void FrmPopup::mnuShowAll_Click()
{
    MostrarTodos();
}

void FrmPopup::mnuHide_Click()
{
    OcultarTodos();
}

void FrmPopup::menAlarme_Click()
{
    frmAlarme::ShowModal();
}

void FrmPopup::menTop_Click()
{
    if (frmNote *note = currentNote())
        note->ImTop_Click();
}

void FrmPopup::menOcultar_Click()
{
    if (frmNote *note = currentNote())
        note->hide();
}

void FrmPopup::menKill_Click()
{
    const QPointer<frmNote> note = currentNote();
    if (!note)
        return;
    const auto answer = Services::messageBoxes().show(
        QStringLiteral("Deseja Excluir o Lembrete Atual?"), MessageBoxes::YesNo,
        MessageBoxes::Question, MessageBoxes::AnswerNo, QStringLiteral("Notavex"));
    // The note itself, not the current index: the question's event loop may have closed others.
    if (answer != MessageBoxes::AnswerYes || !note || OpenForms::indexOf(note) < 1)
        return;
    Services::sound().play(AppPath + QStringLiteral("excluir.wav"));
    DeleteNote(note->NoteId(), qint16(OpenForms::indexOf(note)));
}

void FrmPopup::menSelecionar_Click()
{
    if (frmNote *note = currentNote())
        note->Selecionar();
}

void FrmPopup::menFonte_Click()
{
    if (frmNote *note = currentNote())
        note->Fonte();
}

void FrmPopup::menOpen_Click()
{
    if (frmNote *note = currentNote())
        note->Abrir();
}

void FrmPopup::menSave_Click()
{
    if (frmNote *note = currentNote())
        note->Salvar();
}

void FrmPopup::menPersonaliza_Click()
{
    PersonalizaCurrentNote();
}

void FrmPopup::menTítulo_Click()
{
    frmTítulo::ShowModal();
}

void FrmPopup::menImprimir_Click()
{
    if (frmNote *note = currentNote())
        note->Imprimir();
}

void FrmPopup::mnOpc_Click()
{
    FrmOpc::ShowModal();
}
