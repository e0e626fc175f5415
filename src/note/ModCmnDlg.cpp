#include "note/ModCmnDlg.h"

#include "platform/Globals.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QQueue>

FileDialogRecord FileDialogSettings;

namespace {

QQueue<QString> &nextAnswers()
{
    static QQueue<QString> answers;
    return answers;
}

[[maybe_unused]] const bool registered = [] {
    OnProgramStateReset([] {
        FileDialogSettings = FileDialogRecord();
        nextAnswers().clear();
    });
    return true;
}();

// "Arquivo de áudio (*.wav)|*.wav" as the file dialog takes it: the patterns in brackets at the
// end of each description, once.
QStringList nameFilters(const QString &filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts.at(i + 1).trimmed();
        patterns.replace(u';', u' ');
        const QString bracketed = u'(' + patterns + u')';
        const QString &description = parts.at(i);
        filters << (description.endsWith(bracketed) ? description : description + u' ' + bracketed);
    }
    return filters;
}

} // namespace

void SetNextFileName(const QString &answer)
{
    nextAnswers().enqueue(answer);
}

void ShowOpenDialog()
{
    FileDialogRecord &s = FileDialogSettings;
    const QStringList filters = nameFilters(s.Filter);
    QString chosen;
    qint32 filterIndex = s.FilterIndex;
    if (!nextAnswers().isEmpty()) {
        chosen = nextAnswers().dequeue();
    } else {
        QFileDialog dialog(s.Owner, s.DialogTitle, s.InitDir);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        // Without the flag the platform's open dialog takes a name that does not exist yet.
        dialog.setFileMode((s.Flags & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile
                                                         : QFileDialog::AnyFile);
        if (!filters.isEmpty()) {
            dialog.setNameFilters(filters);
            if (s.FilterIndex >= 1 && s.FilterIndex <= filters.size())
                dialog.selectNameFilter(filters.at(s.FilterIndex - 1));
        }
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
            chosen = dialog.selectedFiles().constFirst();
            if (const qsizetype i = filters.indexOf(dialog.selectedNameFilter()); i >= 0)
                filterIndex = qint32(i + 1);
        }
    }
    if (chosen.isEmpty())
        return;
    s.FileName = chosen;
    s.FileTitle = QFileInfo(chosen).fileName();
    s.FilterIndex = filterIndex;
}
