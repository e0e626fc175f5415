// Printing a note: the title, an empty line and the note's plain text, in the font at the start
// of the text box's selection.
#include "note/frmNote.h"

#include "base/Services.h"
#include "note/NotePrinter.h"
#include "store/NoteFiles.h"

#include <QDir>
#include <QPrinter>
#include <QTextCursor>
#include <QTextDocument>

QFont frmNote::PrintFont() const
{
    // A selection of several fonts prints in the one its first character has.
    QTextCursor first(txtNote->document());
    const QTextCursor selection = txtNote->textCursor();
    first.setPosition(selection.selectionStart());
    first.movePosition(QTextCursor::NextCharacter);
    const QFont start = first.charFormat().font().resolve(txtNote->document()->defaultFont());

    QFont font(txtNote->SelFontName().value_or(start.family()));
    font.setPointSizeF(txtNote->SelFontSize().value_or(start.pointSizeF()));
    font.setBold(txtNote->SelBold().value_or(start.bold()));
    return font;
}

void frmNote::Imprimir()
{
    // Only the beginning of a very large note is in the window; its printout would look whole.
    if (txtNote->PreviewOf() != 0) {
        Services::messageBoxes().show(
            u"Esta nota é grande demais para ser impressa pelo Notavex. O texto inteiro dela está "
            u"em \"%1\"."_qs.arg(QDir::toNativeSeparators(ContentFile(NoteId()))),
            MessageBoxes::Ok, MessageBoxes::Information, MessageBoxes::AnswerOk, u"imprimir"_qs);
        return;
    }
    // Without a printer the dialog offers a PDF file rather than nothing at all.
    PresetPrintFile(txtTitle->text());
    if (!ShowPrinterDialog(0))
        return;
    QPrinter &printer = CurrentPrinter();
    // The print system refuses a job whose name is longer than 255 bytes.
    QString jobName = txtTitle->text();
    while (jobName.toUtf8().size() > 255)
        jobName.chop(1);
    printer.setDocName(jobName);
    // Pictures and what the note keeps unseen have no text.
    const QString text =
        txtTitle->text() + u"\n\n"_qs + txtNote->Text().remove(QChar::ObjectReplacementCharacter);
    if (!PrintPlainText(printer, text, PrintFont()))
        Services::messageBoxes().show(
            u"Aviso: Não foi possível localizar uma impressora padrão existente."_qs,
            MessageBoxes::Ok, MessageBoxes::Information, MessageBoxes::AnswerOk, u"imprimir"_qs);
}
