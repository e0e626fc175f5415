// FrmPopup's menu commands for help, the about box and the date dialog.
#include "shell/FrmPopup.h"

#include "dialogs/FrmAbout.h"
#include "dialogs/FrmInserir.h"
#include "dialogs/ModAjuda.h"

void FrmPopup::mnuAjuda_Click()
{
    AbrirAjuda(u"notavex.htm"_qs, HelpMissing::Short);
}

void FrmPopup::menSobre_Click()
{
    FrmAbout::ShowModal();
}

void FrmPopup::Mn_Ajuda_Click()
{
    AbrirAjuda(u"notavex.htm"_qs, HelpMissing::Short);
}

void FrmPopup::menData_Click()
{
    FrmInserir::ShowModal();
}
