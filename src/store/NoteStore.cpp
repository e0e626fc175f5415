#include "store/NoteStore.h"

#include "platform/Globals.h"
#include "platform/OpenForms.h"
#include "platform/ProfileString.h"
#include "store/NoteFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QList>
#include <QWidget>

namespace {

// The note windows of OpenForms, newest first: the order in which they are saved and listed.
QList<QWidget *> noteWindowsNewestFirst()
{
    QList<QWidget *> notes;
    for (int i = OpenForms::count() - 1; i >= 1; --i) {
        QWidget *w = OpenForms::at(i);
        if (OpenForms::noteIdOf(w) != 0)
            notes.append(w);
    }
    return notes;
}

} // namespace

void SaveNotes(qint16 Id)
{
    Q_UNUSED(Id);
    if (!QFileInfo(DataPath).isDir())
        QDir().mkpath(DataPath);

    const QList<QWidget *> notes = noteWindowsNewestFirst();
    {
        ProfileBatch batch(IndexFile());
        WritePrivateProfileString(QStringLiteral("Indice"), QStringLiteral("TotalForms"),
                                  QString::number(notes.size()), IndexFile());
    }

    QString list = QStringLiteral(",");
    for (QWidget *w : notes)
        list += QString::number(OpenForms::noteIdOf(w)) + QLatin1Char(',');
    WriteListLine(list);
}

void LoadNotes()
{
    // No note window exists to be created yet; the program is ready at once.
    TrayReady = true;
}
