// The note window's side of a data folder other programs write into too.
#include "note/frmNote.h"

#include "store/NoteStore.h"

#include <QCryptographicHash>
#include <QLineEdit>

namespace {

QByteArray digest(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
}

} // namespace

void frmNote::SetStoredContent(const FileStamp &stamp, const QByteArray &bytes)
{
    m_storedStamp = stamp;
    m_storedHash = stamp.exists ? digest(bytes) : QByteArray();
}

bool frmNote::StoredContentIs(const QByteArray &bytes) const
{
    return !m_storedHash.isEmpty() && digest(bytes) == m_storedHash;
}

void frmNote::SetStoredKeys(const NoteRecord &r)
{
    m_storedKeys = r;
    m_storedKeys.content.reset(); // the keys alone; the text is known by its digest
}

void frmNote::ReloadContent(const QByteArray &bytes, const FileStamp &stamp)
{
    txtNote->LoadData(bytes);
    m_contentUnreadable = false;
    txtNote->setPlaceholderText(QString());
    ContentLoaded();
    SetStoredContent(stamp, bytes);
}

void frmNote::ApplyOutsideKeys(const NoteRecord &r)
{
    // A section emptied by a delete elsewhere, or gone, tells nothing to take: nothing is
    // deleted because another computer deleted it.
    if (!r.top && !r.left && r.title.isEmpty())
        return;
    const NoteRecord was = m_storedKeys;
    SetStoredKeys(r);
    const bool editingTitle = m_titleEdited || (Text1 && Text1->isVisible());
    if (r.title != was.title && !editingTitle)
        txtTitle->setText(r.title);
    if ((r.top != was.top || r.left != was.left) && r.top && r.left) {
        const QPoint place = KeepOnScreen(QPoint(*r.left, *r.top));
        SetTop(place.y());
        SetLeft(place.x());
    }
    // A ringing note shows its colours traded; it takes new ones once it stops.
    if ((r.color1 != was.color1 || r.color2 != was.color2) && !m_colorsTraded) {
        Picture1->SetBackColor(r.color1);
        txtNote->SetBackColor(r.color2);
        Picture2->SetBackColor(r.color2);
    }
}
