#include "dialogs/FrmInserir.h"

#include "base/DateFormat.h"
#include "base/Globals.h"
#include "base/ProfileString.h"
#include "base/Services.h"
#include "dialogs/FrmListaNotas.h"
#include "note/CenterForm.h"
#include "note/OpenForms.h"
#include "note/TopMost.h"
#include "note/frmNote.h"
#include "store/Ini.h"
#include "store/NoteFiles.h"

#include <QGroupBox>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QStyle>

#include <algorithm>

namespace {

constexpr int Twips = 15; // per pixel

template <typename W> W *place(W *w, const char *name, int left, int top, int width, int height)
{
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(left / Twips, top / Twips, width / Twips, height / Twips);
    return w;
}

} // namespace

QStringList FrmInserir::Formatos(const QDateTime &when, const QLocale &locale)
{
    const auto f = [&](const char16_t *pattern) {
        return FormatDateTime(QString::fromUtf16(pattern), when, locale);
    };
    const QString dash = u" - "_qs;
    return {
        f(u"dd/mm/yy"),
        f(u"dd/mm/yyyy"),
        f(u"dd/mmm/yy"),
        f(u"dd/mmm/yyyy"),
        locale.toString(when.date(), QLocale::LongFormat),
        f(u"dd mmmm, yyyy"),
        f(u"mmmm dd, yyyy"),
        f(u"mmmm, yyyy"),
        f(u"mmm/yyyy"),
        f(u"dd/mm/yy") + dash + f(u"hh:mm"),
        f(u"dd/mm/yy") + dash + f(u"hh:mm:ss"),
        f(u"dd/mm/yyyy") + dash + f(u"hh:mm"),
        f(u"dd/mm/yyyy") + dash + f(u"hh:mm:ss"),
        f(u"hh:mm"),
        f(u"hh:mm:ss"),
    };
}

FrmInserir::FrmInserir(QWidget *parent) : QDialog(parent)
{
    TrayReady = false;
    setWindowTitle(u" Data e hora"_qs);
    setModal(true);
    SetWindowTopmost(this, true);

    Frame1 = place(new QGroupBox(u"Formatos disponíveis:"_qs, this), "Frame1", 60, 30, 4065, 2445);
    Picture1 = place(new QWidget(Frame1), "Picture1", 30, 195, 3975, 2220);
    Lsttime = place(new QListWidget(Picture1), "Lsttime", 45, 45, 2685, 2010);
    Command1 = place(new QPushButton(u"OK"_qs, Picture1), "Command1", 2805, 45, 1110, 345);
    Command2 = place(new QPushButton(u"Cancelar"_qs, Picture1), "Command2", 2805, 465, 1110, 345);
    Command1->setDefault(true);
    setFixedSize(ClientWidthTwips / Twips, ClientHeightTwips / Twips);

    // Fixed now: a dialog left open a while still inserts the moment it was opened.
    Lsttime->addItems(Formatos(Services::clock().now(), QLocale()));
    // The longest entry (a long date in the user's language) and the captions are seen whole,
    // without scrolling: where the designed list or buttons are too narrow in the desktop's font,
    // they and the dialog grow by as much.
    const int needed = Lsttime->sizeHintForColumn(0) + 2 * Lsttime->frameWidth() +
                       Lsttime->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, Lsttime);
    const int listGrows = std::max(0, needed - Lsttime->width());
    const int buttonsGrow = std::max({0, CaptionWidth(Command1) - Command1->width(),
                                      CaptionWidth(Command2) - Command2->width()});
    Lsttime->resize(Lsttime->width() + listGrows, Lsttime->height());
    for (QPushButton *b : {Command1, Command2})
        b->setGeometry(b->x() + listGrows, b->y(), b->width() + buttonsGrow, b->height());
    for (QWidget *w : {static_cast<QWidget *>(Picture1), static_cast<QWidget *>(Frame1)})
        w->resize(w->width() + listGrows + buttonsGrow, w->height());
    // The frame's caption keeps its room above the list likewise.
    const int lower =
        std::max(0, Frame1->fontMetrics().height() + 2 - (Picture1->y() + Lsttime->y()));
    Picture1->move(Picture1->x(), Picture1->y() + lower);
    Frame1->resize(Frame1->width(), Frame1->height() + lower);
    setFixedSize(width() + listGrows + buttonsGrow, height() + lower);
    CenterForm(this);
    bool ok = false;
    const int stored =
        ReadIni(u"Config"_qs, u"Formato"_qs, u"0"_qs, IndexFile()).trimmed().toShort(&ok);
    Lsttime->setCurrentRow(ok && stored >= 0 && stored < Lsttime->count() ? stored : 0);

    connect(Command1, &QPushButton::clicked, this, &FrmInserir::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &FrmInserir::Command2_Click);
    connect(Lsttime, &QListWidget::itemDoubleClicked, this, &FrmInserir::Command1_Click);
}

FrmInserir::~FrmInserir()
{
    TrayReady = true;
}

void FrmInserir::ShowModal()
{
    FrmInserir dialog;
    dialog.exec();
}

void FrmInserir::Command1_Click()
{
    const int row = Lsttime->currentRow();
    auto *note = qobject_cast<frmNote *>(OpenForms::at(CurrentFormIndex));
    // A note shown only in part takes no typing, and no date either.
    if (row >= 0 && note && !note->txtNote->isReadOnly()) {
        note->txtNote->SetSelText(Lsttime->item(row)->text());
        WritePrivateProfileString(u"Config"_qs, u"Formato"_qs, QString::number(row), IndexFile());
    }
    accept();
}

void FrmInserir::Command2_Click()
{
    reject();
}
