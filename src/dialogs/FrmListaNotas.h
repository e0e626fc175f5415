#pragma once

#include <QDialog>
#include <QList>
#include <QPointer>

class QListWidget;
class QPushButton;
class frmNote;

// The width a button needs to show its caption whole in its own font and style.
int CaptionWidth(const QPushButton *button);

// What "Mostrar Notas" and "Excluir Notas..." share: a modal, always-on-top dialog with the list
// List1 of every note window in OpenForms order, each entry marked or not on its own. While it
// exists the tray icon does nothing. Sizes and places are given in twips, 15 to a pixel.
class FrmListaNotas : public QDialog
{
    Q_OBJECT

public:
    ~FrmListaNotas() override;

    // An entry's text: the note's title, or "[Em Branco]" when it holds nothing but spaces.
    static QString EntryText(const QString &title);

    // Entries count from 0: entry k - 1 stands for the note window at OpenForms index k.
    int ListCount() const;
    bool Selected(int entry) const;
    void SetSelected(int entry, bool marked);
    // The note window of an entry, nullptr when it has gone.
    frmNote *NoteOf(int entry) const;

    QListWidget *List1 = nullptr;

protected:
    // Loads the dialog: TrayReady goes false and List1 is filled, each entry marked when its note
    // is visible and markVisible is set.
    FrmListaNotas(const QString &caption, int clientWidthTwips, int clientHeightTwips,
                  const QRect &listTwips, bool markVisible, QWidget *parent);
    // A button of the column right of the list. A caption wider than the designed button, in the
    // font the desktop gives, widens the whole column, and the dialog by as much.
    QPushButton *AddButton(const char *name, const QString &caption, const QRect &twips);

private:
    QList<QPointer<frmNote>> m_notes;
    QList<QPushButton *> m_buttons;
};
