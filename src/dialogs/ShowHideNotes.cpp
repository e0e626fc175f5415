#include "dialogs/ShowHideNotes.h"

#include "note/OpenForms.h"
#include "note/frmNote.h"

#include <QCoreApplication>

namespace {

void setAllVisible(bool visible)
{
    for (int i = 1; i < OpenForms::count(); ++i) {
        if (auto *note = qobject_cast<frmNote *>(OpenForms::at(i)))
            note->setVisible(visible);
    }
    QCoreApplication::processEvents();
}

} // namespace

void MostrarTodos()
{
    setAllVisible(true);
}

void OcultarTodos()
{
    setAllVisible(false);
}
