#pragma once

#include "note/NoteControls.h"
#include "note/RichTextBox.h"
#include "store/NoteStore.h"

#include <QCursor>
#include <QDateTime>
#include <QPixmap>
#include <QProperty>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class QLabel;

// Tells whoever shows the program's state (the tray icon) that a note began or stopped ringing.
class RingingNotes : public QObject
{
    Q_OBJECT

public:
    static RingingNotes &instance();

signals:
    void changed();
};

// The title a new note gets: "05/dez - 14:30" under Brazilian settings (the system's month
// abbreviation and separators, hour 00-23).
QString NewNoteTitle(const QDateTime &when);

// The window of one note: a frameless, fixed-size, rounded window with a title strip, a pin and a
// hide button, the rich-text body and three links at the bottom. Positions are in twips, 15 to a
// pixel. The window is in OpenForms from its creation until it is closed or destroyed; closing
// destroys it and saves nothing.
class frmNote : public QWidget
{
    Q_OBJECT

public:
    static constexpr int TwipsPerPixel = ::TwipsPerPixel;
    static constexpr int WidthPixels = NoteWidthPixels;
    static constexpr int HeightPixels = NoteHeightPixels;
    // How long typing may pause before the note is saved on its own.
    static constexpr int AutosaveDelayMs = 2000;

    explicit frmNote(QWidget *parent = nullptr);
    ~frmNote() override;

    // The load step CreateNote runs once it has given the window its Tag. A window created while
    // TrayReady is set is a new note: it gets a random place and a date-time title.
    void Form_Load();

    // The NoteId as decimal text, kept in the "Tag" property.
    QString Tag() const;
    void SetTag(const QString &tag);
    qint16 NoteId() const;

    // Where the window was last known to be, in pixels, for a save that cannot ask the window
    // system: the place last seen through it or given by the program, or Qt's own idea once the
    // window manager has moved the window since (Qt's idea alone can be a stale 0,0, see
    // NativeWindowPosition).
    QPoint LastKnownPosition() const { return m_knownAt.value_or(pos()); }
    void SeenAt(const QPoint &at);

    // Window position in twips.
    int Top() const;
    void SetTop(int twips);
    int Left() const;
    void SetLeft(int twips);

    // The window's own back colour (Windows colour value), seen only where the picture is missing.
    quint32 BackColor() const { return m_backColor; }
    void SetBackColor(quint32 color);

    // Toggles always-on-top and stores the new state in OnTop.
    void ImTop_Click();
    // Stops a ringing alarm before a click acts; true when the user chose to delete the note, in
    // which case the click does nothing else.
    virtual bool AplicaClick();
    // One evaluation of the note's alarm; rings when it is due.
    void tmrEvent_Timer();
    // The note's colours: the body colour from the colour dialog (nothing happens on a cancel) or,
    // with Random, from the table of new-note colours; the title strip a shade darker. Saves the
    // note.
    void Personaliza(bool Random);
    // Looks for the text area's frame that change neither the note's colours nor its size, and
    // save nothing: the classic look, and the skins 1 to 4 (any other number only repaints).
    void Classico();
    void Skin(qint16 Number);
    // Who deletes this note (DeleteNote with its NoteId): whole, or only its alarm keys.
    void SetDeleter(std::function<void(qint16 id, bool whole)> deleter)
    {
        m_deleter = std::move(deleter);
    }

    // What a bottom link does (0 "[Fonte]", 1 "[Cor]", 2 "[Alarme]"). A link without an action
    // is shown disabled; after the action runs the note is saved.
    void SetLinkAction(int index, std::function<void()> action);
    void Label1_Click(int index);

    void Image3_Click();   // hide
    void txtTitle_Click(); // edit the title in place
    // A title the user gave the note elsewhere (the title dialog): saved like one typed in place.
    void SetTitle(const QString &title);

    // Editing commands on txtNote: clipboard and undo, select all, font of the selection, and
    // the text loaded from or saved to a file chosen by the user.
    void Colar();
    void Copiar();
    void Recortar();
    void Desfazer();
    void Selecionar();
    void Fonte();
    void Abrir();
    void Salvar();

    // Prints the note after the printer dialog; a cancel prints nothing.
    void Imprimir();
    // The one font a printout uses: the font at the start of the text box's selection.
    QFont PrintFont() const;

    // Controls, by their names.
    PictureBox *Picture1 = nullptr;
    NoteImage *ImTop = nullptr;
    NoteLabel *txtTitle = nullptr;
    TitleEdit *Text1 = nullptr; // the in-place title editor, made when first needed
    NoteImage *Image3 = nullptr;
    PictureBox *Picture2 = nullptr;
    RichTextBox *txtNote = nullptr;
    std::array<NoteLabel *, 3> Label1{};
    QLabel *imSino = nullptr; // the bell beside "[Alarme]", shown while the alarm is armed

    // The stored pictures: hide button normal and hover, pin not pinned, hover, pinned.
    const QPixmap Image2;
    const QPixmap Image1;
    const QPixmap imHot;
    const QPixmap imUp;
    const QPixmap imDown;
    const QCursor ButtonCursor;

