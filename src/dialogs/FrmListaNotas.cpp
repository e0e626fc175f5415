#include "dialogs/FrmListaNotas.h"

#include "base/Globals.h"
#include "note/OpenForms.h"
#include "note/TopMost.h"
#include "note/frmNote.h"
#include "store/NoteStore.h"

#include <QListWidget>
#include <QPushButton>
#include <QStyle>

#include <algorithm>

namespace {

QRect pixels(const QRect &twips)
{
    return QRect(twips.x() / TwipsPerPixel, twips.y() / TwipsPerPixel,
                 twips.width() / TwipsPerPixel, twips.height() / TwipsPerPixel);
}

} // namespace

int CaptionWidth(const QPushButton *button)
{
    // As QPushButton::sizeHint counts, without the smallest width some styles give every button.
    const QStyle *style = button->style();
    return button->fontMetrics().size(Qt::TextShowMnemonic, button->text()).width() +
           style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) +
           2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
}

FrmListaNotas::FrmListaNotas(const QString &caption, int clientWidthTwips, int clientHeightTwips,
                             const QRect &listTwips, bool markVisible, QWidget *parent)
    : QDialog(parent)
{
    TrayReady = false;
    setWindowTitle(caption);
    setModal(true);
    // Above the notes, which may themselves be always on top.
    SetWindowTopmost(this, true);
    setFixedSize(clientWidthTwips / TwipsPerPixel, clientHeightTwips / TwipsPerPixel);

    List1 = new QListWidget(this);
    List1->setObjectName(u"List1"_qs);
    List1->setGeometry(pixels(listTwips));
    // Check boxes: each entry is marked on its own, and a click elsewhere loses no mark.
    List1->setSelectionMode(QAbstractItemView::NoSelection);
    for (int i = 1; i < OpenForms::count(); ++i) {
        auto *note = qobject_cast<frmNote *>(OpenForms::at(i));
        if (!note)
            continue;
        auto *entry = new QListWidgetItem(EntryText(note->txtTitle->text()), List1);
        entry->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        entry->setCheckState(markVisible && note->isVisible() ? Qt::Checked : Qt::Unchecked);
        m_notes.append(note);
    }
}

FrmListaNotas::~FrmListaNotas()
{
    TrayReady = true;
}

QString FrmListaNotas::EntryText(const QString &title)
{
    return title.trimmed().isEmpty() ? u"[Em Branco]"_qs : title;
}

int FrmListaNotas::ListCount() const
{
    return List1->count();
}

bool FrmListaNotas::Selected(int entry) const
{
    const QListWidgetItem *item = List1->item(entry);
    return item && item->checkState() == Qt::Checked;
}

void FrmListaNotas::SetSelected(int entry, bool marked)
{
    if (QListWidgetItem *item = List1->item(entry))
        item->setCheckState(marked ? Qt::Checked : Qt::Unchecked);
}

frmNote *FrmListaNotas::NoteOf(int entry) const
{
    return entry >= 0 && entry < m_notes.size() ? m_notes.at(entry).data() : nullptr;
}

QPushButton *FrmListaNotas::AddButton(const char *name, const QString &caption, const QRect &twips)
{
    auto *button = new QPushButton(caption, this);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(pixels(twips));
    button->setAutoDefault(false);
    const int column = m_buttons.isEmpty() ? button->width() : m_buttons.constFirst()->width();
    const int grow = std::max(CaptionWidth(button), column) - column;
    if (grow > 0) {
        for (QPushButton *b : std::as_const(m_buttons))
            b->resize(b->width() + grow, b->height());
        setFixedSize(width() + grow, height());
    }
    button->resize(column + grow, button->height());
    m_buttons.append(button);
    return button;
}
