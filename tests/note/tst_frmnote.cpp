#include "mock/FakeServices.h"
#include "note/frmNote.h"
#include "platform/Globals.h"
#include "platform/OpenForms.h"
#include "platform/ProfileString.h"
#include "platform/Services.h"
#include "platform/TopMost.h"
#include "store/NoteFiles.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

namespace {

// A note whose alarm and store are replaced, so that the window is tested on its own.
class TestNote : public frmNote
{
public:
    explicit TestNote(int id)
    {
        SetTag(QString::number(id));
        Form_Load();
    }
    bool AplicaClick() override
    {
        ++aplicaCalls;
        return deleteOnClick;
    }
    bool SaveNote(qint16 Id) override
    {
        saved << Id;
        savedTitles << txtTitle->text();
        return saveSucceeds;
    }

    int aplicaCalls = 0;
    bool deleteOnClick = false;
    QList<qint16> saved;
    QStringList savedTitles;
    bool saveSucceeds = true;
};

QString pinState(const frmNote &n)
{
    const QPixmap *p = n.ImTop->Picture();
    return p == &n.imHot    ? u"hot"_qs
           : p == &n.imUp   ? u"up"_qs
           : p == &n.imDown ? u"down"_qs
                            : u"other"_qs;
}

QString hideState(const frmNote &n)
{
    const QPixmap *p = n.Image3->Picture();
    return p == &n.Image2 ? u"normal"_qs : p == &n.Image1 ? u"hover"_qs : u"other"_qs;
}

void sendMouse(QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

// Types text the way a keyboard does, one key event per character, accents included.
void typeText(QWidget *w, const QString &text)
{
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QCoreApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
        QCoreApplication::sendEvent(w, &release);
    }
}

void moveOver(QWidget *w)
{
    sendMouse(w, QEvent::MouseMove, QPoint(2, 2), Qt::NoButton, Qt::NoButton);
}

QString storedOnTop(int id)
{
    return GetPrivateProfileString(QString::number(id), u"OnTop"_qs, u"<missing>"_qs, IndexFile());
}

} // namespace

