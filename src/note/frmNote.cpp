#include "note/frmNote.h"

#include "base/DateFormat.h"
#include "base/Globals.h"
#include "base/Log.h"
#include "base/ProfileString.h"
#include "base/Services.h"
#include "note/NativePosition.h"
#include "note/NoteShape.h"
#include "note/OpenForms.h"
#include "note/SkipTaskbar.h"
#include "note/TopMost.h"
#include "note/WinColor.h"
#include "rtf/Rtf.h"
#include "store/Ini.h"
#include "store/NoteFiles.h"
#include "store/NoteStore.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHash>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWindow>

// The pictures are compiled in, so a window always has its shape and buttons, wherever it runs.
static void initNotePictures()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(notepictures);
        return true;
    }();
    Q_UNUSED(done);
}

namespace {

constexpr int tw(int twips)
{
    return twips / frmNote::TwipsPerPixel;
}

QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(tw(left), tw(top), tw(width), tw(height));
}

// Every note shows the same pictures: decode each once and share it (QPixmap copies share data).
QPixmap notePicture(const QString &name)
{
    static QHash<QString, QPixmap> cache;
    auto it = cache.find(name);
    if (it == cache.end()) {
        initNotePictures();
        it = cache.insert(name, QPixmap(u":/note/"_qs + name));
    }
    return *it;
}

const QCursor &buttonCursor()
{
    static const QCursor cursor(notePicture(u"cursor.png"_qs), 9, 1);
    return cursor;
}

QFont makeFont(const QString &family, double points, bool bold)
{
    QFont f(family);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

constexpr quint32 StripColor = 0x52E9FE;
constexpr quint32 TextAreaColor = 0x87FFFF;
const QRgb ShapeTransparent = qRgb(255, 255, 255);

} // namespace

QString NewNoteTitle(const QDateTime &when)
{
    return FormatDateTime(u"dd/mmm - hh:mm"_qs, when);
}

