#include "note/NotePrinter.h"

#include "base/Globals.h"
#include "base/Services.h"
#include "note/ModCmnDlg.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTextLayout>

#include <memory>

namespace {

std::unique_ptr<QPrinter> &current()
{
    static std::unique_ptr<QPrinter> printer;
    return printer;
}

std::function<bool(QPrinter &)> &dialogAnswer()
{
    static std::function<bool(QPrinter &)> answer;
    return answer;
}

[[maybe_unused]] const bool registered = [] {
    OnProgramStateReset([] {
        current().reset();
        dialogAnswer() = nullptr;
    });
    return true;
}();

// The settings the dialog shows and returns, the printer's name and output file apart.
void copySettings(const QPrinter &from, QPrinter &to)
{
    to.setCopyCount(from.copyCount());
    to.setDuplex(from.duplex());
    to.setPageOrientation(from.pageLayout().orientation());
    to.setPageSize(from.pageLayout().pageSize());
    to.setResolution(from.resolution());
    to.setColorMode(from.colorMode());
    to.setPaperSource(from.paperSource());
}

// A printer's queue: its name without the instance part.
QString queueOf(const QPrinter &printer)
{
    if (printer.outputFormat() != QPrinter::NativeFormat)
        return {};
    return printer.printerName().section(u'/', 0, 0);
}

// The number of this user's newest job on the queue; 0 when there is none or the print system
// does not answer.
int newestJob(const QString &queue)
{
    int newest = 0;
    for (const PrintSystem::Job &job :
         Services::printSystem().jobs(queue).value_or(QList<PrintSystem::Job>()))
        newest = std::max(newest, job.id);
    return newest;
}

// Whether the queue took the document: Qt hands it over without saying whether the print system
// accepted it, so the queue is asked for this user's job of that name made since.
bool jobTaken(const QString &queue, int before, const QString &docName)
{
    const std::optional<QList<PrintSystem::Job>> jobs = Services::printSystem().jobs(queue);
    if (!jobs)
        return false;
    const PrintSystem::Job *sent = nullptr;
    for (const PrintSystem::Job &job : *jobs)
        if (job.id > before && job.name == docName && (!sent || job.id > sent->id))
            sent = &job;
    return sent && !sent->failed;
}

} // namespace

QPrinter &CurrentPrinter()
{
    std::unique_ptr<QPrinter> &printer = current();
    if (!printer) {
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        // The print service's plugin goes with the application object.
        static const bool cleanup = [] {
            qAddPostRoutine([] { current().reset(); });
            return true;
        }();
        Q_UNUSED(cleanup)
    }
    return *printer;
}

bool AnyPrinterInstalled()
{
    return !Services::printSystem().printerNames().isEmpty();
}

void PresetPrintFile(const QString &docName)
{
    QPrinter &printer = CurrentPrinter();
    if (printer.outputFileName().isEmpty() && AnyPrinterInstalled())
        return;
    QString folder = QFileInfo(printer.outputFileName()).absolutePath();
    if (printer.outputFileName().isEmpty() || !QFileInfo(folder).isDir()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (!QFileInfo(folder).isDir())
            folder = QDir::homePath();
    }
    // A title may hold anything; a file name may not hold a separator or control characters.
    QString name = docName.simplified().left(100);
    static const QRegularExpression unsafe(u"[/\\\\\\x00-\\x1f\\x7f]"_qs);
    name.replace(unsafe, u"_"_qs);
    // A file name holds at most 255 bytes, " (n).pdf" included: a title in a script of three
    // bytes a character would otherwise make a name no PDF can be written under.
    while (!name.isEmpty() &&
           (name.back().isHighSurrogate() || QFile::encodeName(name).size() > 240))
        name.chop(1);
    if (name.isEmpty() || name.startsWith(u'.'))
        name.prepend(u"Notavex"_qs);
    QString path = QDir(folder).filePath(name + u".pdf"_qs);
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(folder).filePath(u"%1 (%2).pdf"_qs.arg(name).arg(n));
    printer.setOutputFileName(path);
}

void SetPrinterDialogAnswer(std::function<bool(QPrinter &)> answer)
{
    dialogAnswer() = std::move(answer);
}

bool ShowPrinterDialog(qint32 Flags)
{
    QPrinter &printer = CurrentPrinter();
    // The dialog works on a copy, so that a cancel leaves the current printer as it was.
    QPrinter chosen(QPrinter::HighResolution);
    if (printer.outputFileName().isEmpty())
        chosen.setPrinterName(printer.printerName());
    else
        chosen.setOutputFileName(printer.outputFileName());
    copySettings(printer, chosen);

    bool ok;
    if (dialogAnswer()) {
        ok = dialogAnswer()(chosen);
    } else {
        QPrintDialog dialog(&chosen, FileDialogSettings.Owner);
        dialog.setOption(QAbstractPrintDialog::PrintSelection, Flags & PD_SELECTION);
        dialog.setOption(QAbstractPrintDialog::PrintPageRange, Flags & PD_PAGENUMS);
        ok = dialog.exec() == QDialog::Accepted;
    }
    if (!ok)
        return false;

    if (!chosen.outputFileName().isEmpty()) {
        printer.setOutputFileName(chosen.outputFileName());
    } else {
        // Printer names are compared as the print service does, without case; when several
        // match, the last one listed wins, and when none does the current printer stays.
        QString match;
        for (const QString &installed : Services::printSystem().printerNames())
            if (installed.compare(chosen.printerName(), Qt::CaseInsensitive) == 0)
                match = installed;
        if (!match.isEmpty() &&
            (match != printer.printerName() || !printer.outputFileName().isEmpty())) {
            printer.setOutputFileName(QString());
            // A new printer starts from its own defaults; the dialog's settings follow.
            printer.setPrinterName(match);
        }
    }
    copySettings(chosen, printer);
    return true;
}

bool PrintPlainText(QPrinter &printer, const QString &text, const QFont &font)
{
    const QString queue = queueOf(printer);
    const int before = queue.isEmpty() ? 0 : newestJob(queue);
    QPainter painter;
    if (!printer.isValid() || !painter.begin(&printer))
        return false;
    // Measured at the printer's resolution, not the screen's.
    const QFont printed(font, &printer);
    painter.setFont(printed);
    const qreal width = printer.width();
    const qreal height = printer.height();
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    static const QRegularExpression lineBreak(u"\r\n|[\r\n\u2028\u2029]"_qs);
    bool ok = true;
    qreal y = 0;
    for (const QString &paragraph : text.split(lineBreak)) {
        QTextLayout layout(paragraph, printed, &printer);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
            line.setLineWidth(width);
        layout.endLayout();
        for (int i = 0; i < layout.lineCount() && ok; ++i) {
            const QTextLine line = layout.lineAt(i);
            // A line taller than a whole page still goes on a page of its own.
            if (y > 0 && y + line.height() > height) {
                ok = printer.newPage();
                y = 0;
            }
            line.draw(&painter, QPointF(0, y - line.y()));
            y += line.height();
        }
    }
    ok = painter.end() && ok;
    if (!ok || printer.printerState() == QPrinter::Error)
        return false;
    return queue.isEmpty() || jobTaken(queue, before, printer.docName());
}
