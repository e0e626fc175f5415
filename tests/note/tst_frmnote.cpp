#include "mock/FakeServices.h"
#include "mock/Warnings.h"

#include "base/Globals.h"
#include "base/ProfileString.h"
#include "note/OpenForms.h"
#include "note/TopMost.h"
#include "note/frmNote.h"
#include "store/NoteFiles.h"

#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

namespace {

// A note whose store is replaced, so that the window is tested on its own.
class TestNote : public frmNote
{
public:
    explicit TestNote(int id)
    {
        SetTag(QString::number(id));
        Form_Load();
        show();
        QVERIFY(QTest::qWaitForWindowExposed(this));
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

    // Only an exact "False" is unpinned: a note stored "false" is pinned, so the first click
    // unpins it. The shown window changes its state in place: no hiding, no new native window.
    // (Pinning and unpinning by clicks are tried end to end.)
    void pin_togglesOnTop()
    {
        QVERIFY(storeOnTop(6, u"false"_qs));
        TestNote note(6);
        const WId id = note.winId();
        int hides = 0;
        connect(note.windowHandle(), &QWindow::visibleChanged, this, [&](bool v) { hides += !v; });
        for (const QString &expected : {u"False"_qs, u"True"_qs}) {
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
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("after");
        const QString max = u"abcdefghijklmnopqrstuÇ"_qs;
        QTest::newRow("typing 23 characters")
            << QString() << max + u"w"_qs << int(Qt::Key_Return) << max;
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
        typeText(note.Text1, typed);
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

    // Leaving a note saves it at once (a save after a pause in typing is tried end to end).
    void autosave_onLeaving()
    {
        TestNote note(3);
        note.txtTitle_Click();
        QTest::keyClicks(note.Text1, u"x"_qs);
        TestNote other(4);
        other.activateWindow();
        QTRY_VERIFY(other.isActiveWindow());
        QCOMPARE(note.saved, QList<qint16>{3});
    }
};

QTEST_MAIN(tst_frmNote)
#include "tst_frmnote.moc"
