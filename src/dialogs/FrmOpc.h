#pragma once

#include <QDialog>

#include <array>

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

// " Opções": the look of the notes created from now on, that is the default text format (the
// Format section) and whether new notes get random colours (Coloridos). Only OK stores anything.
class FrmOpc : public QDialog
{
    Q_OBJECT

public:
    static constexpr int ClientWidthTwips = 4710;
    static constexpr int ClientHeightTwips = 2625;

    explicit FrmOpc(QWidget *parent = nullptr); // TrayReady is false while the dialog exists
    ~FrmOpc() override;

    static void ShowModal();

    struct FontSettings
    {
        QString Name;
        qint16 Size = 0;
        quint32 Color = 0;
        bool Bold = false;
        bool Italic = false;
        bool Underline = false;
        bool StrikeThru = false;
    };
    FontSettings DefaultFontSettings;
    bool Changed = false; // the font dialog was used, confirmed or not

    void Command1_Click(); // OK
    void Command2_Click(); // Cancelar
    void Command3_Click(); // Definir fonte padrão
    void Command4_Click(); // Ajuda

    QGroupBox *Frame5 = nullptr;
    QWidget *Picture1 = nullptr;
    std::array<QRadioButton *, 3> Option1{}; // 1 "Padrão", 2 "Aleatória"
    QGroupBox *Frame2 = nullptr;
    QWidget *Picture3 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label1 = nullptr;
    QWidget *Picture4 = nullptr;
    QPushButton *Command3 = nullptr;
    QPushButton *Command4 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command1 = nullptr;

    // The stored Format keys, each unreadable value taken as its key's default.
    static FontSettings StoredFontSettings();
    // "Arial Tamanho: 10   Negrito ": the line that describes a default font.
    static QString Describe(const FontSettings &f);

private:
    void createControls();
    void showFont();
};
