#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QWidget>

// The small controls a note window is built from. Button codes are 1 left, 2 right, 4 middle; a
// move reports the buttons held, added up.

int MouseButtonCode(Qt::MouseButtons buttons);

// A box with a back colour and an optional picture drawn at its top left corner. Mouse presses on
// it go on to the window, so that the frame it makes around the controls moves the window.
class PictureBox : public QWidget
{
    Q_OBJECT

public:
    explicit PictureBox(QWidget *parent = nullptr);

    quint32 BackColor() const { return m_backColor; } // Windows colour value
    void SetBackColor(quint32 color);
    const QPixmap &Picture() const { return m_picture; }
    void SetPicture(const QPixmap &picture);

protected:
    void paintEvent(QPaintEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;

private:
    quint32 m_backColor = 0;
    QPixmap m_picture;
};

// An image that always shows one of its window's stored pictures. Which one is known by identity,
// so the window can tell its button states apart without comparing pixels.
class NoteImage : public QWidget
{
    Q_OBJECT

public:
    explicit NoteImage(QWidget *parent = nullptr);

    const QPixmap *Picture() const { return m_picture; }
    void SetPicture(const QPixmap *picture);

signals:
    void Click();
    void MouseMove(int buttons);
    void MouseLeave();

protected:
    void paintEvent(QPaintEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void leaveEvent(QEvent *e) override;

private:
    const QPixmap *m_picture = nullptr;
    bool m_pressed = false;
};

// A transparent label that reports presses, moves and left-button clicks. Its plain text is shown
// centred; a text too wide for it is shown from its start and cut with "…", the whole text in its
// tool tip. Sized to its text (AutoSize), it keeps its left edge and is never cut, whatever font
// stands in for the one asked for.
class NoteLabel : public QLabel
{
    Q_OBJECT

public:
    explicit NoteLabel(const QString &text, QWidget *parent = nullptr);

    void SetAutoSize(bool on);
    QString DisplayedText() const;

signals:
    void Click();
    void MouseDown(int button, const QPoint &globalPos);
    void MouseMove(int buttons, const QPoint &globalPos);

protected:
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void paintEvent(QPaintEvent *e) override;
    bool event(QEvent *e) override;

private:
    QSize textSize() const;

    bool m_pressed = false;
    bool m_autoSize = false;
    // What was shown last, for which text and width: most paints show the same again.
    mutable QString m_shownFor;
    mutable int m_shownWidth = -1;
    mutable QString m_shown;
};

// A title editor whose limit holds for what is typed: a longer title given to it is kept whole,
// and typing may shorten it but never make it longer than the limit or than it already is.
class TitleEdit : public QLineEdit
{
    Q_OBJECT

public:
    TitleEdit(int maxTyped, QWidget *parent = nullptr);

    // Shows text whole, however long (QLineEdit::setText cuts it at the limit).
    void SetText(const QString &text);
    // Whether an edit may leave length characters.
    bool Allows(qsizetype length) const;

private:
    const int m_maxTyped;
    qsizetype m_length = 0; // of the text before the edit being checked
};
