// The note's colours and the looks of its text area's frame.
#include "note/frmNote.h"

#include "base/FileAccess.h"
#include "base/Globals.h"
#include "note/ShowColorDialog.h"
#include "store/NoteColors.h"
#include "store/NoteStore.h"

#include <QPointer>

namespace {

struct SkinLook
{
    const char16_t *file;
    quint32 frame;  // Picture2's back colour
    quint32 window; // the window's back colour
};

constexpr SkinLook Skins[4] = {
    {u"Skin/home.dat", 0x9DDCFF, 0x46BBFF},
    {u"Skin/love.dat", 0xB584FF, 0x8535FE},
    {u"Skin/office.dat", 0xFFEAC7, 0xFFBF5D},
    {u"Skin/play.dat", 0x0B61FF, 0x0850CC},
};

constexpr quint32 ClassicFrame = 0x87FFFF;
constexpr quint32 ClassicWindow = 0x73E5E5;

} // namespace

void frmNote::Personaliza(bool Random)
{
    quint32 color = 0;
    if (Random) {
        color = RandomNoteColor();
    } else {
        QPointer<frmNote> self(this);
        const qint64 chosen = ShowColorDialog(this, Picture2->BackColor(), true);
        // Closed while the dialog was up (the program ending): nothing left to colour.
        if (!self || chosen < 0)
            return;
        color = quint32(chosen);
    }
    Picture1->SetBackColor(StripColorFor(color));
    txtNote->SetBackColor(color);
    Picture2->SetBackColor(txtNote->BackColor());
    txtNote->viewport()->update();

    const qint16 id = NoteId();
    if (id != 0 && !SaveNote(id))
        ReportSaveFailure();
}

void frmNote::Classico()
{
    Picture2->SetPicture(QPixmap());
    SetBackColor(ClassicWindow);
    Picture2->SetBackColor(ClassicFrame);
    txtNote->viewport()->update();
}

void frmNote::Skin(qint16 Number)
{
    if (Number >= 1 && Number <= 4) {
        const SkinLook &look = Skins[Number - 1];
        QPixmap picture;
        // A missing or unreadable picture leaves the one shown; the colours still change.
        if (picture.load(ResolveFileCase(AppPath + QString::fromUtf16(look.file))))
            Picture2->SetPicture(picture);
        Picture2->SetBackColor(look.frame);
        SetBackColor(look.window);
    }
    txtNote->viewport()->update();
}
