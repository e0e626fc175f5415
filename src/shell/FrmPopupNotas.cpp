// The tray menu's commands on all notes: "Organizar Notas", "Mostra Selecionadas..." and
// "Excluir...".
#include "shell/FrmPopup.h"

#include "dialogs/FrmExcluir.h"
#include "dialogs/FrmMostrar.h"
#include "note/frmNote.h"
#include "note/OpenForms.h"
#include "base/Services.h"

#include <QCoreApplication>

// Every note window lined up in columns at the right edge of the work area, the visible ones
// first, then the hidden ones, which stay hidden. Nothing is saved.
void FrmPopup::MnOrganizar_Click()
{
    LastPlaced = 0;
    for (const bool visible : {true, false}) {
        // Counted again for each pass: events run between placements.
        const int count = OpenForms::count();
        for (int i = 1; i < count; ++i) {
            const QWidget *w = OpenForms::at(i);
            if (!qobject_cast<const frmNote *>(w) || w->isVisible() != visible)
                continue;
            PlaceNote(qint16(i));
            QCoreApplication::processEvents();
        }
    }
}

void FrmPopup::PlaceNote(qint16 Index)
{
    auto *w = qobject_cast<frmNote *>(OpenForms::at(Index));
    if (!w)
        return;
    // The work area is asked for at each placement, so a screen changed since start-up counts.
    const TwipLimits limits = LimitsOf(Services::screen().workArea());
    std::optional<TwipRect> previous;
    if (LastPlaced != 0)
        previous = m_lastPlacedAt;
    // The window holds whole pixels only; the chain goes on from the twips it was given, so that
    // the one-twip gaps add up as they should.
    m_lastPlacedAt = NextPlace(previous, qint64(w->width()) * TwipsPerPixel,
                               qint64(w->height()) * TwipsPerPixel, limits);
    w->SetLeft(int(m_lastPlacedAt.left));
    w->SetTop(int(m_lastPlacedAt.top));
    LastPlaced = Index;
}

void FrmPopup::mnSN_Click()
{
    FrmMostrar::ShowModal();
}

void FrmPopup::menExcluir_Click()
{
    FrmExcluir::ShowModal();
}
