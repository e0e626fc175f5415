#pragma once

#include <QDialog>

#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimeEdit;
class frmNote;

// "Ajustar Alarme": the alarm of the current note (CurrentNoteId), read from its keys when the
// dialog is made and written only by OK. Modal and above every other window; the tray icon does
// nothing while it exists.
class frmAlarme : public QDialog
{
    Q_OBJECT

public:
    static constexpr int ClientWidthTwips = 5790;
    static constexpr int ClientHeightTwips = 5265;

    // Loads the dialog for CurrentNoteId: TrayReady goes false, the controls take the stored
    // alarm. Unloading puts TrayReady back.
    explicit frmAlarme(QWidget *parent = nullptr);
    ~frmAlarme() override;

    // Opens the dialog for the current note and returns when it is closed.
    static void ShowModal();

    // Handlers, by the controls' names. Each runs on the user's click or change.
    void Check2_Click();
    void Option3_Click(int Index);
    void Combo_Click(); // Combo1, Combo2 and Combo3
    void Text1_Change();
    void Check3_Click();
    void ChkPlay_Click();
    void Command1_Click(); // ">": play the sound
    void Command2_Click(); // "...": choose the sound
    void Command3_Click(); // OK
    void Command4_Click(); // Cancelar
    void Command5_Click(); // Ajuda

    // Controls, by their names. The arrays Option3 (1 to 4) and Check3 (1 to 7) are indexed by
    // the schedule kind and the weekday number; index 0 is unused.
    QCheckBox *Check2 = nullptr;
    QLabel *Label3 = nullptr;
    QGroupBox *Frame5 = nullptr;
    QWidget *Picture1 = nullptr;
    std::array<QRadioButton *, 5> Option3{};
    QComboBox *Combo1 = nullptr;
    QComboBox *Combo2 = nullptr;
    QComboBox *Combo3 = nullptr;
    QLineEdit *Text1 = nullptr;
    QLabel *Label2 = nullptr;
    QWidget *Frame4 = nullptr;
    std::array<QCheckBox *, 8> Check3{};
    QGroupBox *Frame1 = nullptr;
    QLabel *Label1 = nullptr;
    QTimeEdit *TimePick = nullptr;
    QGroupBox *Frame3 = nullptr;
    QCheckBox *ChkPlay = nullptr;
    QWidget *Picture2 = nullptr;
    QLineEdit *txtSound = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command5 = nullptr;
    QPushButton *Command4 = nullptr;
    QPushButton *Command3 = nullptr;

    // The summary and the picked time as they stood once the dialog had opened; OK compares
    // against it to tell whether the schedule or the time changed.
    QString ResumoInicial;

protected:
    // OK has the note evaluate its alarm at once, so that a schedule due now rings now.
    virtual void EvaluateNow(frmNote *note);

private:
    void createControls();
    void Form_Load();
    QString pickedTime() const; // "HH:MM:SS"
    QString dateSummary() const;

    qint16 m_noteId = 0;
};
