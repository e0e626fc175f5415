#include "note/ModCmnDlg.h"

#include "base/Globals.h"
#include "note/FontDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QQueue>
#include <QSettings>
#include <QStandardPaths>

FileDialogRecord FileDialogSettings;
FontRecord FontChoice;

namespace {

QQueue<QString> &nextAnswers()
{
    static QQueue<QString> answers;
    return answers;
}

FontDialogAnswer &fontAnswer()
{
    static FontDialogAnswer answer;
    return answer;
}

[[maybe_unused]] const bool registered = [] {
    OnProgramStateReset([] {
        FileDialogSettings = FileDialogRecord();
        nextAnswers().clear();
        FontChoice = FontRecord();
        fontAnswer() = nullptr;
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

std::unique_ptr<QSettings> UserSettings()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, u"Notavex"_qs,
                                       u"notavex"_qs);
}

void SetNextFileName(const QString &answer)
{
    nextAnswers().enqueue(answer);
}

namespace {

const QString LastFolderKey = u"cDialog/InitDir"_qs;

} // namespace

// Not the folder the program was started from, which means nothing to the user.
QString FileDialogFolder()
{
    if (!FileDialogSettings.InitDir.isEmpty())
        return FileDialogSettings.InitDir;
    const QString last = UserSettings()->value(LastFolderKey).toString();
    if (!last.isEmpty() && QFileInfo(last).isDir())
        return last;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

namespace {

void runFileDialog(QFileDialog::AcceptMode mode)
{
    FileDialogRecord &s = FileDialogSettings;
    const QStringList filters = nameFilters(s.Filter);
    QString chosen;
    qint32 filterIndex = s.FilterIndex;
    if (!nextAnswers().isEmpty()) {
        chosen = nextAnswers().dequeue();
    } else {
        QFileDialog dialog(s.Owner, s.DialogTitle, FileDialogFolder());
        dialog.setAcceptMode(mode);
        // Without the flag the platform's open dialog takes a name that does not exist yet.
        dialog.setFileMode((s.Flags & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile
                                                         : QFileDialog::AnyFile);
        // The platform's save dialog asks before replacing a file only when told to.
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !(s.Flags & OFN_OVERWRITEPROMPT));
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
    const std::unique_ptr<QSettings> store = UserSettings();
    store->setValue(LastFolderKey, QFileInfo(chosen).absolutePath());
    store->sync();
}

} // namespace

void ShowOpenDialog()
{
    runFileDialog(QFileDialog::AcceptOpen);
}

void ShowSaveDialog()
{
    runFileDialog(QFileDialog::AcceptSave);
}

QString ChangeExtension(const QString &Path, const QString &Extension)
{
    // Only the file name has an extension: "/x/notas.old/lista" is not "/x/notas" + ".old/lista".
    const qsizetype nameStart = std::max(Path.lastIndexOf(u'/'), Path.lastIndexOf(u'\\')) + 1;
    const qsizetype dot = Path.lastIndexOf(u'.');
    // ".notas" is a name, not an extension.
    QString result = dot > nameStart ? Path.left(dot) : Path;
    if (!Extension.isEmpty())
        result += u'.' + Extension;
    return result;
}

QString TrimAtNul(const QString &Text)
{
    const qsizetype nul = Text.indexOf(QChar(0));
    return nul < 0 ? Text : Text.left(nul);
}

void SetFontDialogAnswer(FontDialogAnswer answer)
{
    fontAnswer() = std::move(answer);
}

bool ShowFontDialog(bool NoEffects)
{
    std::optional<FontRecord> chosen;
    if (fontAnswer()) {
        chosen = fontAnswer()(FontChoice, NoEffects);
    } else {
        FontDialog dialog(FontChoice, NoEffects, FontChoice.Owner);
        if (dialog.exec() == QDialog::Accepted)
            chosen = dialog.Choice();
    }
    if (!chosen)
        return false;
    const QPointer<QWidget> owner = FontChoice.Owner;
    if (NoEffects) {
        // Without the effects part the dialog gives back what it was given.
        chosen->Color = FontChoice.Color;
        chosen->Underline = FontChoice.Underline;
        chosen->StrikeThru = FontChoice.StrikeThru;
    }
    FontChoice = *chosen;
    FontChoice.Owner = owner;
    return true;
}