    // The note as the data files hold it, seen at the given screen position (pixels); the
    // content only when it needs saving.
    NoteRecord Record(QPoint at) const;
    // Takes a stored note: title, position, colours, content, alarm timer, pin and visibility.
    void ApplyRecord(const NoteRecord &r);

    // Who writes this note's keys and content file (SaveNotes with its NoteId).
    void SetSaver(std::function<bool(qint16)> saver) { m_saver = std::move(saver); }

    // Whether the content file must be written at the next save: the user changed the text, or
    // the note has no content file yet. A file that could not be read, or that is only shown in
    // part, is never written over: its note cannot be edited.
    bool ContentNeedsSaving() const;
    void ContentLoaded(); // the content now is what the file holds
    void ContentSaved();
    // The content file exists but could not be read: the note says so, is read-only and keeps its
    // hands off the file.
    void SetContentUnreadable(const QString &fileName, const QString &why);
    bool ContentUnreadable() const { return m_contentUnreadable; }

    // What the data files held for this note when the program last read or wrote them, so that
    // a change another program made can be told from the program's own: the content file as it
    // was (its stamp, and its bytes), and the keys another computer may change.
    const FileStamp &StoredContentStamp() const { return m_storedStamp; }
    void SetStoredContent(const FileStamp &stamp, const QByteArray &bytes);
    bool StoredContentIs(const QByteArray &bytes) const;
    const NoteRecord &StoredKeys() const { return m_storedKeys; }
    void SetStoredKeys(const NoteRecord &r);
    // The user typed in the note since it was last loaded or saved.
    bool HasUnsavedTyping() const { return txtNote->document()->isModified(); }
    // Another program wrote the content file: the note shows what it holds now.
    void ReloadContent(const QByteArray &bytes, const FileStamp &stamp);
    // Another program changed the note's keys: changed titles, places and colours are taken,
    // except a title the user is editing.
    void ApplyOutsideKeys(const NoteRecord &r);

    // Alarm timers: sound repeat, blinking, schedule check. All stopped at first.
    QTimer TimerToca;
    QTimer Piscar;
    QTimer tmrEvent;
    // The latest ring was the alarm's last occurrence; sound repetitions since the latest ring.
    bool AlarmeFinal = false;
    qint16 ContaToque = 0;
    void Piscar_Timer();    // blink: title strip and text area trade colours
    void TimerToca_Timer(); // repeat the alarm sound
    bool Ringing() const { return Piscar.isActive(); }

signals:
    // A right press in the text asks for the note menu; onTop is the note's stored pin state.
    void noteMenuRequested(const QPoint &globalPos, bool onTop);

protected:
    // Writes this note's keys and content file; false when that failed.
    virtual bool SaveNote(qint16 Id);

    void paintEvent(QPaintEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void closeEvent(QCloseEvent *e) override;
    void changeEvent(QEvent *e) override;
    void hideEvent(QHideEvent *e) override;
    void showEvent(QShowEvent *e) override;

private:
    QPoint screenPosition() const;
    void moveTo(const QPoint &at);
    void applyShape();
    void DragWindow(const QPoint &globalPos);
    void dragTo(const QPoint &globalPos);
    void surfaceMouseMove();
    void ImTop_MouseMove();
    void Image3_MouseMove();
    void txtNote_MouseDown(int button, const QPoint &globalPos);
    void txtTitle_MouseDown(int button, const QPoint &globalPos);
    void txtTitle_MouseMove(int buttons, const QPoint &globalPos);
    TitleEdit *titleEditor();
    void hideTitleEditor();
    void saveWithMessage();
    void noteEdited();
    void autosave();
    void Ring(const QString &schedule, const QDate &today);
    void showRinging();
    void playAlarmSound();
    bool askToDelete();
    // The bell and the tray follow the alarm timers, whoever starts or stops them.
    void watchAlarmTimers();
    void showAlarmArmed();

    quint32 m_backColor = 0xFF80FF;
    QPixmap m_windowPicture;
    std::array<std::function<void()>, 3> m_linkActions;
    std::function<bool(qint16)> m_saver;
    std::function<void(qint16, bool)> m_deleter;
    bool m_contentUnreadable = false;
    FileStamp m_storedStamp;
    QByteArray m_storedHash;
    NoteRecord m_storedKeys;
    bool m_colorsTraded = false; // a blinking note shows each colour in the other's place
    QDate m_rangUnwritten;       // a day it rang whose TocouEm could not be written
    bool m_closing = false;
    mutable std::optional<QPoint> m_knownAt;
    bool m_titleEdited = false;
    QString m_titleBeforeEdit; // what Escape in the title editor goes back to
    QTimer m_autosave;

    // After the timers, so that they are let go of before the timers stop in destruction.
    QPropertyNotifier m_armedWatch;
    QPropertyNotifier m_ringingWatch;

    // Dragging by hand, where the window manager offers no move of its own.
    bool m_manualDrag = false;
    QPoint m_dragOffset;
    QPoint m_titlePressPos;
    bool m_titlePressed = false;
};
