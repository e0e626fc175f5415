#include "note/FontDialog.h"

#include "note/ShowColorDialog.h"
#include "note/WinColor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// The largest size the platform's font dialog takes.
constexpr int MaxPoints = 1638;

} // namespace

FontDialog::FontDialog(const FontRecord &preset, bool noEffects, QWidget *parent)
    : QDialog(parent), m_color(preset.Color & 0xFFFFFF)
{
    setWindowTitle(u"Fonte"_qs);
    setModal(true);

    cboFonte = new QComboBox(this);
    cboFonte->setObjectName(u"cboFonte"_qs);
    QStringList families = QFontDatabase::families();
    // A face this machine lacks stays the choice until the user makes another: the text keeps
    // naming it, and another machine may have it.
    if (!preset.Name.isEmpty() && !families.contains(preset.Name))
        families.prepend(preset.Name);
    cboFonte->addItems(families);
    cboFonte->setCurrentIndex(std::max<qsizetype>(0, families.indexOf(preset.Name)));

    txtTamanho = new QSpinBox(this);
    txtTamanho->setObjectName(u"txtTamanho"_qs);
    txtTamanho->setRange(1, MaxPoints);
    txtTamanho->setValue(preset.Size > 0 ? preset.Size : 10);

    chkNegrito = new QCheckBox(u"Negrito"_qs, this);
    chkNegrito->setObjectName(u"chkNegrito"_qs);
    chkNegrito->setChecked(preset.Bold);
    chkItalico = new QCheckBox(u"Itálico"_qs, this);
    chkItalico->setObjectName(u"chkItalico"_qs);
    chkItalico->setChecked(preset.Italic);

    fraEfeitos = new QGroupBox(u"Efeitos"_qs, this);
    fraEfeitos->setObjectName(u"fraEfeitos"_qs);
    chkSublinhado = new QCheckBox(u"Sublinhado"_qs, fraEfeitos);
    chkSublinhado->setObjectName(u"chkSublinhado"_qs);
    chkSublinhado->setChecked(preset.Underline);
    chkRiscado = new QCheckBox(u"Riscado"_qs, fraEfeitos);
    chkRiscado->setObjectName(u"chkRiscado"_qs);
    chkRiscado->setChecked(preset.StrikeThru);
    cmdCor = new QPushButton(u"Cor..."_qs, fraEfeitos);
    cmdCor->setObjectName(u"cmdCor"_qs);
    auto *effects = new QHBoxLayout(fraEfeitos);
    effects->addWidget(chkSublinhado);
    effects->addWidget(chkRiscado);
    effects->addWidget(cmdCor);
    fraEfeitos->setVisible(!noEffects);

    lblAmostra = new QLabel(u"AaBbYyZz"_qs, this);
    lblAmostra->setObjectName(u"lblAmostra"_qs);
    lblAmostra->setAlignment(Qt::AlignCenter);
    lblAmostra->setMinimumSize(240, 60);
    lblAmostra->setFrameShape(QFrame::StyledPanel);
    lblAmostra->setAutoFillBackground(true);

    Botoes = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    Botoes->setObjectName(u"Botoes"_qs);
    Botoes->button(QDialogButtonBox::Ok)->setText(u"OK"_qs);
    Botoes->button(QDialogButtonBox::Cancel)->setText(u"Cancelar"_qs);
    connect(Botoes, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Botoes, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *style = new QHBoxLayout;
    style->addWidget(chkNegrito);
    style->addWidget(chkItalico);
    auto *form = new QFormLayout;
    form->addRow(u"Fonte:"_qs, cboFonte);
    form->addRow(u"Tamanho:"_qs, txtTamanho);
    form->addRow(u"Estilo:"_qs, style);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(fraEfeitos);
    layout->addWidget(new QLabel(u"Amostra:"_qs, this));
    layout->addWidget(lblAmostra);
    layout->addWidget(Botoes);

    connect(cboFonte, &QComboBox::currentIndexChanged, this, &FontDialog::updateSample);
    connect(txtTamanho, &QSpinBox::valueChanged, this, &FontDialog::updateSample);
    for (QCheckBox *box : {chkNegrito, chkItalico, chkSublinhado, chkRiscado})
        connect(box, &QCheckBox::toggled, this, &FontDialog::updateSample);
    connect(cmdCor, &QPushButton::clicked, this, &FontDialog::cmdCor_Click);
    SetColor(m_color);
}

FontRecord FontDialog::Choice() const
{
    FontRecord r;
    r.Name = cboFonte->currentText();
    r.Size = qint16(txtTamanho->value());
    r.Bold = chkNegrito->isChecked();
    r.Italic = chkItalico->isChecked();
    r.Underline = chkSublinhado->isChecked();
    r.StrikeThru = chkRiscado->isChecked();
    r.Color = m_color;
    return r;
}

void FontDialog::SetColor(quint32 color)
{
    m_color = color & 0xFFFFFF;
    QPixmap swatch(16, 16);
    swatch.fill(WinColor::toQColor(m_color));
    cmdCor->setIcon(swatch);
    updateSample();
}

void FontDialog::cmdCor_Click()
{
    // The same dialog as the notes' colour, with the user's own colours kept.
    const qint64 chosen = ShowColorDialog(this, m_color, false);
    if (chosen >= 0)
        SetColor(quint32(chosen));
}

void FontDialog::updateSample()
{
    QFont f(cboFonte->currentText());
    f.setPointSize(txtTamanho->value());
    f.setBold(chkNegrito->isChecked());
    f.setItalic(chkItalico->isChecked());
    // Effects the dialog does not offer are not shown.
    const bool effects = !fraEfeitos->isHidden();
    f.setUnderline(effects && chkSublinhado->isChecked());
    f.setStrikeOut(effects && chkRiscado->isChecked());
    lblAmostra->setFont(f);
    QPalette p = lblAmostra->palette();
    p.setColor(QPalette::WindowText,
               effects ? WinColor::toQColor(m_color) : palette().color(QPalette::WindowText));
    lblAmostra->setPalette(p);
}
