#include "dialogs/FrmMostrar.h"

#include "dialogs/ModAjuda.h"
#include "note/CenterForm.h"
#include "note/frmNote.h"

#include <QCoreApplication>
#include <QPushButton>

FrmMostrar::FrmMostrar(QWidget *parent)
    : FrmListaNotas(u" Mostrar Notas"_qs, ClientWidthTwips, ClientHeightTwips,
                    QRect(90, 75, 3840, 2985), true, parent)
{
    Command1 = AddButton("Command1", u"Mostrar &Selecionadas"_qs, QRect(3990, 105, 1845, 345));
    Command2 = AddButton("Command2", u"Mostar &Todas"_qs, QRect(3990, 510, 1845, 345));
    Command5 = AddButton("Command5", u"&Ocultar Todas"_qs, QRect(3990, 915, 1845, 345));
    Command4 = AddButton("Command4", u"&Ajuda"_qs, QRect(3990, 1320, 1845, 345));
    Command3 = AddButton("Command3", u"Cancelar"_qs, QRect(3990, 1935, 1845, 345));
    connect(Command1, &QPushButton::clicked, this, &FrmMostrar::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &FrmMostrar::Command2_Click);
    connect(Command5, &QPushButton::clicked, this, &FrmMostrar::Command5_Click);
    connect(Command4, &QPushButton::clicked, this, &FrmMostrar::Command4_Click);
    connect(Command3, &QPushButton::clicked, this, &FrmMostrar::Command3_Click);
    CenterForm(this); // at the width its buttons gave it
}

void FrmMostrar::ShowModal()
{
    FrmMostrar dialog;
    dialog.exec();
}

void FrmMostrar::showNotes(const std::function<bool(int entry)> &visible)
{
    hide();
    for (int k = ListCount(); k >= 1; --k) {
        if (frmNote *note = NoteOf(k - 1))
            note->setVisible(visible(k - 1));
        QCoreApplication::processEvents();
    }
    accept();
}

void FrmMostrar::Command1_Click()
{
    showNotes([this](int entry) { return Selected(entry); });
}

void FrmMostrar::Command2_Click()
{
    showNotes([](int) { return true; });
}

void FrmMostrar::Command5_Click()
{
    showNotes([](int) { return false; });
}

void FrmMostrar::Command4_Click()
{
    AbrirAjuda(u"mostrar.htm"_qs, HelpMissing::Long);
}

void FrmMostrar::Command3_Click()
{
    reject();
}
