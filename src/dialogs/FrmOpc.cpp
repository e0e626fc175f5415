#include "dialogs/FrmOpc.h"

#include "base/FileAccess.h"
#include "base/Globals.h"
#include "base/Log.h"
#include "base/ProfileString.h"
#include "base/Services.h"
#include "dialogs/ModAjuda.h"
#include "note/CenterForm.h"
#include "note/ModCmnDlg.h"
#include "note/TopMost.h"
#include "store/NoteFiles.h"
#include "store/NoteStore.h"

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>

namespace {

QString boolText(bool on)
{
    return on ? u"True"_qs : u"False"_qs;
}

template <typename W> W *named(W *w, const char *name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QGroupBox *boldFrame(const QString &caption, const char *name, QWidget *parent)
{
    auto *frame = named(new QGroupBox(caption, parent), name);
    QFont f = frame->font();
    f.setBold(true);
    frame->setFont(f);
    return frame;
}

} // namespace

FrmOpc::FontSettings FrmOpc::StoredFontSettings()
{
    // Read as note creation reads them, so the dialog shows the format new notes get.
    const NewTextFormat f = ReadNewTextFormat();
    // Whole points, ties to even: the default 9,75 gives 10.
    return {
        f.fontName,     qint16(std::nearbyint(f.fontSize)), f.color, f.bold, f.italic, f.underline,
        f.strikethrough};
}

QString FrmOpc::Describe(const FontSettings &f)
{
    return f.Name + u" Tamanho: "_qs + QString::number(f.Size) + u"  "_qs +
           (f.Bold ? u" Negrito "_qs : QString()) + (f.Italic ? u" Italico "_qs : QString()) +
           (f.Underline ? u" Sublinhado "_qs : QString()) +
           (f.StrikeThru ? u" Riscado "_qs : QString());
}

FrmOpc::FrmOpc(QWidget *parent) : QDialog(parent)
{
    TrayReady = false;
    setWindowTitle(u" Opções"_qs);
    setModal(true);
    // Above the notes, which may themselves be always on top.
    SetWindowTopmost(this, true);
    createControls();
    setFixedSize(QSize(ClientWidthTwips / TwipsPerPixel, ClientHeightTwips / TwipsPerPixel)
                     .expandedTo(layout()->minimumSize()));
    CenterForm(this);
    Option1[Coloridos ? 2 : 1]->setChecked(true);
    DefaultFontSettings = StoredFontSettings();
    showFont();
}

FrmOpc::~FrmOpc()
{
    TrayReady = true;
}

void FrmOpc::ShowModal()
{
    FrmOpc dialog;
    dialog.exec();
}

void FrmOpc::createControls()
{
    auto *main = new QVBoxLayout(this);
    main->setContentsMargins(5, 8, 5, 5);

    Frame5 = boldFrame(u"As novas notas serão criadas com a cor:"_qs, "Frame5", this);
    Picture1 = named(new QWidget(Frame5), "Picture1");
    QFont normal = font();
    normal.setBold(false); // only the frames' captions are bold, not what they hold
    Picture1->setFont(normal);
    (new QVBoxLayout(Frame5))->addWidget(Picture1);
    auto *colours = new QHBoxLayout(Picture1);
    colours->setContentsMargins(4, 0, 0, 0);
    Option1[1] = named(new QRadioButton(u"Padrão"_qs, Picture1), "Option1_1");
    Option1[2] = named(new QRadioButton(u"Aleatória"_qs, Picture1), "Option1_2");
    colours->addWidget(Option1[1]);
    colours->addSpacing(16);
    colours->addWidget(Option1[2]);
    colours->addStretch();
    main->addWidget(Frame5);

    Frame2 = boldFrame(u"Fonte padrão"_qs, "Frame2", this);
    Picture3 = named(new QWidget(Frame2), "Picture3");
    Picture3->setFont(normal);
    (new QVBoxLayout(Frame2))->addWidget(Picture3);
    auto *font = new QVBoxLayout(Picture3);
    font->setContentsMargins(4, 0, 4, 0);
    Label2 = named(new QLabel(Picture3), "Label2");
    font->addWidget(Label2);
    auto *swatchRow = new QHBoxLayout;
    Label1 = named(new QLabel(u"Cor da fonte:"_qs, Picture3), "Label1");
    Picture4 = named(new QWidget(Picture3), "Picture4");
    Picture4->setFixedSize(375 / TwipsPerPixel, 225 / TwipsPerPixel);
    Picture4->setAutoFillBackground(true);
    swatchRow->addWidget(Label1);
    swatchRow->addWidget(Picture4);
    swatchRow->addStretch();
    font->addLayout(swatchRow);
    Command3 = named(new QPushButton(u"Definir fonte padrão"_qs, Picture3), "Command3");
    auto *buttonRow = new QHBoxLayout;
    buttonRow->addWidget(Command3);
    buttonRow->addStretch();
    font->addLayout(buttonRow);
    main->addWidget(Frame2);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    Command4 = named(new QPushButton(u"&Ajuda"_qs, this), "Command4");
    Command2 = named(new QPushButton(u"&Cancelar"_qs, this), "Command2");
    Command1 = named(new QPushButton(u"&OK"_qs, this), "Command1");
    for (QPushButton *b : {Command4, Command2, Command1}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    Command1->setDefault(true);
    main->addLayout(buttons);

    connect(Command1, &QPushButton::clicked, this, &FrmOpc::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &FrmOpc::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &FrmOpc::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &FrmOpc::Command4_Click);
}

void FrmOpc::showFont()
{
    QPalette p = Picture4->palette();
    const quint32 c = DefaultFontSettings.Color;
    p.setColor(QPalette::Window,
               QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)));
    Picture4->setPalette(p);
    Label2->setText(Describe(DefaultFontSettings));
}

