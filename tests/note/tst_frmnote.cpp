#include "mock/FakeServices.h"
#include "mock/Warnings.h"

#include "base/Globals.h"
#include "base/ProfileString.h"
#include "note/OpenForms.h"
#include "note/TopMost.h"
#include "note/frmNote.h"
#include "store/NoteFiles.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

namespace {

// A note whose store is replaced, so that the window is tested on its own.
class TestNote : public frmNote
{
public:
    explicit TestNote(int id, bool shown = true)
    {
        SetTag(QString::number(id));
        Form_Load();
        if (shown) {
            show();
            QVERIFY(QTest::qWaitForWindowExposed(this));
        }
    }
    bool SaveNote(qint16 Id) override
    {
        saved << Id;
        return saveSucceeds;
    }

    QList<qint16> saved;
    bool saveSucceeds = true;
};

// One key event per character, accents included, the way a keyboard types them.
void typeText(QWidget *w, const QString &text)
{
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(ch), {});
}

bool storeOnTop(int id, const QString &value)
{
    return WritePrivateProfileString(QString::number(id), u"OnTop"_qs, value, IndexFile());
}

} // namespace

class tst_frmNote : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::optional<FakeServices> m_fakes;
    QWidget m_popup; // OpenForms index 0 is the main window

private slots:
    void initTestCase() { OpenForms::add(&m_popup); }

    void init()
    {
        FailOnUnexpectedWarnings();
        m_dir = std::make_unique<QTemporaryDir>();
        ResetProgramState(m_dir->path());
        m_fakes.emplace(); // the old fakes go first
    }

    void cleanup() { QCOMPARE(OpenForms::count(), 1); } // every test's notes are gone again

    // The program closes a note for good (the window manager's close, which only hides it, is
    // tried end to end).
    void close_byProgram()
    {
        auto *a = new TestNote(4);
        TestNote b(9, false);
        QPointer<TestNote> closed(a);
        a->close();
        // Gone from the list at once; the window itself goes with the next event loop.
        QCOMPARE(FindNoteFormIndex(9), 1);
        QTRY_VERIFY(!closed);
    }

    void pin_togglesOnTop_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QStringList>("clicks"); // OnTop after each click
        const auto row = [](const char *name, const char *stored, const char *first) {
            const QStringList both{u"True"_qs, u"False"_qs};
            QTest::newRow(name) << QString::fromLatin1(stored)
                                << (*first == 'T' ? both : QStringList{both[1], both[0]});
        };
        row("no key pins", nullptr, "True");
        row("True unpins", "True", "False");
        row("lower-case false counts as pinned", "false", "False");
    }

    void pin_togglesOnTop()
    {
        QFETCH(QString, stored);
        QFETCH(QStringList, clicks);
        if (!stored.isNull())
            QVERIFY(storeOnTop(6, stored));
        TestNote note(6);
        // The shown window changes its state in place: no hiding, no new native window.
        const WId id = note.winId();
        int hides = 0;
        connect(note.windowHandle(), &QWindow::visibleChanged, this, [&](bool v) { hides += !v; });
        for (const QString &expected : clicks) {
            note.ImTop_Click();
            QCOMPARE(GetPrivateProfileString(u"6"_qs, u"OnTop"_qs, {}, IndexFile()), expected);
            QCOMPARE(note.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint),
                     expected == u"True"_qs);
        }
        QVERIFY(note.isVisible() && note.winId() == id && hides == 0);
        QVERIFY(note.saved.isEmpty());
    }

    // Every pinned note is put back on top, matched by its own number whatever the order of
    // the windows and of indice.dat.
    void pin_reassertsEveryPinnedNote()
    {
        QVERIFY(WriteListLine(u",3,2,"_qs) && storeOnTop(3, u"false"_qs) &&
                storeOnTop(2, u"False"_qs));
        TestNote two(2), three(3), one(1);
        one.ImTop_Click();
        QVERIFY(IsWindowTopmost(&one) && IsWindowTopmost(&three) && !IsWindowTopmost(&two));
    }

    // Clicked, the title is edited in place, up to 22 characters; Enter keeps the new title,
    // Escape the old one.
    void titleEditor_limitAndKeys_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("typed"); // or pasted, after "paste:"
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("after");
        const QString max = u"abcdefghijklmnopqrstuv"_qs;
        QTest::newRow("typing 23 characters")
            << QString() << max + u"w"_qs << int(Qt::Key_Return) << max;
        QTest::newRow("pasting into a nearly full title, keypad Enter")
            << max.left(20) << u"paste:ÇÃÉ€"_qs << int(Qt::Key_Enter) << max.left(20) + u"ÇÃ"_qs;
        QTest::newRow("Escape goes back to the old title")
            << u"Lista"_qs << u"Mercado"_qs << int(Qt::Key_Escape) << u"Lista"_qs;
    }

    void titleEditor_limitAndKeys()
    {
        QFETCH(QString, before);
        QFETCH(QString, typed);
        QFETCH(int, key);
        QFETCH(QString, after);
        TestNote note(1);
        note.txtTitle->setText(before);
        QTest::mouseClick(note.txtTitle, Qt::LeftButton, {}, QPoint(20, 5));
        QVERIFY(note.Text1 && note.Text1->isVisible());
        note.Text1->end(false);
        if (typed.startsWith(u"paste:")) {
            QGuiApplication::clipboard()->setText(typed.mid(6));
            note.Text1->paste();
        } else {
            typeText(note.Text1, typed);
        }
        QTest::keyClick(note.Text1, Qt::Key(key));
        QVERIFY(note.Text1->isHidden());
        QCOMPARE(note.txtTitle->text(), after);
    }

    void hideButton_savesAndHides_data()
    {
        QTest::addColumn<QString>("tag");
        QTest::addColumn<bool>("saveSucceeds");
        QTest::addColumn<QList<qint16>>("saved");
        QTest::addColumn<QString>("message");
        QTest::newRow("it saves and hides") << u"7"_qs << true << QList<qint16>{7} << QString();
        QTest::newRow("a failed save is reported")
            << u"7"_qs << false << QList<qint16>{7} << u"Erro: Me.Tag = 7"_qs;
        // Without a NoteId it must not save every note in its place.
        QTest::newRow("a tag without a number saves nothing")
            << u"abc"_qs << true << QList<qint16>{} << u"Erro: Me.Tag = abc"_qs;
    }

    void hideButton_savesAndHides()
    {
        QFETCH(QString, tag);
        QFETCH(bool, saveSucceeds);
        QFETCH(QList<qint16>, saved);
        QFETCH(QString, message);
        TestNote note(7);
        note.SetTag(tag);
        note.saveSucceeds = saveSucceeds;
        QTest::mouseClick(note.Image3, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(!note.isVisible());
        QCOMPARE(note.saved, saved);
        const auto &asked = m_fakes->messageBoxes->asked;
        QCOMPARE(asked.isEmpty() ? QString() : asked.first().text, message);
    }

    // Typing saves the note after a pause (a kill after typing is tried end to end); leaving
    // the note saves at once.
    void autosave_afterTypingAndOnLeaving()
    {
        TestNote note(3);
        typeText(note.txtNote, u"olá"_qs);
        QTRY_COMPARE_WITH_TIMEOUT(note.saved, QList<qint16>{3}, frmNote::AutosaveDelayMs * 2);

        note.txtTitle_Click();
        QTest::keyClicks(note.Text1, u"x"_qs);
        TestNote other(4);
        other.activateWindow();
        QTRY_VERIFY(other.isActiveWindow());
        QCOMPARE(note.saved, (QList<qint16>{3, 3}));
    }
};

QTEST_MAIN(tst_frmNote)
#include "tst_frmnote.moc"
