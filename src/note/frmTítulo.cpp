#include "note/frmTítulo.h"

#include "base/DateFormat.h"
#include "base/Globals.h"
#include "base/Services.h"
#include "note/CenterForm.h"
#include "note/NoteControls.h"
#include "note/OpenForms.h"
#include "note/TopMost.h"
#include "note/frmNote.h"

#include <QEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace {

QRect twips(int left, int top, int width, int height)
{
    return QRect(left / TwipsPerPixel, top / TwipsPerPixel, width / TwipsPerPixel,
                 height / TwipsPerPixel);
}

// Pixels between the frame's caption and the text box below it.
constexpr int CaptionGap = 2;

QPushButton *button(const QString &caption, const QRect &place, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setGeometry(place);
    return b;
}

} // namespace

frmTítulo::frmTítulo(QWidget *parent)
    : QDialog(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_note(qobject_cast<frmNote *>(OpenForms::at(CurrentFormIndex)))
{
    TrayReady = false;
    setObjectName(u"frmTítulo"_qs);
    setWindowTitle(u"Título"_qs);
    setModal(true);

    Frame1 = new QGroupBox(u"Título da Nota"_qs, this);
    Frame1->setObjectName(u"Frame1"_qs);
    Frame1->setGeometry(twips(60, 30, 3870, 1065));
    Picture1 = new QWidget(Frame1);
    Picture1->setObjectName(u"Picture1"_qs);
    Picture1->setGeometry(twips(30, 165, 3795, 870));
    // The limit is on typing: a longer title stored before is shown and kept whole.
    Text1 = new TitleEdit(MaxTitleLength, Picture1);
    Text1->setObjectName(u"Text1"_qs);
    Text1->setGeometry(twips(45, 75, 3690, 300));

    const char16_t *const captions[3] = {u"Data", u"Hora", u"Data e hora"};
    const QRect places[3] = {twips(45, 495, 1080, 315), twips(1140, 495, 1020, 315),
                             twips(2175, 495, 1560, 315)};
    for (int i = 0; i < 3; ++i) {
        Button[size_t(i)] = button(QString::fromUtf16(captions[i]), places[i], Picture1);
        Button[size_t(i)]->setObjectName(u"Button_"_qs + QString::number(i));
        connect(Button[size_t(i)], &QPushButton::clicked, this, [this, i] { Button_Click(i); });
    }
    Command5 = button(u"Cancelar"_qs, twips(1605, 1170, 1140, 345), this);
    Command5->setObjectName(u"Command5"_qs);
    Command4 = button(u"Ok"_qs, twips(2790, 1155, 1140, 345), this);
    Command4->setObjectName(u"Command4"_qs);
    // Enter is Ok; Escape rejects the dialog, which is Cancelar.
    Command4->setDefault(true);
    connect(Command4, &QPushButton::clicked, this, &frmTítulo::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &frmTítulo::Command5_Click);

    // The frame's caption keeps its room above the text box in a font taller than designed: what
    // it needs more moves the controls below it down, and the dialog grows by as much.
    const int lower =
        std::max(0, Frame1->fontMetrics().height() + CaptionGap - (Picture1->y() + Text1->y()));
    Picture1->move(Picture1->x(), Picture1->y() + lower);
    Frame1->resize(Frame1->width(), Frame1->height() + lower);
    for (QPushButton *b : {Command4, Command5})
        b->move(b->x(), b->y() + lower);
    const QSize size(ClientWidthTwips / TwipsPerPixel, ClientHeightTwips / TwipsPerPixel + lower);
    setFixedSize(size);
    CenterForm(this);

    if (m_note)
        Text1->SetText(m_note->txtTitle->text());
}

frmTítulo::~frmTítulo()
{
    TrayReady = true;
}

void frmTítulo::ShowModal()
{
    frmTítulo dialog;
    dialog.exec();
}

bool frmTítulo::event(QEvent *e)
{
    // Above the notes, which may themselves be always on top, each time it is the active window.
    if (e->type() == QEvent::WindowActivate)
        SetWindowTopmost(this, true);
    return QDialog::event(e);
}

void frmTítulo::Button_Click(int Index)
{
    // The same forms as a new note's title, so that the buttons and new notes agree.
    static const char16_t *const patterns[] = {u"dd/mmm", u"hh:mm", u"dd/mmm - hh:mm"};
    if (Index >= 0 && Index < 3)
        Text1->setText(
            FormatDateTime(QString::fromUtf16(patterns[Index]), Services::clock().now()));
}

void frmTítulo::Command4_Click()
{
    if (m_note)
        m_note->SetTitle(Text1->text());
    accept();
}

void frmTítulo::Command5_Click()
{
    reject();
}