void FrmOpc::Command3_Click()
{
    // From the stored keys, not from what the dialog shows: a second try starts afresh.
    const FontSettings stored = StoredFontSettings();
    FontChoice.Name = stored.Name;
    FontChoice.Size = stored.Size;
    FontChoice.Color = stored.Color;
    FontChoice.Bold = stored.Bold;
    FontChoice.Italic = stored.Italic;
    FontChoice.Underline = stored.Underline;
    FontChoice.StrikeThru = stored.StrikeThru;
    ShowFontDialog(false);
    DefaultFontSettings = {FontChoice.Name,      FontChoice.Size,   FontChoice.Color,
                           FontChoice.Bold,      FontChoice.Italic, FontChoice.Underline,
                           FontChoice.StrikeThru};
    showFont();
    Changed = true;
}

void FrmOpc::Command1_Click()
{
    const bool random = Option1[2]->isChecked();
    bool written = true;
    const auto write = [&](const char16_t *section, const char16_t *key, const QString &value) {
        written = WritePrivateProfileString(QString::fromUtf16(section), QString::fromUtf16(key),
                                            value, IndexFile()) &&
                  written;
    };
    if (Changed) {
        const FontSettings &f = DefaultFontSettings;
        write(u"Format", u"SelColor", QString::number(f.Color));
        write(u"Format", u"FontName", f.Name);
        write(u"Format", u"FontSize", QString::number(f.Size));
        write(u"Format", u"FontBold", boolText(f.Bold));
        write(u"Format", u"FontItalic", boolText(f.Italic));
        write(u"Format", u"FontUnderline", boolText(f.Underline));
        write(u"Format", u"FontStrikethrough", boolText(f.StrikeThru));
    }
    write(u"Indice", u"Coloridos", boolText(random));
    if (!written) {
        // Closing now would make options that are not on the disk look stored.
        const WriteFailure failure = LastWriteFailure();
        const QString text =
            u"Não foi possível salvar as opções na pasta %1 (%2). Tente de novo ou cancele."_qs.arg(
                QDir::toNativeSeparators(DataPath), failure.text());
        LogProblem(text);
        Services::messageBoxes().show(text, MessageBoxes::Ok, MessageBoxes::Warning,
                                      MessageBoxes::AnswerOk);
        return;
    }
    if (random != Coloridos || Changed)
        Services::messageBoxes().show(
            u"As alterações terão efeito para as notas que forem criadas a partir de agora"_qs,
            MessageBoxes::Ok, MessageBoxes::NoIcon, MessageBoxes::AnswerOk);
    Coloridos = random;
    accept();
}

void FrmOpc::Command2_Click()
{
    reject();
}

void FrmOpc::Command4_Click()
{
    AbrirAjuda(u"opcoes.htm"_qs, HelpMissing::Short);
}
