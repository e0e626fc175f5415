#include "note/RichTextBox.h"

#include "base/Cp1252.h"
#include "base/FileAccess.h"
#include "base/Log.h"
#include "base/Services.h"
#include "note/NoteControls.h"
#include "note/WinColor.h"
#include "rtf/Rtf.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLocale>

#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QToolTip>
#include <functional>

namespace {

QString fromCrLf(QString text)
{
    // In one pass: QString::replace moves the rest of the text at every line end, which takes
    // seconds in a note of many megabytes.
    QChar *d = text.data();
    const qsizetype n = text.size();
    qsizetype out = 0;
    for (qsizetype i = 0; i < n; ++i) {
        QChar c = d[i];
        if (c == u'\r') {
            if (i + 1 < n && d[i + 1] == u'\n')
                ++i;
            c = u'\n';
        }
        d[out++] = c;
    }
    text.truncate(out);
    return text;
}

} // namespace

RichTextBox::RichTextBox(QWidget *parent) : QTextEdit(parent)
{
    setAcceptRichText(true);
    // A right click belongs to the note window, which opens the note menu.
    setContextMenuPolicy(Qt::NoContextMenu);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    SetBackColor(m_backColor);
    connect(this, &QTextEdit::cursorPositionChanged, this, &RichTextBox::keepEdgesOutsideResults);
}

bool RichTextBox::LoadFile(const QString &path, QString *why)
{
    const FileRead file = ReadDataFile(path, MaxNoteFileBytes);
    if (file.error != 0) {
        if (why)
            *why = file.why.isEmpty() ? SystemErrorText(file.error) : file.why;
        return false;
    }
    // A preview is not saved: the note would only look changed, and come back as it was.
    if (m_previewOf != 0) {
        if (why)
            *why = u"esta nota é grande demais para ser editada"_qs;
        return false;
    }
    // Built aside and put in as one edit: Ctrl+Z brings back the text it replaced.
    QTextDocument loaded;
    loaded.setDefaultFont(document()->defaultFont());
    if (readInto(&loaded, file.bytes) > MaxEditableCharacters) {
        if (why)
            *why = u"mais de %1 caracteres, o máximo de uma nota"_qs.arg(
                QLocale(QLocale::Portuguese, QLocale::Brazil).toString(MaxEditableCharacters));
        return false;
    }
    QTextDocument *doc = document();
    Rtf::copyPictures(loaded, doc);
    doc->setLayoutEnabled(false);
    QTextCursor all(doc);
    all.beginEditBlock();
    all.select(QTextCursor::Document);
    all.removeSelectedText(); // an empty fragment would insert nothing and leave the selection
    all.insertFragment(QTextDocumentFragment(&loaded));
    // The first paragraph takes the file's format too, not only its text.
    QTextCursor first(doc);
    first.setBlockFormat(loaded.firstBlock().blockFormat());
    first.setBlockCharFormat(loaded.firstBlock().charFormat());
    all.endEditBlock();
    doc->setLayoutEnabled(true);
    moveCursor(QTextCursor::Start);
    return true;
}

void RichTextBox::LoadData(const QByteArray &data)
{
    replaceContent([&] { return readInto(document(), data); });
}

qint64 RichTextBox::readInto(QTextDocument *doc, const QByteArray &data) const
{
    if (Rtf::looksLikeRtf(data))
        return Rtf::read(data, doc, MaxEditableCharacters + 1);
    return plainInto(doc, StoredText::decode(data));
}

qint64 RichTextBox::plainInto(QTextDocument *doc, QString text) const
{
    // Plain text takes the format of the typing position.
    const QTextCharFormat format = currentCharFormat();
    QString clean = fromCrLf(std::move(text));
    // Characters that would build frames or end strings early are not text.
    clean.removeIf([](QChar ch) {
        return ch.unicode() == 0 || ch.unicode() == 0xFDD0 || ch.unicode() == 0xFDD1;
    });
    // Of a text too long to edit only what a preview can show is made into a document.
    const qint64 whole = clean.size() + 1;
    if (whole > MaxEditableCharacters)
        clean.truncate(PreviewCharacters);
    doc->setPlainText(clean);
    QTextCursor all(doc);
    all.select(QTextCursor::Document);
    all.setCharFormat(format);
    return whole;
}