frmNote::frmNote(QWidget *parent)
    : QWidget(parent, TaskbarlessWindowType() | Qt::FramelessWindowHint),
      Image2(notePicture(u"hide.png"_qs)), Image1(notePicture(u"hide_hot.png"_qs)),
      imHot(notePicture(u"pin_hot.png"_qs)),
      imUp(notePicture(u"pin_up.png"_qs)), imDown(notePicture(u"pin_down.png"_qs)),
      ButtonCursor(buttonCursor()), m_windowPicture(notePicture(u"note_window.png"_qs))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(WidthPixels, HeightPixels);
    setMouseTracking(true);
    setProperty("Tag", QString());

    Picture1 = new PictureBox(this);
    Picture1->setObjectName(u"Picture1"_qs);
    Picture1->setGeometry(twipsRect(0, 0, 2730, 2955));
    Picture1->SetBackColor(StripColor);

    ImTop = new NoteImage(Picture1);
    ImTop->setObjectName(u"ImTop"_qs);
    ImTop->setGeometry(twipsRect(60, 30, 255, 240));
    ImTop->setToolTip(u"Sempre Visível"_qs);
    ImTop->setCursor(ButtonCursor);

    txtTitle = new NoteLabel(QString(), Picture1);
    txtTitle->setObjectName(u"txtTitle"_qs);
    txtTitle->setGeometry(twipsRect(375, 30, 1965, 225));
    txtTitle->setFont(makeFont(u"Tahoma"_qs, 8.25, true));
    txtTitle->setMouseTracking(true);

    Image3 = new NoteImage(Picture1);
    Image3->setObjectName(u"Image3"_qs);
    Image3->setGeometry(twipsRect(2400, 30, 255, 240));
    Image3->setToolTip(u"Ocutar Nota"_qs);
    Image3->setCursor(ButtonCursor);

    Picture2 = new PictureBox(Picture1);
    Picture2->setObjectName(u"Picture2"_qs);
    Picture2->setGeometry(twipsRect(30, 285, 2670, 2415));
    Picture2->SetBackColor(TextAreaColor);

    txtNote = new RichTextBox(Picture2);
    txtNote->setObjectName(u"txtNote"_qs);
    txtNote->move(tw(30), tw(30));
    txtNote->setFrameShape(QFrame::NoFrame);
    const QFont body = makeFont(u"Arial"_qs, 9.75, false);
    txtNote->setFont(body);
    txtNote->document()->setDefaultFont(body);
    txtNote->SetBackColor(TextAreaColor);

    static const char16_t *const captions[3] = {u"[Fonte]", u"[Cor]", u"[Alarme]"};
    static const QRect places[3] = {twipsRect(510, 2715, 510, 210), twipsRect(1170, 2715, 360, 210),
                                    twipsRect(1650, 2715, 600, 210)};
    for (int i = 0; i < 3; ++i) {
        auto *label = new NoteLabel(QString::fromUtf16(captions[i]), Picture1);
        label->setObjectName(u"Label1_"_qs + QString::number(i));
        label->setGeometry(places[i]);
        label->setFont(makeFont(u"Arial"_qs, 8.25, false));
        // Sized to the text in the font that stands in for Arial, which may be wider.
        label->SetAutoSize(true);
        label->setEnabled(false); // until its operation is given
        connect(label, &NoteLabel::Click, this, [this, i] { Label1_Click(i); });
        Label1[size_t(i)] = label;
    }

    TimerToca.setInterval(5000);
    Piscar.setInterval(200);
    tmrEvent.setInterval(5000);
    connect(&tmrEvent, &QTimer::timeout, this, &frmNote::tmrEvent_Timer);
    connect(&Piscar, &QTimer::timeout, this, &frmNote::Piscar_Timer);
    connect(&TimerToca, &QTimer::timeout, this, &frmNote::TimerToca_Timer);
    watchAlarmTimers();

    connect(ImTop, &NoteImage::Click, this, &frmNote::ImTop_Click);
    connect(ImTop, &NoteImage::MouseMove, this, &frmNote::ImTop_MouseMove);
    connect(ImTop, &NoteImage::MouseLeave, this, &frmNote::surfaceMouseMove);
    connect(Image3, &NoteImage::Click, this, &frmNote::Image3_Click);
    connect(Image3, &NoteImage::MouseMove, this, &frmNote::Image3_MouseMove);
    connect(Image3, &NoteImage::MouseLeave, this, &frmNote::surfaceMouseMove);
    connect(txtTitle, &NoteLabel::MouseDown, this, &frmNote::txtTitle_MouseDown);
    connect(txtTitle, &NoteLabel::MouseMove, this, &frmNote::txtTitle_MouseMove);
    connect(txtTitle, &NoteLabel::Click, this, [this] {
        // A press that became a move is no click.
        if (m_titlePressed)
            txtTitle_Click();
    });
    connect(txtNote, &RichTextBox::MouseDown, this, &frmNote::txtNote_MouseDown);
    connect(txtNote, &RichTextBox::MouseMove, this, [this] { surfaceMouseMove(); });
    connect(txtNote->document(), &QTextDocument::contentsChanged, this, [this] {
        if (txtNote->document()->isModified())
            noteEdited();
    });
    m_autosave.setSingleShot(true);
    m_autosave.setInterval(AutosaveDelayMs);
    connect(&m_autosave, &QTimer::timeout, this, &frmNote::autosave);
    OpenForms::add(this);
}

frmNote::~frmNote()
{
    OpenForms::remove(this);
    if (Piscar.isActive())
        emit RingingNotes::instance().changed();
}

void frmNote::Form_Load()
{
    hide();

    txtNote->resize(tw(Picture2->width() * TwipsPerPixel - 60),
                    tw(Picture2->height() * TwipsPerPixel - 60));
    applyShape();
    ImTop->SetPicture(&imHot);
    Image3->SetPicture(&Image2);

    if (TrayReady) {
        const QDateTime now = Services::clock().now();
        RandomSource &random = Services::random();
        random.seed(quint32(now.time().msecsSinceStartOfDay()));
        const QSize screen = Services::screen().primarySize();
        // A screen smaller than a note would give a negative range: keep the note on it.
        SetTop(int(random.fraction() * std::max(0, screen.height() * TwipsPerPixel - 3500)));
        SetLeft(int(random.fraction() * std::max(0, screen.width() * TwipsPerPixel - 3000)));
        txtTitle->setText(NewNoteTitle(now));
    }
}

