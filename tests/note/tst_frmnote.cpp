#include "mock/ProgramTest.h"

#include "base/Cp1252.h"
#include "base/Globals.h"
#include "note/TopMost.h"
#include "rtf/Rtf.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTest>
#include <QTextDocument>
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

const QByteArray kLinkField = "{\\field{\\*\\fldinst HYPERLINK \"https://exemplo.com.br\"}";

// A box shown with the text before, then a link to href reading "o exemplo", then ".".
void showLink(RichTextBox &box, const QByteArray &before, const QByteArray &field = kLinkField)
{
    box.resize(300, 100);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    box.LoadData("{\\rtf1 " + before + field + "{\\fldrslt o exemplo}}.}");
}

} // namespace

// A note window on its own, and its rich-text box.
class tst_frmNote : public ProgramTest
{
    Q_OBJECT

    QWidget m_main; // OpenForms index 0 is the main window

private slots:
    void initTestCase() { OpenForms::add(&m_main); }

    void init()
    {
        setUp();
        DataPath = m_tmp->path() + u'/';
    }

    void cleanup() { tearDown(); }

    // Only an exact "False" is unpinned: a note stored "false" is pinned, so the first click
    // unpins it, in place: no hiding, no new native window. A click also puts back on top every
    // pinned note, matched by its own number whatever the order of the windows and of indice.dat.
    // (Pinning and unpinning by clicks are tried end to end.)
    void pin()
    {
        QVERIFY(WriteListLine(u",3,2,6,"_qs));
        for (const QString &k : {u"2=False"_qs, u"3=false"_qs, u"6=false"_qs})
            QVERIFY(WritePrivateProfileString(k.left(1), u"OnTop"_qs, k.mid(2), IndexFile()));
        TestNote two(2), three(3), six(6), one(1);
        const WId id = six.winId();
        int hides = 0;
        connect(six.windowHandle(), &QWindow::visibleChanged, this, [&](bool v) { hides += !v; });
        for (const QString &expected : {u"False"_qs, u"True"_qs}) {
            six.ImTop_Click();
            QCOMPARE(ini(6, "OnTop"), expected);
            QCOMPARE(IsWindowTopmost(&six), expected == u"True"_qs);
        }
        QVERIFY(six.isVisible() && six.winId() == id && hides == 0 && six.saved.isEmpty());
        one.ImTop_Click();
        QVERIFY(IsWindowTopmost(&one) && IsWindowTopmost(&three) && !IsWindowTopmost(&two));
    }

    // The links are as wide as their text in whatever font stands in for Arial, never cut, from
    // their designed left edges, side by side.
    void links_sizedToTheirText()
    {
        TestNote note(1);
        for (const char *family : {"Arial", "Tahoma", "DejaVu Sans", "DejaVu Serif"}) {
            int right = 0;
            for (int i = 0; i < 3; ++i) {
                NoteLabel *link = note.Label1[size_t(i)];
                link->setFont(QFont(QString::fromLatin1(family), 8));
                QVERIFY2(link->width() >= link->fontMetrics().horizontalAdvance(link->text()) &&
                             link->DisplayedText() == link->text(),
                         family);
                QVERIFY(link->x() == QList<int>({34, 78, 110})[i] && link->x() > right);
                right = link->geometry().right();
            }
            QVERIFY(right < note.Picture1->width());
        }
    }

    // The hide button hides and saves, and says when the save failed. Without a number in its
    // tag the note must not save every note in its place.
    void hideButton_savesAndHides()
    {
        for (int i = 0; i < 2; ++i) {
            const QString tag = i ? u"abc"_qs : u"7"_qs;
            TestNote note(7);
            note.SetTag(tag);
            note.saveSucceeds = false;
            QTest::mouseClick(note.Image3, Qt::LeftButton, {}, QPoint(5, 5));
            QVERIFY(!note.isVisible());
            QCOMPARE(note.saved, i ? QList<qint16>{} : QList<qint16>{7});
            QCOMPARE(m_fakes->messageBoxes->asked.value(i).text, u"Erro: Me.Tag = "_qs + tag);
        }
    }

    // Leaving a note saves it at once (a save after a pause in typing is tried end to end). After
    // a failed save, typing again is saved after the usual pause, not the retry's longer one.
    void autosave_onLeaving()
    {
        TestNote note(3);
        note.txtTitle_Click();
        QTest::keyClicks(note.Text1, u"x"_qs);
        TestNote other(4);
        other.activateWindow();
        QTRY_VERIFY(other.isActiveWindow());
        QCOMPARE(note.saved, QList<qint16>{3});

        for (const bool works : {false, true}) {
            other.saveSucceeds = works;
            other.txtNote->insertPlainText(u"a"_qs);
            QTRY_COMPARE_WITH_TIMEOUT(other.saved.size(), 1 + int(works), 4000);
        }
    }