void RichTextBox::replaceContent(const std::function<qint64()> &fill)
{
    QTextDocument *doc = document();
    // Built without layout: every insertion would otherwise lay out its paragraph again.
    doc->setLayoutEnabled(false);
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    const qint64 whole = fill();
    m_previewOf = 0;
    if (whole > MaxEditableCharacters) {
        // Qt's incremental layout of a text this long can keep the event loop busy for minutes
        // (seen with 10 MB notes): only the beginning is shown, and nothing of it is written back.
        m_previewOf = whole;
        QTextCursor rest(doc);
        rest.setPosition(PreviewCharacters);
        rest.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        rest.removeSelectedText();
        QTextCursor top(doc);
        QTextCharFormat notice;
        notice.setFontItalic(true);
        notice.setForeground(QColor(0x60, 0x60, 0x60));
        top.insertText(u"[Nota grande demais para editar aqui (%1 caracteres): só o início é "
                       u"mostrado, e o arquivo dela não é alterado.]"_qs.arg(m_previewOf),
                       notice);
        top.insertBlock();
    }
    setReadOnly(m_previewOf != 0);
    doc->setUndoRedoEnabled(undo);
    doc->clearUndoRedoStacks();
    // New content is a change, unless it is only a preview; whoever loaded the note's own file
    // says so afterwards.
    doc->setModified(m_previewOf == 0);
    doc->setLayoutEnabled(true);
    moveCursor(QTextCursor::Start);
}

qint64 RichTextBox::setPlainContent(QString text)
{
    const QTextCharFormat format = currentCharFormat();
    const qint64 whole = plainInto(document(), text);
    setCurrentCharFormat(format);
    return whole;
}

bool RichTextBox::SaveFile(const QString &path) const
{
    return WriteFileAtomic(path, Rtf::write(*document()));
}

QString RichTextBox::Text() const
{
    QString text = toPlainText();
    text.replace(u'\n', u"\r\n"_qs);
    return text;
}

void RichTextBox::SetText(const QString &text)
{
    replaceContent([&] { return setPlainContent(text); });
}

int RichTextBox::SelStart() const
{
    return textCursor().selectionStart();
}

void RichTextBox::SetSelStart(int start)
{
    const int last = document()->characterCount() - 1;
    QTextCursor c = textCursor();
    c.setPosition(std::clamp(start, 0, last));
    setTextCursor(c);
}

int RichTextBox::SelLength() const
{
    const QTextCursor c = textCursor();
    return c.selectionEnd() - c.selectionStart();
}

void RichTextBox::SetSelLength(int length)
{
    const int last = document()->characterCount() - 1;
    QTextCursor c = textCursor();
    const int start = c.selectionStart();
    c.setPosition(start);
    c.setPosition(std::clamp(start + std::max(length, 0), 0, last), QTextCursor::KeepAnchor);
    setTextCursor(c);
}

QString RichTextBox::SelText() const
{
    QString text = textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, u"\r\n"_qs);
    text.replace(QChar::LineSeparator, u"\r\n"_qs);
    return text;
}

void RichTextBox::SetSelText(const QString &text)
{
    QTextCursor c = textCursor();
    c.insertText(fromCrLf(text));
    setTextCursor(c);
}

QFont RichTextBox::resolvedFont(const QTextCharFormat &format) const
{
    return format.font().resolve(document()->defaultFont());
}