void frmNote::applyShape()
{
    // All notes share one picture, so they share its shape too; it is worked out once.
    static qint64 shapeOf = -1;
    static std::optional<QRegion> region;
    if (shapeOf != m_windowPicture.cacheKey()) {
        region = RegionFromPicture(m_windowPicture.toImage(), ShapeTransparent);
        shapeOf = m_windowPicture.cacheKey();
    }
    if (region)
        setMask(*region);
    else
        clearMask();
}

QString frmNote::Tag() const
{
    return property("Tag").toString();
}

void frmNote::SetTag(const QString &tag)
{
    setProperty("Tag", tag);
}

qint16 frmNote::NoteId() const
{
    return qint16(OpenForms::noteIdOf(this));
}

QPoint frmNote::screenPosition() const
{
    const auto seen = NativeWindowPosition(this);
    if (seen)
        m_knownAt = *seen;
    return seen.value_or(pos());
}

void frmNote::SeenAt(const QPoint &at)
{
    m_knownAt = at;
}

void frmNote::moveTo(const QPoint &at)
{
    move(at);
    m_knownAt = pos();
}

int frmNote::Top() const
{
    return screenPosition().y() * TwipsPerPixel;
}

void frmNote::SetTop(int twips)
{
    moveTo(QPoint(x(), qRound(twips / double(TwipsPerPixel))));
}

int frmNote::Left() const
{
    return screenPosition().x() * TwipsPerPixel;
}

void frmNote::hideEvent(QHideEvent *e)
{
    // A closing window is not shown again; asking the X server would cost a round trip per note
    // at shutdown.
    if (m_closing) {
        QWidget::hideEvent(e);
        return;
    }
    // Shown again later, the window goes where Qt believes it is, and after a reparenting window
    // manager mapped it that can be a stale 0,0 (see NativeWindowPosition): make it where it was
    // seen.
    if (const auto seen = NativeWindowPosition(this); seen && *seen != pos())
        moveTo(*seen);
    else if (seen)
        m_knownAt = *seen;
    QWidget::hideEvent(e);
}

void frmNote::showEvent(QShowEvent *e)
{
    // Before the window is mapped: the native window exists now, and may be a new one.
    SkipTaskbar(this);
    QWidget::showEvent(e);
}

void frmNote::SetLeft(int twips)
{
    moveTo(QPoint(qRound(twips / double(TwipsPerPixel)), y()));
}

void frmNote::SetBackColor(quint32 color)
{
    m_backColor = color & 0xFFFFFF;
    update();
}

void frmNote::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), WinColor::toQColor(m_backColor));
    if (!m_windowPicture.isNull())
        p.drawPixmap(0, 0, m_windowPicture);
}

void frmNote::ImTop_Click()
{
    const QString section = Tag();
    const bool pin = ReadIni(section, u"OnTop"_qs, u"False"_qs, IndexFile()) == u"False";
    // Without the stored state the pin would show one thing and the next start another.
    if (!WritePrivateProfileString(section, u"OnTop"_qs, pin ? u"True"_qs : u"False"_qs,
                                   IndexFile())) {
        txtNote->SetFocus();
        return;
    }

    if (pin) {
        ImTop->SetPicture(&imDown);
        SetWindowTopmost(this, true);
    } else {
        ImTop->SetPicture(&imHot);
        SetWindowTopmost(this, false);
    }

    // Every pinned note is put back on top. Each window is matched to its stored state by its
    // own Tag, so the order of the open windows does not matter.
    for (int i = 1; i < OpenForms::count(); ++i) {
        QWidget *w = OpenForms::at(i);
        const int id = OpenForms::noteIdOf(w);
        if (id == 0)
            continue;
        if (ReadIni(QString::number(id), u"OnTop"_qs, u"False"_qs, IndexFile()) != u"False")
            SetWindowTopmost(w, true);
    }

    txtNote->SetFocus();
}

