#pragma once

#include "note/ModCmnDlg.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;

// The font dialog: face, whole point size, bold, italic and, unless told not to, the effects
// (underline, strikeout, colour), with a sample. Qt's own font dialog offers no colour.
class FontDialog : public QDialog
{
    Q_OBJECT

public:
    FontDialog(const FontRecord &preset, bool noEffects, QWidget *parent = nullptr);

    // What the controls hold now; Owner stays empty.
    FontRecord Choice() const;

    quint32 Color() const { return m_color; }
    void SetColor(quint32 color);

    QComboBox *cboFonte = nullptr;
    QSpinBox *txtTamanho = nullptr;
    QCheckBox *chkNegrito = nullptr;
    QCheckBox *chkItalico = nullptr;
    QGroupBox *fraEfeitos = nullptr;
    QCheckBox *chkSublinhado = nullptr;
    QCheckBox *chkRiscado = nullptr;
    QPushButton *cmdCor = nullptr;
    QLabel *lblAmostra = nullptr;
    QDialogButtonBox *Botoes = nullptr;

private:
    void cmdCor_Click();
    void updateSample();

    quint32 m_color = 0;
};
