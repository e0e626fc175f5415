#include "dialogs/FrmExcluir.h"

#include "base/FileAccess.h"
#include "base/Globals.h"
#include "base/Services.h"
#include "dialogs/ModAjuda.h"
#include "note/CenterForm.h"
#include "note/NoteWindows.h"
#include "note/OpenForms.h"
#include "note/frmNote.h"
#include "store/NoteFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>

namespace {

std::function<bool(const QString &)> &remover()
{
    static std::function<bool(const QString &)> installed;
    return installed;
}

bool removeFile(const QString &path)
{
    // Into the Trash, from where the user can put a file back.
    return remover() ? remover()(path) : MoveToTrash(path);
}

// Deleting takes an explicit Yes: Enter or Escape keeps the notes.
bool confirmed(const QString &question)
{
    return Services::messageBoxes().show(question, MessageBoxes::YesNo, MessageBoxes::NoIcon,
                                         MessageBoxes::AnswerNo) == MessageBoxes::AnswerYes;
}

} // namespace

FrmExcluir::FrmExcluir(QWidget *parent)
    : FrmListaNotas(u" Excluir Notas..."_qs, ClientWidthTwips, ClientHeightTwips,
                    QRect(120, 105, 3615, 2985), false, parent)
{
    Command1 = AddButton("Command1", u"Excluir &Selecionadas"_qs, QRect(3810, 90, 1890, 345));
    Command2 = AddButton("Command2", u"Excluir &TODAS"_qs, QRect(3810, 510, 1890, 345));
    Command4 = AddButton("Command4", u"&Ajuda"_qs, QRect(3810, 930, 1890, 345));
    Command3 = AddButton("Command3", u"Cancelar"_qs, QRect(3810, 1530, 1890, 345));
    connect(Command1, &QPushButton::clicked, this, &FrmExcluir::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &FrmExcluir::Command2_Click);
    connect(Command4, &QPushButton::clicked, this, &FrmExcluir::Command4_Click);
    connect(Command3, &QPushButton::clicked, this, &FrmExcluir::Command3_Click);
    CenterForm(this); // at the width its buttons gave it
}

void FrmExcluir::ShowModal()
{
    FrmExcluir dialog;
    dialog.exec();
}

void FrmExcluir::Command1_Click()
{
    if (!confirmed(u"Deseja realmente excluir as notas selecionadas?"_qs))
        return;
    hide();
    // From the last to the first: a deletion moves only the windows after it in OpenForms.
    for (int k = ListCount(); k >= 1; --k) {
        frmNote *note = NoteOf(k - 1);
        if (note && Selected(k - 1)) {
            const qint16 id = qint16(OpenForms::noteIdOf(note));
            const int index = OpenForms::indexOf(note);
            if (id != 0 && index > 0)
                DeleteNote(id, qint16(index));
        }
        QCoreApplication::processEvents();
    }
    accept();
}

void FrmExcluir::Command2_Click()
{
    if (!confirmed(u"Deseja realmente excluir 'TODAS' as notas?"_qs))
        return;
    hide();
    // The windows go first, unsaved: a note saving itself in between would bring back the files.
    for (int k = ListCount(); k >= 1; --k) {
        if (frmNote *note = NoteOf(k - 1))
            note->close();
        QCoreApplication::processEvents();
    }
    const QStringList kept = ApagarArquivos(DataPath);
    if (!kept.isEmpty()) {
        // A list that stayed would hand out the old numbers; an empty one starts again at 1.
        if (QFileInfo::exists(ListFile()))
            WriteListLine(u","_qs);
        Services::messageBoxes().show(
            u"Não foi possível excluir estes arquivos da pasta de dados do Notavex (%1):\n\n%2\n\n"
            u"As notas foram fechadas. Verifique se os arquivos estão protegidos ou em uso por "
            u"outro programa e exclua-os manualmente."_qs.arg(
                QDir::toNativeSeparators(QDir::cleanPath(DataPath)), kept.join(u'\n')),
            MessageBoxes::Ok, MessageBoxes::Warning, MessageBoxes::AnswerOk);
    }
    accept();
}

void FrmExcluir::Command4_Click()
{
    AbrirAjuda(u"excluir_notas.htm"_qs, HelpMissing::Long);
}

void FrmExcluir::Command3_Click()
{
    reject();
}

QStringList FrmExcluir::ApagarArquivos(const QString &folder)
{
    QStringList kept;
    // Listed once and each file tried once: one that resists is not tried again and again.
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &entry : entries) {
        // Hidden files are the program's own (the lock of each computer's running copy) or a
        // sync tool's, not notes.
        if (entry.fileName().startsWith(u'.'))
            continue;
        const bool plain = entry.isSymLink() ? !entry.isDir() : entry.isFile();
        if (plain && !removeFile(entry.filePath()))
            kept.append(entry.fileName());
    }
    return kept;
}

void FrmExcluir::SetFileRemover(std::function<bool(const QString &path)> remover_)
{
    remover() = std::move(remover_);
}
