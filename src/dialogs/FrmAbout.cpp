#include "dialogs/FrmAbout.h"

#include "base/Globals.h"
#include "dialogs/ModAjuda.h"
#include "note/CenterForm.h"
#include "note/TopMost.h"

#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

namespace {

constexpr int Twips = 15; // per pixel

// Places a control at its designed spot (twips), wide enough for its text in a larger font.
template <typename W> W *place(W *w, const char *name, int left, int top, int width, int height)
{
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(left / Twips, top / Twips, std::max(width / Twips, w->sizeHint().width()),
                   std::max(height / Twips, w->sizeHint().height()));
    return w;
}

QLabel *link(QLabel *label)
{
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::blue);
    label->setPalette(palette);
    label->setCursor(Qt::PointingHandCursor);
    return label;
}

} // namespace

FrmAbout::FrmAbout(QWidget *parent) : QDialog(parent)
{
    TrayReady = false;
    setWindowTitle(u" Sobre o Notavex"_qs);
    setModal(true);
    SetWindowTopmost(this, true);

    Label2 = new QLabel(u"Notavex"_qs, this);
    QFont bold = Label2->font();
    bold.setBold(true);
    bold.setPointSize(12);
    Label2->setFont(bold);
    place(Label2, "Label2", 60, 75, 1725, 300);
    Label5 = place(new QLabel(u"Para Windows XP  Win7  Win8  Win10"_qs, this), "Label5", 75, 375,
                   2880, 210);
    Label8 = new QLabel(u"%1.%2.%3"_qs.arg(NOTAVEX_VERSION_MAJOR)
                            .arg(NOTAVEX_VERSION_MINOR)
                            .arg(NOTAVEX_VERSION_PATCH),
                        this);
    place(Label8, "Label8", 3795, 540, 765, 195);
    Frame1 = place(new QGroupBox(this), "Frame1", 15, 705, 4635, 1800);
    Label11 = place(link(new QLabel(u"Respostas para as perguntas mais frequentes"_qs, Frame1)),
                    "Label11", 135, 1440, 3255, 255);
    Label6 = place(link(new QLabel(u"Fale conosco"_qs, Frame1)), "Label6", 3540, 1440, 975, 255);
    // Links widened for a larger font keep apart: the second goes beside the first while the
    // frame holds both, under it otherwise, so that the box keeps its size; the frame grows only
    // around what still does not fit.
    if (Label6->x() < Label11->geometry().right() + 12) {
        if (Label11->geometry().right() + 12 + Label6->width() <= Frame1->width() - 8)
            Label6->move(Label11->geometry().right() + 12, Label6->y());
        else
            Label6->move(Label11->x(), Label11->geometry().bottom() + 1);
        const QRect links = Label11->geometry() | Label6->geometry();
        Frame1->resize(std::max(Frame1->width(), links.right() + 8),
                       std::max(Frame1->height(), links.bottom() + 4));
    }
    Command1 = place(new QPushButton(u"&OK"_qs, this), "Command1", 3480, 2550, 1155, 300);
    Command1->setDefault(true);
    for (QLabel *label : {Label11, Label6})
        label->installEventFilter(this);
    connect(Command1, &QPushButton::clicked, this, &FrmAbout::Command1_Click);

    // A desktop font too large for the designed size makes the box larger rather than cutting
    // its texts off, with a margin beside what reaches past it.
    QSize size(ClientWidthTwips / Twips, ClientHeightTwips / Twips);
    for (const QWidget *w : findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
        const QRect g = w->geometry();
        if (g.right() >= size.width())
            size.setWidth(g.right() + 5);
        if (g.bottom() >= size.height())
            size.setHeight(g.bottom() + 5);
    }
    setFixedSize(size);
    CenterForm(this);
}

FrmAbout::~FrmAbout()
{
    TrayReady = true;
}

void FrmAbout::ShowModal()
{
    FrmAbout box;
    box.exec();
}

bool FrmAbout::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        if (watched == Label11)
            Label11_Click();
        else if (watched == Label6)
            Label6_Click();
    }
    return QDialog::eventFilter(watched, event);
}

// The program has no web pages of its own; its questions and contact topics are in the help,
// which is always there. The box stays open.
void FrmAbout::Label11_Click()
{
    AbrirAjuda(QString::fromUtf16(FaqTopic), HelpMissing::Short);
}

void FrmAbout::Label6_Click()
{
    AbrirAjuda(QString::fromUtf16(ContatoTopic), HelpMissing::Short);
}

void FrmAbout::Command1_Click()
{
    accept();
}
