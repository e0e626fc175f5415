// The note's editing commands: clipboard and undo, select all, the font of the selection, and
// the text loaded from or saved to a file.
#include "note/frmNote.h"

#include "base/FileAccess.h"
#include "base/Log.h"
#include "base/Services.h"
#include "note/ModCmnDlg.h"
#include "store/NoteFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTextCursor>

namespace {

// The note commands' own settings; the rest of FileDialogSettings is left as other callers set it.
void prepareTextFileDialog()
{
    FileDialogSettings.FileName.clear();
    FileDialogSettings.Filter = u"Documentos de texto (*.txt)|*.txt"_qs;
    FileDialogSettings.Flags = OFN_READONLY | OFN_HIDEREADONLY;
}

void reportFileError(const QString &what, const QString &path, const QString &why)
{
    Services::messageBoxes().show(what.arg(QDir::toNativeSeparators(path), why), MessageBoxes::Ok,
                                  MessageBoxes::Warning, MessageBoxes::AnswerOk, u"Notavex"_qs);
}

} // namespace

void frmNote::Colar()
{
    txtNote->paste();
}

void frmNote::Copiar()
{
    txtNote->copy();
}

void frmNote::Recortar()
{
    txtNote->cut();
}

void frmNote::Desfazer()
{
    txtNote->undo();
}

void frmNote::Selecionar()
{
    txtNote->SetFocus();
    txtNote->SetSelStart(0);
    txtNote->SetSelLength(int(txtNote->Text().length()));
}

void frmNote::Fonte()
{
    RichTextBox &t = *txtNote;
    // What a mixed selection cannot tell keeps what the record held.
    FontChoice.Bold = t.SelBold().value_or(FontChoice.Bold);
    FontChoice.Color = t.SelColor().value_or(FontChoice.Color);
    FontChoice.Name = t.SelFontName().value_or(FontChoice.Name);
    if (const auto size = t.SelFontSize())
        FontChoice.Size = qint16(qRound(*size));
    FontChoice.Italic = t.SelItalic().value_or(FontChoice.Italic);
    FontChoice.StrikeThru = t.SelStrikeThru().value_or(FontChoice.StrikeThru);
    FontChoice.Underline = t.SelUnderline().value_or(FontChoice.Underline);

    // The dialog's own window would otherwise go behind a pinned note.
    const bool lent = !FontChoice.Owner;
    if (lent)
        FontChoice.Owner = this;
    ShowFontDialog(false);
    if (lent)
        FontChoice.Owner = nullptr;

    // Also after a cancel: a field the selection mixed becomes the record's, as the dialog showed.
    // One undo step takes it all back.
    QTextCursor block = t.textCursor();
    block.beginEditBlock();
    if (!FontChoice.Name.isEmpty())
        t.SetSelFontName(FontChoice.Name);
    t.SetSelFontSize(FontChoice.Size);
    t.SetSelBold(FontChoice.Bold);
    t.SetSelColor(FontChoice.Color);
    t.SetSelItalic(FontChoice.Italic);
    t.SetSelStrikeThru(FontChoice.StrikeThru);
    t.SetSelUnderline(FontChoice.Underline);
    block.endEditBlock();
}

void frmNote::Abrir()
{
    // Text loaded here would be saved over the note's own file, which could not be read.
    if (m_contentUnreadable) {
        Services::messageBoxes().show(
            u"O texto desta nota não pôde ser lido, e o arquivo dela, \"%1\", fica como está. "
            u"Carregue o arquivo em outra nota."_qs.arg(
                QDir::toNativeSeparators(ContentFile(NoteId()))),
            MessageBoxes::Ok, MessageBoxes::Information, MessageBoxes::AnswerOk, u"Notavex"_qs);
        return;
    }
    prepareTextFileDialog();
    const bool lent = !FileDialogSettings.Owner;
    if (lent)
        FileDialogSettings.Owner = this;
    ShowOpenDialog();
    if (lent)
        FileDialogSettings.Owner = nullptr;
    const QString path = FileDialogSettings.FileName;
    if (path.isEmpty())
        return;
    // The loaded text is the note's new content, written at the next save like typed text.
    QString why;
    if (!txtNote->LoadFile(path, &why))
        reportFileError(u"Não foi possível ler o arquivo \"%1\" (%2). A nota não foi alterada."_qs,
                        path, why);
}

void frmNote::Salvar()
{
    // Only the beginning of a very large note is in the window; saving that would give a file
    // that looks whole and is not.
    if (txtNote->PreviewOf() != 0) {
        Services::messageBoxes().show(
            u"Esta nota é grande demais para ser salva em arquivo de texto pelo Notavex. O texto "
            u"inteiro dela está em \"%1\"."_qs.arg(QDir::toNativeSeparators(ContentFile(NoteId()))),
            MessageBoxes::Ok, MessageBoxes::Information, MessageBoxes::AnswerOk, u"Notavex"_qs);
        return;
    }
    prepareTextFileDialog();
    const bool lent = !FileDialogSettings.Owner;
    if (lent)
        FileDialogSettings.Owner = this;
    ShowSaveDialog();
    if (lent)
        FileDialogSettings.Owner = nullptr;
    QString path = FileDialogSettings.FileName;
    if (path.isEmpty())
        return;
    path = path.contains(u'.') ? ChangeExtension(path, u"txt"_qs) : path + u".txt"_qs;
    // The dialog does not ask before replacing a file, and the name may have changed its ending
    // since: a file of the user's is replaced only when the user says so.
    if (QFileInfo::exists(path) &&
        Services::messageBoxes().show(u"O arquivo \"%1\" já existe. Deseja substituí-lo?"_qs.arg(
                                          QDir::toNativeSeparators(path)),
                                      MessageBoxes::YesNo, MessageBoxes::Question,
                                      MessageBoxes::AnswerNo,
                                      u"Notavex"_qs) != MessageBoxes::AnswerYes)
        return;

    QString text = txtNote->Text();
    text.remove(QChar::ObjectReplacementCharacter); // a picture has no text
    // The user's own file, readable as any file the user makes.
    if (!WriteFileAtomic(path, (text + u"\r\n"_qs).toUtf8(), NewFileAccess::UserDefault)) {
        reportFileError(u"Não foi possível salvar o arquivo \"%1\" (%2)."_qs, path,
                        LastWriteFailure().text());
        return;
    }
    saveWithMessage();
}