    // A content file that is not RTF is plain text, in UTF-8 or else in code page 1252. A file the
    // user loads reads the same, as one step that undo takes back.
    void loadData_decodesTheText_data()
    {
        const QString text = u"Ação às 10h\r\nCafé €5"_qs;
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text"); // null: not compared
        QTest::newRow("UTF-8") << text.toUtf8() << text;
        QTest::newRow("code page 1252") << Cp1252::encode(text) << text;
        QTest::newRow("LF only") << QByteArray("a\nb\n") << u"a\r\nb\r\n"_qs;
        QTest::newRow("a lone CR") << QByteArray("a\rb") << u"a\r\nb"_qs;
        QTest::newRow("nothing") << QByteArray() << u""_qs;
        QTest::newRow("RTF") << QByteArray("{\\rtf1\\ansi caf\\'e9\\par x}") << u"café\r\nx"_qs;
        for (const char *name : {"features.rtf", "picture.rtf"})
            QTest::newRow(name) << readBytes(QStringLiteral(NOTAVEX_TEST_DATA "/rtf/") +
                                             QLatin1String(name))
                                << QString();
        // Only a preview of it could be shown, which is never saved: the user loads it nowhere.
        QTest::newRow("too long to edit")
            << QByteArray(RichTextBox::MaxEditableCharacters + 1, 'x') << QString();
    }

    void loadData_decodesTheText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        RichTextBox box;
        box.SetText(u"old"_qs);
        box.LoadData(bytes);
        if (!text.isNull())
            QCOMPARE(box.Text(), text);
        // What was loaded is not undone into the old content.
        QVERIFY(!box.document()->isUndoAvailable());

        const QString file = path(u"chosen"_qs);
        QVERIFY(writeBytes(file, bytes));
        RichTextBox chosen;
        chosen.SetText(u"old"_qs);
        QString why;
        if (box.PreviewOf() != 0) {
            QVERIFY(!chosen.LoadFile(file, &why) && chosen.Text() == u"old"_qs);
            QCOMPARE(why, u"mais de 2.000.000 caracteres, o máximo de uma nota"_qs);
            QVERIFY(writeBytes(file, "abc")); // nor into a note shown as a preview
            QVERIFY(!box.LoadFile(file, &why) && box.PreviewOf() != 0);
            return;
        }
        QVERIFY(chosen.LoadFile(file));
        QCOMPARE(Rtf::write(*chosen.document()), Rtf::write(*box.document()));
        chosen.undo();
        QCOMPARE(chosen.Text(), u"old"_qs);
    }

    // Qt crashes pasting clipboard data without any format, which an empty clipboard gives.
    void paste_emptyClipboardChangesNothing()
    {
        RichTextBox box;
        box.SetText(u"abc"_qs);
        box.SetSelStart(3);
        QGuiApplication::clipboard()->setMimeData(new QMimeData);
        box.paste();
        QGuiApplication::clipboard()->setText(u"d\ne"_qs);
        box.paste();
        QCOMPARE(box.Text(), u"abcd\r\ne"_qs);
    }

    // Typed inside a link's text, text is part of the link; at its edges, it is not. The link is
    // written back as the field it came from.
    void link_editedInsideOrBeside_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<int>("at");
        QTest::addColumn<QString>("link"); // its text once "X" is typed at at
        QTest::newRow("inside") << QByteArray("Veja ") << 7 << u"o Xexemplo"_qs;
        QTest::newRow("at its end") << QByteArray("Veja ") << 14 << u"o exemplo"_qs;
        QTest::newRow("at its start") << QByteArray("Veja ") << 5 << u"o exemplo"_qs;
        QTest::newRow("at its paragraph's start") << QByteArray() << 0 << u"o exemplo"_qs;
    }

    void link_editedInsideOrBeside()
    {
        QFETCH(QByteArray, before);
        QFETCH(int, at);
        QFETCH(QString, link);
        RichTextBox box;
        showLink(box, before);
        box.SetSelStart(at);
        QTest::keyClicks(&box, u"X"_qs);
        QTextCursor typed(box.document());
        typed.setPosition(at + 1);
        const bool inside = link.contains(u'X');
        QCOMPARE(typed.charFormat().fontUnderline(), inside);
        const QByteArray written = Rtf::write(*box.document());
        QCOMPARE(written.count(kLinkField), 1);
        QTextDocument back;
        Rtf::read(written, &back);
        QString shown;
        for (auto it = back.begin().begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().anchorHref() == u"https://exemplo.com.br")
                shown += it.fragment().text();
        QCOMPARE(shown, link);
    }

    // Ctrl+click opens a web or mail link; a plain click places the caret, and no other kind of
    // address opens.
    void link_ctrlClickOpens_data()
    {
        QTest::addColumn<QString>("href");
        QTest::addColumn<bool>("ctrl");
        QTest::addColumn<bool>("opens");
        const QString web = u"https://exemplo.com.br/a?b=1"_qs;
        QTest::newRow("web") << web << true << true;
        QTest::newRow("mail") << u"mailto:ana@exemplo.com.br"_qs << true << true;
        QTest::newRow("plain click") << web << false << false;
        QTest::newRow("a local file") << u"file:///etc/passwd"_qs << true << false;
    }

    void link_ctrlClickOpens()
    {
        QFETCH(QString, href);
        QFETCH(bool, ctrl);
        QFETCH(bool, opens);
        RichTextBox box;
        showLink(box, "Veja ", "{\\field{\\*\\fldinst HYPERLINK \"" + href.toLatin1() + "\"}");
        QTextCursor at(box.document());
        at.setPosition(9);
        QTest::mouseClick(box.viewport(), Qt::LeftButton,
                          ctrl ? Qt::ControlModifier : Qt::NoModifier, box.cursorRect(at).center());
        QCOMPARE(m_fakes->links->opened, opens ? QList{QUrl(href)} : QList<QUrl>{});
        if (!ctrl)
            QCOMPARE(box.SelStart(), 9);
    }
};

QTEST_MAIN(tst_frmNote)
#include "tst_frmnote.moc"
