// Printing a note: the title, an empty line and the note's plain text, in the font at the start
// of the text box's selection.
#include "note/frmNote.h"

#include "base/Services.h"
#include "note/NotePrinter.h"

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
    if (!AnyPrinterInstalled() || !ShowPrinterDialog(0))
        return;
    QPrinter &printer = CurrentPrinter();
    printer.setDocName(txtTitle->text());
    // Pictures and what the note keeps unseen have no text.
    const QString text =
        txtTitle->text() + u"\n\n"_qs + txtNote->Text().remove(QChar::ObjectReplacementCharacter);
    if (!PrintPlainText(printer, text, PrintFont()))
        Services::messageBoxes().show(
            u"Aviso: Não foi possível localizar uma impressora padrão existente."_qs,
            MessageBoxes::Ok, MessageBoxes::Information, MessageBoxes::AnswerOk, u"imprimir"_qs);
}