class TestFrmNote : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // OpenForms index 0 is the main window.
        m_popup = new QWidget;
        OpenForms::add(m_popup);
    }

    void init()
    {
        m_dir = new QTemporaryDir;
        QVERIFY(m_dir->isValid());
        DataPath = m_dir->path() + u'/';
        TrayReady = false;
        CurrentNoteId = 0;
        CurrentFormIndex = 0;

        m_services = new FakeServices;
        m_services->clock->setNow(QDateTime(QDate(2026, 12, 5), QTime(14, 30, 12)));
        m_random = m_services->random;
        m_screen = m_services->screen;
        m_messages = m_services->messageBoxes;
    }

    void cleanup()
    {
        QCOMPARE(OpenForms::count(), 1); // every test's notes are gone again
        delete m_services;
        m_services = nullptr;
        delete m_dir;
        m_dir = nullptr;
    }

    void controlGeometry_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("container");
        QTest::addColumn<QRect>("twips");

        QTest::newRow("Picture1") << u"Picture1"_qs << QString() << QRect(0, 0, 2730, 2955);
        QTest::newRow("ImTop") << u"ImTop"_qs << u"Picture1"_qs << QRect(60, 30, 255, 240);
        QTest::newRow("txtTitle") << u"txtTitle"_qs << u"Picture1"_qs << QRect(375, 30, 1965, 225);
        QTest::newRow("Text1") << u"Text1"_qs << u"Picture1"_qs << QRect(300, 30, 2070, 255);
        QTest::newRow("Image3") << u"Image3"_qs << u"Picture1"_qs << QRect(2400, 30, 255, 240);
        QTest::newRow("Picture2") << u"Picture2"_qs << u"Picture1"_qs << QRect(30, 285, 2670, 2415);
        QTest::newRow("txtNote") << u"txtNote"_qs << u"Picture2"_qs << QRect(30, 30, 2610, 2355);
        QTest::newRow("Label1(0)")
            << u"Label1_0"_qs << u"Picture1"_qs << QRect(510, 2715, 510, 210);
        QTest::newRow("Label1(1)")
            << u"Label1_1"_qs << u"Picture1"_qs << QRect(1170, 2715, 360, 210);
        QTest::newRow("Label1(2)")
            << u"Label1_2"_qs << u"Picture1"_qs << QRect(1650, 2715, 600, 210);
    }

    void controlGeometry()
    {
        QFETCH(QString, name);
        QFETCH(QString, container);
        QFETCH(QRect, twips);

        TestNote note(1);
        auto *w = note.findChild<QWidget *>(name);
        QVERIFY(w);
        if (container.isEmpty())
            QCOMPARE(w->parentWidget(), &note);
        else
            QCOMPARE(w->parentWidget()->objectName(), container);
        const QRect g = w->geometry();
        QCOMPARE(QRect(g.x() * 15, g.y() * 15, g.width() * 15, g.height() * 15), twips);
    }

    void windowIsFixedFramelessTool()
    {
        TestNote note(1);
        QCOMPARE(note.size(), QSize(182, 198));
        QVERIFY(note.windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(note.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
        note.Picture1->SetBackColor(0);
        note.SetBackColor(0x73E5E5);
        note.txtNote->SetBackColor(0);
        QCOMPARE(note.size(), QSize(182, 198));
    }

    void initialState()
    {
        TestNote note(1);
        QVERIFY(!note.isVisible());
        QCOMPARE(pinState(note), u"hot"_qs);
        QCOMPARE(hideState(note), u"normal"_qs);
        QVERIFY(note.Text1->isHidden());
        QCOMPARE(note.ImTop->toolTip(), u"Sempre Visível"_qs);
        QCOMPARE(note.Image3->toolTip(), u"Ocutar Nota"_qs);
        QCOMPARE(note.Label1[0]->text(), u"[Fonte]"_qs);
        QCOMPARE(note.Label1[1]->text(), u"[Cor]"_qs);
        QCOMPARE(note.Label1[2]->text(), u"[Alarme]"_qs);
        QCOMPARE(note.ImTop->cursor().hotSpot(), QPoint(9, 1));
        QVERIFY(!note.TimerToca.isActive() && !note.Piscar.isActive() && !note.tmrEvent.isActive());
    }

    void shapeCutsTheWhiteMargin()
    {
        TestNote note(1);
        const QRegion mask = note.mask();
        QVERIFY(!mask.isEmpty());
        for (const QPoint p : {QPoint(0, 0), QPoint(181, 0), QPoint(0, 197), QPoint(181, 197),
                               QPoint(0, 99), QPoint(90, 0), QPoint(90, 197), QPoint(2, 2)})
            QVERIFY2(!mask.contains(p), qPrintable(u"%1,%2"_qs.arg(p.x()).arg(p.y())));
        for (const QPoint p : {QPoint(91, 99), QPoint(1, 99), QPoint(181, 99), QPoint(90, 1)})
            QVERIFY2(mask.contains(p), qPrintable(u"%1,%2"_qs.arg(p.x()).arg(p.y())));
    }

    void positionInTwips()
    {
        TestNote note(1);
        note.SetTop(1500);
        note.SetLeft(3000);
        QCOMPARE(note.pos(), QPoint(200, 100));
        QCOMPARE(note.Top(), 1500);
        QCOMPARE(note.Left(), 3000);
        note.SetTop(-450);
        QCOMPARE(note.y(), -30);
    }

    void listedWhileOpen()
    {
        auto *a = new TestNote(4);
        auto *b = new TestNote(9);
        QCOMPARE(OpenForms::indexOf(a), 1);
        QCOMPARE(OpenForms::indexOf(b), 2);
        QCOMPARE(FindNoteFormIndex(9), 2);

        QPointer<TestNote> closed(a);
        a->close();
        // Gone from the list at once; the window itself goes with the next event loop.
        QCOMPARE(OpenForms::indexOf(a), -1);
        QCOMPARE(OpenForms::indexOf(b), 1);
        QVERIFY(closed);
        QTRY_VERIFY(!closed);
        QVERIFY(b->saved.isEmpty());
        delete b;
        QCOMPARE(OpenForms::count(), 1);
    }

    void newNoteTitle_data()
    {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QString>("title");
        QTest::newRow("december afternoon")
            << QDateTime(QDate(2026, 12, 5), QTime(14, 30, 59)) << u"05/dez - 14:30"_qs;
        QTest::newRow("january midnight")
            << QDateTime(QDate(2027, 1, 31), QTime(0, 5)) << u"31/jan - 00:05"_qs;
        QTest::newRow("february evening")
            << QDateTime(QDate(2028, 2, 29), QTime(23, 59)) << u"29/fev - 23:59"_qs;
    }

    void newNoteTitle()
    {
        QFETCH(QDateTime, when);
        QFETCH(QString, title);
        QCOMPARE(NewNoteTitle(when), title);
    }

    void newNoteGetsRandomPlaceAndTitle()
    {
        TrayReady = true;
        m_random->queue({0.5, 0.25});
        m_screen->size = QSize(1024, 768);
        TestNote note(3);
        QCOMPARE(m_random->seeds.first(), quint32(QTime(14, 30, 12).msecsSinceStartOfDay()));
        QCOMPARE(m_random->seeds.size(), 1);
        QCOMPARE(note.y(), qRound(int(0.5 * (768 * 15 - 3500)) / 15.0));
        QCOMPARE(note.x(), qRound(int(0.25 * (1024 * 15 - 3000)) / 15.0));
        QCOMPARE(note.txtTitle->text(), u"05/dez - 14:30"_qs);

        // The largest fraction still keeps the note inside the given range.
        m_random->queue({0.9999, 0.9999});
        TestNote last(4);
        QVERIFY(last.y() <= qRound((768 * 15 - 3500) / 15.0));
        QVERIFY(last.x() <= qRound((1024 * 15 - 3000) / 15.0));

        // A screen smaller than a note puts it at the edge, not outside.
        m_screen->size = QSize(150, 200);
        m_random->queue({0.9, 0.9});
        TestNote tiny(5);
        QCOMPARE(tiny.pos(), QPoint(0, 0));
    }

    void pinTogglesOnTop_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");

        QTest::newRow("missing key pins") << QString() << u"True"_qs << u"False"_qs;
        QTest::newRow("False pins") << u"False"_qs << u"True"_qs << u"False"_qs;
        QTest::newRow("True unpins") << u"True"_qs << u"False"_qs << u"True"_qs;
        QTest::newRow("lower-case false counts as pinned")
            << u"false"_qs << u"False"_qs << u"True"_qs;
        QTest::newRow("other text counts as pinned") << u"Sim"_qs << u"False"_qs << u"True"_qs;
    }

    void pinTogglesOnTop()
    {
        QFETCH(QString, stored);
        QFETCH(QString, first);
        QFETCH(QString, second);

        if (!stored.isNull())
            QVERIFY(WritePrivateProfileString(u"6"_qs, u"OnTop"_qs, stored, IndexFile()));
        TestNote note(6);
        note.show();
        QVERIFY(QTest::qWaitForWindowExposed(&note));

        for (const QString &expected : {first, second}) {
            note.ImTop_Click();
            QCOMPARE(storedOnTop(6), expected);
            const bool pinned = expected == u"True"_qs;
            QCOMPARE(pinState(note), pinned ? u"down"_qs : u"hot"_qs);
            QCOMPARE(IsWindowTopmost(&note), pinned);
            QCOMPARE(note.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint), pinned);
            QCOMPARE(note.focusWidget(), note.txtNote);
        }
        QVERIFY(note.saved.isEmpty());
    }

    void pinKeepsShownWindowMapped()
    {
        TestNote note(6);
        note.show();
        QVERIFY(QTest::qWaitForWindowExposed(&note));
        QWindow *handle = note.windowHandle();
        const WId id = note.winId();
        int hides = 0;
        connect(handle, &QWindow::visibleChanged, this, [&hides](bool v) { hides += !v; });

        note.ImTop_Click();
        note.ImTop_Click();
        QCoreApplication::processEvents();
        QVERIFY(note.isVisible());
        QCOMPARE(note.windowHandle(), handle);
        QCOMPARE(note.winId(), id);
        QCOMPARE(hides, 0);
    }

    void pinReassertsEveryPinnedNote()
    {
        QVERIFY(WritePrivateProfileString(u"1"_qs, u"OnTop"_qs, u"True"_qs, IndexFile()));
        QVERIFY(WritePrivateProfileString(u"2"_qs, u"OnTop"_qs, u"False"_qs, IndexFile()));
        QVERIFY(WritePrivateProfileString(u"3"_qs, u"OnTop"_qs, u"false"_qs, IndexFile()));
        // The list order differs from the window order on purpose.
        QVERIFY(WriteListLine(u",3,2,1,4,"_qs));

        TestNote a(1), b(2), c(3), d(4);
        for (frmNote *n : {&a, &b, &c, &d})
            QVERIFY(!IsWindowTopmost(n));
        d.ImTop_Click();
        QVERIFY(IsWindowTopmost(&a));
        QVERIFY(!IsWindowTopmost(&b));
        QVERIFY(IsWindowTopmost(&c));
        QVERIFY(IsWindowTopmost(&d));
        QVERIFY(!IsWindowTopmost(m_popup));
    }

    void hoverPictures_data()
    {
        QTest::addColumn<bool>("pinned");
        QTest::addColumn<QStringList>("moves");
        QTest::addColumn<QString>("pin");
        QTest::addColumn<QString>("hide");
        const auto row = [](const char *name, bool pinned, const QStringList &moves,
                            const QString &pin, const QString &hide) {
            QTest::newRow(name) << pinned << moves << pin << hide;
        };

        row("over pin", false, QStringList{u"pin"_qs}, "up", "normal");
        row("pin then surface", false, QStringList{u"pin"_qs, u"surface"_qs}, "hot", "normal");
        row("pin then text", false, QStringList{u"pin"_qs, u"text"_qs}, "hot", "normal");
        row("pin then hide button", false, QStringList{u"pin"_qs, u"hide"_qs}, "hot", "hover");
        row("hide button then pin", false, QStringList{u"hide"_qs, u"pin"_qs}, "up", "normal");
        row("leaving the pin", false, QStringList{u"pin"_qs, u"leave pin"_qs}, "hot", "normal");
        row("leaving the hide button", false, QStringList{u"hide"_qs, u"leave hide"_qs}, "hot",
            "normal");
        row("pinned pin then hide", true, QStringList{u"pin"_qs, u"hide"_qs}, "down", "hover");
        row("pinned everywhere", true,
            QStringList{u"hide"_qs, u"surface"_qs, u"text"_qs, u"leave pin"_qs}, "down", "normal");
    }

    void hoverPictures()
    {
        QFETCH(bool, pinned);
        QFETCH(QStringList, moves);
        QFETCH(QString, pin);
        QFETCH(QString, hide);

        TestNote note(5);
        if (pinned)
            note.ImTop_Click();
        for (const QString &m : moves) {
            if (m == u"pin")
                moveOver(note.ImTop);
            else if (m == u"hide")
                moveOver(note.Image3);
            else if (m == u"surface")
                moveOver(&note);
            else if (m == u"text")
                moveOver(note.txtNote->viewport());
            else {
                QEvent leave(QEvent::Leave);
                QCoreApplication::sendEvent(m == u"leave pin" ? note.ImTop : note.Image3, &leave);
            }
        }
        QCOMPARE(pinState(note), pin);
        QCOMPARE(hideState(note), hide);
    }

    void titleEditor_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("savedTitles");

        QTest::newRow("Enter keeps the new title")
            << int(Qt::Key_Return) << u"Mercad"_qs << QStringList{u"Mercad"_qs};
        QTest::newRow("keypad Enter keeps it")
            << int(Qt::Key_Enter) << u"Mercad"_qs << QStringList{u"Mercad"_qs};
        QTest::newRow("Escape goes back to the old title, saved again")
            << int(Qt::Key_Escape) << u"Lista"_qs << QStringList{u"Mercad"_qs, u"Lista"_qs};
    }

    void titleEditor()
    {
        QFETCH(int, key);
        QFETCH(QString, title);
        QFETCH(QStringList, savedTitles);

        TestNote note(1);
        note.Picture1->SetBackColor(0x3E7CFF);
        note.txtTitle->setText(u"Lista"_qs);
        note.show();
        QVERIFY(QTest::qWaitForWindowExposed(&note));

        QTest::mouseClick(note.txtTitle, Qt::LeftButton, {}, QPoint(20, 5));
        QVERIFY(note.Text1->isVisible());
        QCOMPARE(note.Text1->pos(), note.txtTitle->pos());
        QCOMPARE(note.Text1->text(), u"Lista"_qs);
        QCOMPARE(note.Text1->palette().color(QPalette::Base), QColor(0xFF, 0x7C, 0x3E));
        QCOMPARE(note.focusWidget(), note.Text1);

        QTest::keyClicks(note.Text1, u"Mercado"_qs);
        QCOMPARE(note.txtTitle->text(), u"Mercado"_qs);
        QTest::keyClick(note.Text1, Qt::Key_Backspace);
        QCOMPARE(note.txtTitle->text(), u"Mercad"_qs);
        // A pause while typing saves the title as it is then.
        QTRY_COMPARE_WITH_TIMEOUT(note.savedTitles, QStringList{u"Mercad"_qs},
                                  2 * frmNote::AutosaveDelayMs);

        QTest::keyClick(note.Text1, Qt::Key(key));
        QVERIFY(note.Text1->isHidden());
        QCOMPARE(note.focusWidget(), note.txtNote);
        QCOMPARE(note.txtTitle->text(), title);
        QTRY_COMPARE_WITH_TIMEOUT(note.savedTitles, savedTitles, 2 * frmNote::AutosaveDelayMs);

        // A right click does not open the editor.
        QTest::mouseClick(note.txtTitle, Qt::RightButton, {}, QPoint(20, 5));
        QVERIFY(note.Text1->isHidden());
    }

    void titleDisplay_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("fits");

        QTest::newRow("short, centred") << u"Lista"_qs << true;
        QTest::newRow("too wide, from its start") << u"Lista de compras ação"_qs << false;
        QTest::newRow("markup is text") << u"<i>oi</i>"_qs << true;
    }

    void titleDisplay()
    {
        QFETCH(QString, title);
        QFETCH(bool, fits);

        TestNote note(1);
        note.txtTitle->setText(title);
        note.show();
        QVERIFY(QTest::qWaitForWindowExposed(&note));
        NoteLabel *label = note.txtTitle;
        QCOMPARE(label->text(), title); // what is saved
        const QString shown = label->DisplayedText();
        QCOMPARE(shown == title, fits);
        if (!fits) {
            QVERIFY2(shown.endsWith(u'…') && title.startsWith(shown.chopped(1)), qPrintable(shown));
            QVERIFY(shown.size() > 5);
        }

        // As seen on the title strip.
        const auto seen = [&] { return note.Picture1->grab(label->geometry()).toImage(); };
        const QImage image = seen();
        if (!fits) {
            // Its start shows as a left-aligned label would show it.
            NoteLabel start(title.left(5), note.Picture1);
            start.setFont(label->font());
            start.setGeometry(label->geometry());
            start.setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            start.show();
            label->hide();
            const QRect first(0, 0, 20, image.height());
            QCOMPARE(image.copy(first), seen().copy(first));
            return;
        }
        // All of it, centred: as much room left of the ink as right of it.
        int left = image.width(), right = -1;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 100) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        const QString where = u"%1..%2"_qs.arg(left).arg(right);
        QVERIFY2(right - left + 4 >= label->fontMetrics().horizontalAdvance(title), qPrintable(where));
        QVERIFY2(qAbs(left - (image.width() - 1 - right)) <= 2, qPrintable(where));
    }

    void titleEditorLimit_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<bool>("paste");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("after");

        const QString twentyTwo = u"abcdefghijklmnopqrstuv"_qs;
        QTest::newRow("typing 23 characters")
            << QString() << false << twentyTwo + u"w"_qs << twentyTwo;
        QTest::newRow("pasting a long text")
            << QString() << true << twentyTwo + u"wxyz"_qs << twentyTwo;
        QTest::newRow("pasting into a nearly full title")
            << twentyTwo.left(20) << true << u"ÇÃÉ€"_qs << twentyTwo.left(20) + u"ÇÃ"_qs;
        QTest::newRow("accented characters count once")
            << QString() << false << QString(22, u'ã') + u"b"_qs << QString(22, u'ã');
    }

    void titleEditorLimit()
    {
        QFETCH(QString, before);
        QFETCH(bool, paste);
        QFETCH(QString, input);
        QFETCH(QString, after);

        TestNote note(1);
        note.txtTitle->setText(before);
        note.show();
        QVERIFY(QTest::qWaitForWindowExposed(&note));
        note.txtTitle_Click();
        note.Text1->end(false);
        if (paste) {
            QGuiApplication::clipboard()->setText(input);
            note.Text1->paste();
        } else {
            typeText(note.Text1, input);
        }
        QCOMPARE(note.Text1->text(), after);
        QCOMPARE(note.txtTitle->text(), after);
    }

    void titleEditorClosedByLink()
    {
        TestNote note(1);
        note.SetLinkAction(0, [] {});
        note.show();
        QVERIFY(QTest::qWaitForWindowExposed(&note));
        note.txtTitle_Click();
        // Leaving in another way keeps it open.
        note.txtNote->SetFocus();
        QVERIFY(note.Text1->isVisible());
        QTest::mouseClick(note.Label1[0], Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(note.Text1->isHidden());
    }

    void hideButton_data()
    {
        QTest::addColumn<QString>("tag");
        QTest::addColumn<bool>("saveOk");
        QTest::addColumn<bool>("alarmDeletes");
        QTest::addColumn<QList<qint16>>("saved");
        QTest::addColumn<QString>("message");

        QTest::newRow("saves and hides")
            << u"7"_qs << true << false << QList<qint16>{7} << QString();
        QTest::newRow("failed save is reported")
            << u"7"_qs << false << false << QList<qint16>{7} << u"Erro: Me.Tag = 7"_qs;
        // Without a NoteId it must not save every note in its place.
        QTest::newRow("tag without id saves nothing")
            << u"abc"_qs << true << false << QList<qint16>{} << u"Erro: Me.Tag = abc"_qs;
        QTest::newRow("note deleted by its alarm stays")
            << u"7"_qs << true << true << QList<qint16>{} << QString();
    }

    void hideButton()
    {
        QFETCH(QString, tag);
        QFETCH(bool, saveOk);
        QFETCH(bool, alarmDeletes);
        QFETCH(QList<qint16>, saved);
        QFETCH(QString, message);

        TestNote note(7);
        note.SetTag(tag);
        note.saveSucceeds = saveOk;
        note.deleteOnClick = alarmDeletes;
        note.show();
        QVERIFY(QTest::qWaitForWindowExposed(&note));
        moveOver(note.Image3);
        QCOMPARE(hideState(note), u"hover"_qs);
        QTest::mouseClick(note.Image3, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(note.aplicaCalls, 1);
        QCOMPARE(note.isVisible(), alarmDeletes);
        if (!alarmDeletes)
            QCOMPARE(hideState(note), u"normal"_qs);
        QCOMPARE(note.saved, saved);
        QCOMPARE(m_messages->asked.size(), message.isNull() ? 0 : 1);
        if (!message.isNull()) {
            QCOMPARE(m_messages->asked.at(0).text, message);
            QCOMPARE(m_messages->asked.at(0).buttons, MessageBoxes::Ok);
        }
    }

    void linksAreInertUntilWired()
    {
        TestNote note(2);
        note.show();
        QVERIFY(QTest::qWaitForWindowExposed(&note));
        for (int i = 0; i < 3; ++i) {
            QVERIFY(!note.Label1[size_t(i)]->isEnabled());
            QVERIFY(note.Label1[size_t(i)]->isVisible());
            QTest::mouseClick(note.Label1[size_t(i)], Qt::LeftButton, {}, QPoint(5, 5));
            note.Label1_Click(i);
        }
        QVERIFY(note.saved.isEmpty());
        QCOMPARE(note.aplicaCalls, 0);
        QCOMPARE(CurrentNoteId, qint16(0));
    }

    void linkRunsActionAndSaves_data()
    {
        QTest::addColumn<int>("index");
        QTest::newRow("[Fonte]") << 0;
        QTest::newRow("[Cor]") << 1;
        QTest::newRow("[Alarme]") << 2;
    }

    void linkRunsActionAndSaves()
    {
        QFETCH(int, index);

        TestNote other(1);
        TestNote note(12);
        QList<int> ran;
        for (int i = 0; i < 3; ++i) {
            note.SetLinkAction(i, [&ran, i] {
                ran << i;
                QCOMPARE(CurrentNoteId, qint16(12));
                QCOMPARE(CurrentFormIndex, qint16(2));
            });
        }
        note.show();
        QVERIFY(QTest::qWaitForWindowExposed(&note));
        QVERIFY(note.Label1[size_t(index)]->isEnabled());
        QTest::mouseClick(note.Label1[size_t(index)], Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(ran, QList<int>{index});
        QCOMPARE(note.aplicaCalls, 1);
        QCOMPARE(note.saved, QList<qint16>{12});

        // A note deleted by its alarm does nothing more.
        note.deleteOnClick = true;
        note.Label1_Click(index);
        QCOMPARE(ran.size(), 1);
        QCOMPARE(note.saved.size(), 1);

        // A link whose action closes the note does not save a note that is gone.
        auto *closing = new TestNote(13);
        QPointer<TestNote> guard(closing);
        closing->SetLinkAction(index, [closing] { delete closing; });
        closing->Label1_Click(index);
        QVERIFY(!guard);
    }

    void textPress_data()
    {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("deleted");
        QTest::addColumn<bool>("menu");
        QTest::addColumn<bool>("onTop");

        QTest::newRow("left press") << Qt::LeftButton << u"True"_qs << false << false << false;
        QTest::newRow("right press, pinned")
            << Qt::RightButton << u"True"_qs << false << true << true;
        QTest::newRow("right press, not pinned")
            << Qt::RightButton << u"False"_qs << false << true << false;
        QTest::newRow("right press, no key")
            << Qt::RightButton << QString() << false << true << false;
        QTest::newRow("right press, note deleted by alarm")
            << Qt::RightButton << u"True"_qs << true << false << false;
    }

    void textPress()
    {
        QFETCH(Qt::MouseButton, button);
        QFETCH(QString, stored);
        QFETCH(bool, deleted);
        QFETCH(bool, menu);
        QFETCH(bool, onTop);

        if (!stored.isNull())
            QVERIFY(WritePrivateProfileString(u"8"_qs, u"OnTop"_qs, stored, IndexFile()));
        TestNote first(3);
        TestNote note(8);
        note.deleteOnClick = deleted;
        note.show();
        QVERIFY(QTest::qWaitForWindowExposed(&note));
        note.txtTitle_Click();
        QSignalSpy spy(&note, &frmNote::noteMenuRequested);

        QTest::mousePress(note.txtNote->viewport(), button, {}, QPoint(10, 10));
        QTest::mouseRelease(note.txtNote->viewport(), button, {}, QPoint(10, 10));
        QVERIFY(note.Text1->isHidden());
        QCOMPARE(CurrentNoteId, qint16(8));
        QCOMPARE(note.aplicaCalls, 1);
        QCOMPARE(spy.count(), menu ? 1 : 0);
        QCOMPARE(CurrentFormIndex, qint16(menu ? 2 : 0));
        if (menu) {
            QCOMPARE(spy.at(0).at(0).toPoint(),
                     note.txtNote->viewport()->mapToGlobal(QPoint(10, 10)));
            QCOMPARE(spy.at(0).at(1).toBool(), onTop);
        }
        QVERIFY(note.saved.isEmpty());
    }

    void dragFrameMovesWindow_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QPoint>("pos");
        QTest::addColumn<bool>("moves");

        // The window's own surface shows only along its bottom row.
        QTest::newRow("window, bottom row") << QString() << QPoint(50, 197) << true;
        QTest::newRow("frame, left edge") << u"Picture1"_qs << QPoint(1, 100) << true;
        QTest::newRow("frame, right edge") << u"Picture1"_qs << QPoint(180, 100) << true;
        QTest::newRow("frame, beside the links") << u"Picture1"_qs << QPoint(5, 188) << true;
        QTest::newRow("text area frame") << u"Picture2"_qs << QPoint(1, 1) << true;
        QTest::newRow("pin") << u"ImTop"_qs << QPoint(5, 5) << false;
        QTest::newRow("hide button") << u"Image3"_qs << QPoint(5, 5) << false;
        QTest::newRow("link") << u"Label1_0"_qs << QPoint(5, 5) << false;
    }

    void dragFrameMovesWindow()
    {
        QFETCH(QString, name);
        QFETCH(QPoint, pos);
        QFETCH(bool, moves);

        TestNote note(1);
        note.SetLinkAction(0, [] {});
        note.move(100, 100);
        note.show();
        QVERIFY(QTest::qWaitForWindowExposed(&note));
        QWidget *w = name.isEmpty() ? &note : note.findChild<QWidget *>(name);
        QVERIFY(w);
        // The press lands on that widget and on no control above it.
        QCOMPARE(note.childAt(w->mapTo(&note, pos)), name.isEmpty() ? nullptr : w);

        sendMouse(w, QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton);
        if (note.windowHandle()->startSystemMove())
            QSKIP("the window manager moves the window itself");
        sendMouse(w, QEvent::MouseMove, pos + QPoint(30, 20), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(note.pos(), moves ? QPoint(130, 120) : QPoint(100, 100));
        sendMouse(w, QEvent::MouseButtonRelease, pos + QPoint(30, 20), Qt::LeftButton,
                  Qt::NoButton);
        // After the release the mouse moves freely again.
        sendMouse(&note, QEvent::MouseMove, QPoint(10, 10), Qt::NoButton, Qt::NoButton);
        QCOMPARE(note.pos(), moves ? QPoint(130, 120) : QPoint(100, 100));
        QVERIFY(note.saved.isEmpty());
    }

    void dragTitleMovesWindowWithoutEditing()
    {
        TestNote note(1);
        note.move(100, 100);
        note.show();
        QVERIFY(QTest::qWaitForWindowExposed(&note));
        if (note.windowHandle()->startSystemMove())
            QSKIP("the window manager moves the window itself");

        QWidget *t = note.txtTitle;
        sendMouse(t, QEvent::MouseButtonPress, QPoint(10, 5), Qt::LeftButton, Qt::LeftButton);
        sendMouse(t, QEvent::MouseMove, QPoint(11, 5), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(note.pos(), QPoint(100, 100)); // a shaking hand is still a click
        sendMouse(t, QEvent::MouseMove, QPoint(40, 25), Qt::NoButton, Qt::LeftButton);
        sendMouse(t, QEvent::MouseMove, QPoint(50, 45), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(note.pos(), QPoint(110, 120));
        sendMouse(t, QEvent::MouseButtonRelease, QPoint(50, 45), Qt::LeftButton, Qt::NoButton);
        QVERIFY(note.Text1->isHidden());
    }

private:
    QTemporaryDir *m_dir = nullptr;
    QWidget *m_popup = nullptr;
    FakeServices *m_services = nullptr;
    FakeRandom *m_random = nullptr;
    FakeScreen *m_screen = nullptr;
    FakeMessageBoxes *m_messages = nullptr;
};

QTEST_MAIN(TestFrmNote)
#include "tst_frmnote.moc"
