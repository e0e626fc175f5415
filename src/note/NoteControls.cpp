#include "note/NoteControls.h"

#include "note/WinColor.h"

#include <QHash>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>
#include <QValidator>

#include <algorithm>

int MouseButtonCode(Qt::MouseButtons buttons)
{
    int code = 0;
    if (buttons & Qt::LeftButton)
        code |= 1;
    if (buttons & Qt::RightButton)
        code |= 2;
    if (buttons & Qt::MiddleButton)
        code |= 4;
    return code;
}

namespace {

// A click is a left press and release inside the control; any release ends the press.
bool endsClick(bool &pressed, QMouseEvent *e, const QWidget *w)
{
    const bool click =
        pressed && e->button() == Qt::LeftButton && w->rect().contains(e->position().toPoint());
    pressed = false;
    e->accept();
    return click;
}

} // namespace

PictureBox::PictureBox(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::SetBackColor(quint32 color)
{
    m_backColor = color & 0xFFFFFF;
    update();
}

void PictureBox::SetPicture(const QPixmap &picture)
{
    m_picture = picture;
    update();
}

void PictureBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), WinColor::toQColor(m_backColor));
    if (!m_picture.isNull())
        p.drawPixmap(0, 0, m_picture);
}

void PictureBox::mousePressEvent(QMouseEvent *e)
{
    e->ignore();
}

NoteImage::NoteImage(QWidget *parent) : QWidget(parent)
{
    setMouseTracking(true);
}

void NoteImage::SetPicture(const QPixmap *picture)
{
    if (m_picture == picture)
        return;
    m_picture = picture;
    update();
}

void NoteImage::paintEvent(QPaintEvent *)
{
    if (!m_picture || m_picture->isNull())
        return;
    QPainter p(this);
    p.drawPixmap(0, 0, *m_picture);
}

void NoteImage::mousePressEvent(QMouseEvent *e)
{
    m_pressed = e->button() == Qt::LeftButton;
    e->accept();
}

void NoteImage::mouseReleaseEvent(QMouseEvent *e)
{
    if (endsClick(m_pressed, e, this))
        emit Click();
}

void NoteImage::mouseMoveEvent(QMouseEvent *e)
{
    e->accept();
    emit MouseMove(MouseButtonCode(e->buttons()));
}

void NoteImage::leaveEvent(QEvent *e)
{
    QWidget::leaveEvent(e);
    emit MouseLeave();
}

NoteLabel::NoteLabel(const QString &text, QWidget *parent) : QLabel(text, parent)
{
    // A title such as "<b>" is the user's text, not markup.
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
}

void NoteLabel::mousePressEvent(QMouseEvent *e)
{
    m_pressed = e->button() == Qt::LeftButton;
    e->accept();
    emit MouseDown(MouseButtonCode(e->button()), e->globalPosition().toPoint());
}

void NoteLabel::mouseReleaseEvent(QMouseEvent *e)
{
    if (endsClick(m_pressed, e, this))
        emit Click();
}

void NoteLabel::mouseMoveEvent(QMouseEvent *e)
{
    e->accept();
    emit MouseMove(MouseButtonCode(e->buttons()), e->globalPosition().toPoint());
}

void NoteLabel::SetAutoSize(bool on)
{
    m_autoSize = on;
    if (on)
        resize(textSize());
}

QSize NoteLabel::textSize() const
{
    // Every note shows the same links: each is measured once for the program, not once a note
    // (a label lays its text out three times to tell its size).
    static QHash<QString, QSize> sizes;
    const QString key = text() + QChar(0x1F) + font().key() + QChar(0x1F) +
                        QString::number(margin()) + QChar(0x1F) + QString::number(frameWidth());
    auto it = sizes.constFind(key);
    if (it == sizes.constEnd()) {
        if (sizes.size() > 4096)
            sizes.clear();
        it = sizes.insert(key, sizeHint());
    }
    return *it;
}

QString NoteLabel::DisplayedText() const
{
    if (m_autoSize)
        return text();
    const int width = contentsRect().width();
    if (width == m_shownWidth && text() == m_shownFor)
        return m_shown;
    // Every note shows the same links and many the same titles: measuring each once for the
    // whole program spares a text layout per label.
    static QHash<QString, QString> shown;
    const QString key = text() + QChar(0x1F) + QString::number(width) + QChar(0x1F) + font().key();
    auto it = shown.constFind(key);
    if (it == shown.constEnd()) {
        if (shown.size() > 4096)
            shown.clear();
        it = shown.insert(key, fontMetrics().elidedText(text(), Qt::ElideRight, width));
    }
    m_shownFor = text();
    m_shownWidth = width;
    m_shown = *it;
    return m_shown;
}

void NoteLabel::paintEvent(QPaintEvent *e)
{
    const QString shown = DisplayedText();
    if (shown == text()) {
        QLabel::paintEvent(e);
        return;
    }
    // Centred, a long text would lose both its ends; its start says most.
    QPainter p(this);
    style()->drawItemText(&p, contentsRect(), Qt::AlignLeft | Qt::AlignVCenter, palette(),
                          isEnabled(), shown, foregroundRole());
}

bool NoteLabel::event(QEvent *e)
{
    if (e->type() == QEvent::FontChange)
        m_shownWidth = -1;
    if (m_autoSize && (e->type() == QEvent::FontChange || e->type() == QEvent::StyleChange)) {
        const bool handled = QLabel::event(e);
        resize(textSize());
        return handled;
    }
    if (e->type() == QEvent::ToolTip && toolTip().isEmpty() && DisplayedText() != text()) {
        QToolTip::showText(static_cast<QHelpEvent *>(e)->globalPos(), text(), this);
        return true;
    }
    return QLabel::event(e);
}

namespace {

class TitleLimit : public QValidator
{
public:
    explicit TitleLimit(TitleEdit *edit) : QValidator(edit), m_edit(edit) {}
    State validate(QString &input, int &) const override
    {
        return m_edit->Allows(input.size()) ? Acceptable : Invalid;
    }

private:
    const TitleEdit *m_edit;
};

} // namespace

TitleEdit::TitleEdit(int maxTyped, QWidget *parent) : QLineEdit(parent), m_maxTyped(maxTyped)
{
    // The length limit cuts a paste to what fits; the check refuses a typed character beyond it
    // in a title that is longer already.
    setMaxLength(m_maxTyped);
    setValidator(new TitleLimit(this));
    connect(this, &QLineEdit::textChanged, this, [this](const QString &t) { m_length = t.size(); });
}

void TitleEdit::SetText(const QString &text)
{
    // Changing the limit puts the text in again: only here, where the text is replaced anyway.
    setMaxLength(std::max(m_maxTyped, int(text.size())));
    m_length = text.size();
    setText(text);
}

bool TitleEdit::Allows(qsizetype length) const
{
    return length <= std::max<qsizetype>(m_maxTyped, m_length);
}