void frmNote::Image3_Click()
{
    if (AplicaClick())
        return;
    hide();
    Image3->SetPicture(&Image2);
    saveWithMessage();
}

bool frmNote::SaveNote(qint16 Id)
{
    return m_saver && m_saver(Id);
}

void frmNote::saveWithMessage()
{
    const qint16 id = NoteId();
    // A window without a NoteId would save every note under the number 0: report it instead.
    if (id == 0) {
        Services::messageBoxes().show(u"Erro: Me.Tag = "_qs + Tag(), MessageBoxes::Ok,
                                      MessageBoxes::Critical, MessageBoxes::AnswerOk);
        return;
    }
    if (SaveNote(id)) {
        m_titleEdited = false;
        m_autosave.stop();
        return;
    }
    // The user asked for this save: say what went wrong, every time.
    QString message = u"Erro: Me.Tag = "_qs + Tag();
    if (const QString why = SaveFailureText(); !why.isEmpty()) {
        LogProblem(why);
        message += u"\n\n"_qs + why;
    }
    Services::messageBoxes().show(message, MessageBoxes::Ok, MessageBoxes::Critical,
                                  MessageBoxes::AnswerOk);
}

NoteRecord frmNote::Record(QPoint at) const
{
    NoteRecord r;
    r.id = NoteId();
    r.title = txtTitle->text();
    r.top = at.y() * TwipsPerPixel;
    r.left = at.x() * TwipsPerPixel;
    r.visible = isVisible();
    r.color1 = Picture1->BackColor();
    r.color2 = txtNote->BackColor();
    // Saved while it blinks (at shutdown, or typed into), a note keeps its own colours.
    if (m_colorsTraded)
        std::swap(r.color1, r.color2);
    r.onTop = ImTop->Picture() == &imDown;
    r.alarm = tmrEvent.isActive();
    if (ContentNeedsSaving())
        r.content = Rtf::write(*txtNote->document());
    r.contentStamp = m_storedStamp;
    return r;
}

void frmNote::ApplyRecord(const NoteRecord &r)
{
    txtTitle->setText(r.title);
    if (r.top)
        SetTop(*r.top);
    if (r.left)
        SetLeft(*r.left);
    Picture1->SetBackColor(r.color1);
    txtNote->SetBackColor(r.color2);
    Picture2->SetBackColor(txtNote->BackColor());
    SetStoredContent(r.contentStamp, r.content.value_or(QByteArray()));
    if (r.content)
        txtNote->LoadData(*r.content);
    else if (!r.contentProblem.isEmpty())
        SetContentUnreadable(QFileInfo(ContentFile(r.id)).fileName(), r.contentProblem);
    ContentLoaded();
    if (r.alarm)
        tmrEvent.start();
    else
        tmrEvent.stop();
    if (r.onTop) {
        ImTop->SetPicture(&imDown);
        SetWindowTopmost(this, true);
    }
    setVisible(r.visible);
}

bool frmNote::ContentNeedsSaving() const
{
    if (txtNote->PreviewOf() != 0 || m_contentUnreadable)
        return false;
    if (txtNote->document()->isModified())
        return true;
    return !QFileInfo::exists(ContentFile(NoteId()));
}

void frmNote::ContentLoaded()
{
    txtNote->document()->setModified(false);
    m_titleEdited = false;
    m_autosave.stop();
}

void frmNote::ContentSaved()
{
    txtNote->document()->setModified(false);
    m_contentUnreadable = false;
    txtNote->setPlaceholderText(QString());
}

void frmNote::SetContentUnreadable(const QString &fileName, const QString &why)
{
    m_contentUnreadable = true;
    // Whatever is typed could only be saved over the file; read-only until the file can be read.
    txtNote->setReadOnly(true);
    txtNote->setPlaceholderText(
        u"Não foi possível ler o texto desta nota (%1: %2). O arquivo fica como está, e a nota "
        u"não pode ser editada enquanto ele estiver assim."_qs.arg(fileName, why));
}