template <typename T, typename Get> std::optional<T> RichTextBox::selValue(Get get) const
{
    const QTextCursor c = textCursor();
    const int start = c.selectionStart();
    const int end = c.selectionEnd();
    if (start == end)
        return get(currentCharFormat());

    std::optional<T> value;
    for (QTextBlock b = document()->findBlock(start); b.isValid() && b.position() < end;
         b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (!f.isValid() || f.position() >= end || f.position() + f.length() <= start)
                continue;
            const T v = get(f.charFormat());
            if (!value)
                value = v;
            else if (*value != v)
                return std::nullopt;
        }
    }
    // A selection of empty lines only has the paragraph's format.
    if (!value)
        return get(c.charFormat());
    return value;
}

void RichTextBox::mergeFormat(const QTextCharFormat &format)
{
    // With no selection this changes only the typing format, as wanted.
    mergeCurrentCharFormat(format);
}

std::optional<QString> RichTextBox::SelFontName() const
{
    return selValue<QString>([this](const QTextCharFormat &f) { return resolvedFont(f).family(); });
}

void RichTextBox::SetSelFontName(const QString &family)
{
    QTextCharFormat f;
    f.setFontFamilies(QStringList{family});
    mergeFormat(f);
}

std::optional<double> RichTextBox::SelFontSize() const
{
    return selValue<double>(
        [this](const QTextCharFormat &f) { return resolvedFont(f).pointSizeF(); });
}

void RichTextBox::SetSelFontSize(double points)
{
    if (points <= 0)
        return;
    QTextCharFormat f;
    f.setFontPointSize(points);
    mergeFormat(f);
}

std::optional<bool> RichTextBox::SelBold() const
{
    return selValue<bool>([this](const QTextCharFormat &f) { return resolvedFont(f).bold(); });
}

void RichTextBox::SetSelBold(bool on)
{
    QTextCharFormat f;
    f.setFontWeight(on ? QFont::Bold : QFont::Normal);
    mergeFormat(f);
}

std::optional<bool> RichTextBox::SelItalic() const
{
    return selValue<bool>([this](const QTextCharFormat &f) { return resolvedFont(f).italic(); });
}

void RichTextBox::SetSelItalic(bool on)
{
    QTextCharFormat f;
    f.setFontItalic(on);
    mergeFormat(f);
}

std::optional<bool> RichTextBox::SelUnderline() const
{
    return selValue<bool>([this](const QTextCharFormat &f) { return resolvedFont(f).underline(); });
}

void RichTextBox::SetSelUnderline(bool on)
{
    QTextCharFormat f;
    f.setFontUnderline(on);
    mergeFormat(f);
}

std::optional<bool> RichTextBox::SelStrikeThru() const
{
    return selValue<bool>([this](const QTextCharFormat &f) { return resolvedFont(f).strikeOut(); });
}

void RichTextBox::SetSelStrikeThru(bool on)
{
    QTextCharFormat f;
    f.setFontStrikeOut(on);
    mergeFormat(f);
}

std::optional<quint32> RichTextBox::SelColor() const
{
    return selValue<quint32>([this](const QTextCharFormat &f) {
        const QColor c = f.hasProperty(QTextFormat::ForegroundBrush)
                             ? f.foreground().color()
                             : palette().color(QPalette::Text);
        return WinColor::fromQColor(c);
    });
}

void RichTextBox::SetSelColor(quint32 color)
{
    QTextCharFormat f;
    f.setForeground(WinColor::toQColor(color));
    mergeFormat(f);
}

void RichTextBox::SetBackColor(quint32 color)
{
    m_backColor = color & 0xFFFFFF;
    // A palette change spreads to every child: not for the colour the box already has.
    if (testAttribute(Qt::WA_SetPalette) &&
        palette().color(QPalette::Base) == WinColor::toQColor(m_backColor))
        return;
    QPalette p = palette();
    p.setColor(QPalette::Base, WinColor::toQColor(m_backColor));
    setPalette(p);
}

void RichTextBox::SetFocus()
{
    setFocus(Qt::OtherFocusReason);
}

