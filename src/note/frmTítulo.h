#pragma once

#include <QDialog>
#include <QPointer>

#include <array>

class QGroupBox;
class QPushButton;
class TitleEdit;
class frmNote;

// "Título": the title of the current note (OpenForms window CurrentFormIndex), edited in a small
// modal tool window in the middle of the screen. Ok gives the note the new title, Cancelar and the
// close box leave it as it was; Enter and Escape act as Ok and Cancelar. The tray icon does
// nothing while the dialog exists.
// (No meta-object: moc cannot read the accented class name, and nothing here needs one.)
class frmTítulo : public QDialog
{
public:
    static constexpr int ClientWidthTwips = 3990;
    static constexpr int ClientHeightTwips = 1575;
    static constexpr int MaxTitleLength = 22;

    // Loads the dialog for the current note: TrayReady goes false, Text1 takes the note's title.
    // Unloading puts TrayReady back.
    explicit frmTítulo(QWidget *parent = nullptr);
    ~frmTítulo() override;

    // Opens the dialog for the current note and returns when it is closed.
    static void ShowModal();

    // Handlers, by the controls' names.
    void Button_Click(int Index); // 0 "Data", 1 "Hora", 2 "Data e hora"
    void Command4_Click();        // Ok
    void Command5_Click();        // Cancelar

    // Controls, by their names.
    QGroupBox *Frame1 = nullptr;
    QWidget *Picture1 = nullptr;
    TitleEdit *Text1 = nullptr;
    std::array<QPushButton *, 3> Button{};
    QPushButton *Command5 = nullptr;
    QPushButton *Command4 = nullptr;

protected:
    bool event(QEvent *e) override;

private:
    QPointer<frmNote> m_note;
};