void frmNote::noteEdited()
{
    // The delay is given each time: a failed save leaves the timer at its longer retry delay.
    m_autosave.start(AutosaveDelayMs);
}

void frmNote::autosave()
{
    if (!ContentNeedsSaving() && !m_titleEdited)
        return;
    // Saving while notes still load would list only those loaded so far.
    if (NotesLoading()) {
        m_autosave.start();
        return;
    }
    const qint16 id = NoteId();
    if (id == 0)
        return;
    if (SaveNote(id)) {
        m_titleEdited = false;
        return;
    }
    ReportSaveFailure();
    // The disk may come back (space freed, drive remounted): try again now and then.
    m_autosave.start(30'000);
}

void frmNote::changeEvent(QEvent *e)
{
    // Leaving a note saves what was typed in it at once.
    if (e->type() == QEvent::ActivationChange && !isActiveWindow() && m_autosave.isActive()) {
        m_autosave.stop();
        autosave();
    }
    QWidget::changeEvent(e);
}

void frmNote::SetLinkAction(int index, std::function<void()> action)
{
    if (index < 0 || index > 2)
        return;
    Label1[size_t(index)]->setEnabled(bool(action));
    m_linkActions[size_t(index)] = std::move(action);
}

void frmNote::Label1_Click(int index)
{
    if (index < 0 || index > 2 || !m_linkActions[size_t(index)])
        return;
    if (AplicaClick())
        return;
    hideTitleEditor();
    const qint16 id = NoteId();
    CurrentNoteId = id;
    CurrentFormIndex = qint16(FindNoteFormIndex(id));

    QPointer<frmNote> self(this);
    const std::function<void()> action = m_linkActions[size_t(index)];
    action();
    if (self)
        saveWithMessage();
}

void frmNote::txtNote_MouseDown(int button, const QPoint &globalPos)
{
    hideTitleEditor();
    const qint16 id = NoteId();
    CurrentNoteId = id;
    if (AplicaClick() || button != 2)
        return;
    CurrentFormIndex = qint16(FindNoteFormIndex(id));
    const bool onTop = StrToBool(ReadIni(Tag(), u"OnTop"_qs, u"False"_qs, IndexFile()));
    emit noteMenuRequested(globalPos, onTop);
}

TitleEdit *frmNote::titleEditor()
{
    // Made on the first edit: most notes never have their title edited in place, and a line
    // editor is the dearest control of the window to create.
    if (Text1)
        return Text1;
    // 22 characters may be typed; a longer title from elsewhere stays whole.
    Text1 = new TitleEdit(22, Picture1);
    Text1->setObjectName(u"Text1"_qs);
    Text1->setGeometry(twipsRect(300, 30, 2070, 255));
    Text1->setFont(makeFont(u"Tahoma"_qs, 8.25, true));
    Text1->setFrame(false);
    Text1->hide();

    connect(Text1, &QLineEdit::textChanged, txtTitle, &QLabel::setText);
    connect(Text1, &QLineEdit::textEdited, this, [this] {
        m_titleEdited = true;
        noteEdited();
    });
    connect(Text1, &QLineEdit::returnPressed, this, [this] {
        hideTitleEditor();
        txtNote->SetFocus();
    });
    auto *cancelTitle = new QAction(Text1);
    cancelTitle->setShortcut(Qt::Key_Escape);
    cancelTitle->setShortcutContext(Qt::WidgetShortcut);
    Text1->addAction(cancelTitle);
    connect(cancelTitle, &QAction::triggered, this, [this] {
        if (Text1->text() != m_titleBeforeEdit) {
            Text1->SetText(m_titleBeforeEdit);
            // What was typed may have been saved already: the old title must be saved again.
            m_titleEdited = true;
            noteEdited();
        }
        hideTitleEditor();
        txtNote->SetFocus();
    });

    return Text1;
}

void frmNote::txtTitle_Click()
{
    titleEditor();
    Text1->move(txtTitle->pos());
    QPalette p = Text1->palette();
    p.setColor(QPalette::Base, WinColor::toQColor(Picture1->BackColor()));
    Text1->setPalette(p);
    m_titleBeforeEdit = txtTitle->text();
    Text1->SetText(m_titleBeforeEdit);
    Text1->show();
    Text1->raise();
    Text1->selectAll();
    Text1->setFocus(Qt::MouseFocusReason);
}

void frmNote::SetTitle(const QString &title)
{
    if (title == txtTitle->text())
        return;
    txtTitle->setText(title);
    m_titleEdited = true;
    noteEdited();
}

void frmNote::hideTitleEditor()
{
    if (Text1)
        Text1->hide();
}

void frmNote::DragWindow(const QPoint &globalPos)
{
    m_titlePressed = false;
    if (QWindow *handle = windowHandle(); handle && handle->startSystemMove()) {
        // The window manager moves it now, and Qt hears where to.
        m_knownAt.reset();
        return;
    }
    // startSystemMove() needs a window manager with _NET_WM_MOVERESIZE; without one (a bare X
    // server, some kiosks) it fails: follow the mouse until the button is released.
    m_manualDrag = true;
    m_dragOffset = globalPos - pos();
}

void frmNote::dragTo(const QPoint &globalPos)
{
    moveTo(globalPos - m_dragOffset);
}

void frmNote::mousePressEvent(QMouseEvent *e)
{
    // Presses on the window's surface and on the frame the picture boxes make get here; every
    // other control keeps its presses.
    e->accept();
    m_manualDrag = false;
    DragWindow(e->globalPosition().toPoint());
}

void frmNote::mouseMoveEvent(QMouseEvent *e)
{
    e->accept();
    if (m_manualDrag && e->buttons() != Qt::NoButton) {
        dragTo(e->globalPosition().toPoint());
        return;
    }
    surfaceMouseMove();
}

void frmNote::mouseReleaseEvent(QMouseEvent *e)
{
    e->accept();
    m_manualDrag = false;
}

void frmNote::txtTitle_MouseDown(int button, const QPoint &globalPos)
{
    m_manualDrag = false;
    m_titlePressed = button == 1;
    m_titlePressPos = globalPos;
}

void frmNote::txtTitle_MouseMove(int buttons, const QPoint &globalPos)
{
    if (buttons & 1) {
        if (m_manualDrag) {
            dragTo(globalPos);
            return;
        }
        // A small shake of the hand during a click still edits the title.
        if (m_titlePressed &&
            (globalPos - m_titlePressPos).manhattanLength() >= QApplication::startDragDistance()) {
            // The window manager's move would start here, past the click distance, and leave
            // the note that far behind the pointer: the note follows the point where it was
            // taken instead.
            m_titlePressed = false;
            m_manualDrag = true;
            m_dragOffset = m_titlePressPos - pos();
            dragTo(globalPos);
            return;
        }
    } else {
        m_manualDrag = false;
    }
    surfaceMouseMove();
}

void frmNote::surfaceMouseMove()
{
    Image3->SetPicture(&Image2);
    if (ImTop->Picture() == &imUp)
        ImTop->SetPicture(&imHot);
}

void frmNote::ImTop_MouseMove()
{
    Image3->SetPicture(&Image2);
    if (ImTop->Picture() == &imHot)
        ImTop->SetPicture(&imUp);
}

void frmNote::Image3_MouseMove()
{
    Image3->SetPicture(&Image1);
    if (ImTop->Picture() == &imUp)
        ImTop->SetPicture(&imHot);
}

void frmNote::closeEvent(QCloseEvent *e)
{
    // The window manager's close (Alt+F4, a panel's close button) hides the note like its own
    // hide button; only the program itself closes a note window for good.
    if (e->spontaneous()) {
        e->ignore();
        Image3_Click();
        return;
    }
    // Gone from the list at once, not when the deferred deletion runs.
    OpenForms::remove(this);
    m_closing = true;
    e->accept();
}