void RichTextBox::Refresh()
{
    viewport()->repaint();
}

void RichTextBox::insertFromMimeData(const QMimeData *source)
{
    // Qt 6.4 crashes pasting clipboard data that has no format at all, which is what an empty
    // X11 clipboard or selection gives (Ctrl+V, middle click).
    if (!source || source->formats().isEmpty())
        return;
    QTextEdit::insertFromMimeData(source);
}

void RichTextBox::mousePressEvent(QMouseEvent *e)
{
    // The window acts first (a ringing alarm stops before the click edits), and may close itself.
    QPointer<RichTextBox> self(this);
    emit MouseDown(MouseButtonCode(e->button()), e->globalPosition().toPoint());
    if (!self)
        return;
    // A plain click on a link places the caret to edit it; with Ctrl the link opens.
    if (e->button() == Qt::LeftButton && e->modifiers() == Qt::ControlModifier) {
        if (const QUrl url = linkAt(e->position().toPoint()); !url.isEmpty()) {
            Services::links().open(url);
            return;
        }
    }
    QTextEdit::mousePressEvent(e);
}

QUrl RichTextBox::linkAt(const QPoint &pos) const
{
    const QUrl url(anchorAt(pos));
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != u"http" && scheme != u"https" && scheme != u"mailto"))
        return {};
    return url;
}

bool RichTextBox::viewportEvent(QEvent *e)
{
    if (e->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(e);
        if (const QUrl url = linkAt(help->pos()); !url.isEmpty()) {
            QToolTip::showText(help->globalPos(),
                               url.toDisplayString() + u"\nCtrl+clique para abrir"_qs, viewport());
            return true;
        }
    }
    return QTextEdit::viewportEvent(e);
}

// Text typed at the edge of a link's, a field's or an object's result is not part of it; typed
// inside it, it is.
void RichTextBox::keepEdgesOutsideResults()
{
    const QTextCursor c = textCursor();
    if (c.hasSelection())
        return;
    const QTextCharFormat typing = c.charFormat();
    const QString result = Rtf::resultOf(typing);
    if (result.isEmpty())
        return;
    const auto partOf = [&](int pos) {
        QTextCursor at(document());
        at.setPosition(pos + 1);
        return Rtf::resultOf(at.charFormat()) == result;
    };
    const QTextBlock block = c.block();
    const int pos = c.position();
    if (pos > block.position() && pos < block.position() + block.length() - 1 && partOf(pos - 1) &&
        partOf(pos))
        return;
    setCurrentCharFormat(Rtf::outsideResult(typing));
}

void RichTextBox::mouseMoveEvent(QMouseEvent *e)
{
    emit MouseMove(MouseButtonCode(e->buttons()), e->globalPosition().toPoint());
    QTextEdit::mouseMoveEvent(e);
}

void RichTextBox::keyPressEvent(QKeyEvent *e)
{
    // The habits of the rich-text boxes the users know, which Qt's editor lacks (it has Ctrl+Y).
    const auto keys = e->keyCombination();
    const auto ctrl = Qt::ControlModifier;
    if (!isReadOnly()) {
        if (keys == QKeyCombination(ctrl, Qt::Key_B)) {
            SetSelBold(!SelBold().value_or(false));
            return;
        }
        if (keys == QKeyCombination(ctrl, Qt::Key_I)) {
            SetSelItalic(!SelItalic().value_or(false));
            return;
        }
        if (keys == QKeyCombination(ctrl, Qt::Key_U)) {
            SetSelUnderline(!SelUnderline().value_or(false));
            return;
        }
        if (keys == QKeyCombination(ctrl | Qt::ShiftModifier, Qt::Key_V)) {
            // Plain text in the typing format.
            SetSelText(QGuiApplication::clipboard()->text().remove(QChar(0)));
            ensureCursorVisible();
            return;
        }
    }
    QTextEdit::keyPressEvent(e);
}
