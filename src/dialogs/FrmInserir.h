#pragma once

#include <QDialog>

class QDateTime;
class QGroupBox;
class QListWidget;
class QLocale;
class QPushButton;

// " Data e hora": the moment the dialog opened in fifteen formats, one of which goes into the
// current note at its caret. The format chosen last is offered first the next time (Formato in
// section Config of Indice.cfg). Modal and above every other window; the tray icon does nothing
// while it exists.
class FrmInserir : public QDialog
{
    Q_OBJECT

public:
    static constexpr int ClientWidthTwips = 4170;
    static constexpr int ClientHeightTwips = 2520;

    explicit FrmInserir(QWidget *parent = nullptr);
    ~FrmInserir() override;

    // Opens the dialog for the current note and returns when it is closed.
    static void ShowModal();

    // The fifteen texts for a moment, with the month names, long date and separators of a locale.
    static QStringList Formatos(const QDateTime &when, const QLocale &locale);

    void Command1_Click(); // OK, and a double click on an entry
    void Command2_Click(); // Cancelar

    QGroupBox *Frame1 = nullptr;
    QWidget *Picture1 = nullptr;
    QListWidget *Lsttime = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
};
