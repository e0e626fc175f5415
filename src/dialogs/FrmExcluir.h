#pragma once

#include "dialogs/FrmListaNotas.h"

#include <QStringList>

#include <functional>

// " Excluir Notas...": every note listed, none marked; deletes the marked notes, or every note and
// every plain file of the data folder.
class FrmExcluir : public FrmListaNotas
{
    Q_OBJECT

public:
    static constexpr int ClientWidthTwips = 5775;
    static constexpr int ClientHeightTwips = 3225;

    explicit FrmExcluir(QWidget *parent = nullptr);

    // "Excluir..." of the tray menu: opens the dialog and returns when it is closed.
    static void ShowModal();

    void Command1_Click(); // "Excluir &Selecionadas"
    void Command2_Click(); // "Excluir &TODAS"
    void Command4_Click(); // "&Ajuda"
    void Command3_Click(); // "Cancelar"

    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command4 = nullptr;
    QPushButton *Command3 = nullptr;

    // Deletes each plain file lying directly in folder, once: regular files and symbolic links
    // (the link, never what it points to). Folders, links to folders, hidden files (the running
    // copy's lock and socket among them) and special files stay. Gives the names of the files
    // that could not be deleted.
    static QStringList ApagarArquivos(const QString &folder);

    // Who deletes one file (true when it is gone); tests give their own, an empty function puts
    // the real one back.
    static void SetFileRemover(std::function<bool(const QString &path)> remover);
};
