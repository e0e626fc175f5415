#pragma once

#include "dialogs/FrmListaNotas.h"

#include <functional>

// " Mostrar Notas": every note listed, the visible ones marked; the user marks those to show.
// Nothing is written: the visibility reaches the disk with the next save.
class FrmMostrar : public FrmListaNotas
{
    Q_OBJECT

public:
    static constexpr int ClientWidthTwips = 5895;
    static constexpr int ClientHeightTwips = 3150;

    explicit FrmMostrar(QWidget *parent = nullptr);

    // "Mostra Selecionadas..." of the tray menu: opens the dialog and returns when it is closed.
    static void ShowModal();

    void Command1_Click(); // "Mostrar &Selecionadas"
    void Command2_Click(); // "Mostar &Todas"
    void Command5_Click(); // "&Ocultar Todas"
    void Command4_Click(); // "&Ajuda"
    void Command3_Click(); // "Cancelar"

    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command5 = nullptr;
    QPushButton *Command4 = nullptr;
    QPushButton *Command3 = nullptr;

private:
    // Shows or hides each listed note, the last first, then closes the dialog.
    void showNotes(const std::function<bool(int entry)> &visible);
};
