#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;

// " Sobre o Notavex": the program's name, version and systems, and two links to the help's
// questions and contact topics.
// Modal and above every other window; the tray icon does nothing while it exists.
class FrmAbout : public QDialog
{
    Q_OBJECT

public:
    static constexpr int ClientWidthTwips = 4680;
    static constexpr int ClientHeightTwips = 2880;
    // The topics the links open in the help window.
    static constexpr const char16_t *FaqTopic = u"perguntas.htm";
    static constexpr const char16_t *ContatoTopic = u"contato.htm";

    explicit FrmAbout(QWidget *parent = nullptr);
    ~FrmAbout() override;

    // Opens the box and returns when it is closed.
    static void ShowModal();

    void Label11_Click(); // the questions topic
    void Label6_Click();  // the contact topic
    void Command1_Click();

    QLabel *Label2 = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label8 = nullptr;
    QGroupBox *Frame1 = nullptr;
    QLabel *Label11 = nullptr;
    QLabel *Label6 = nullptr;
    QPushButton *Command1 = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
