#include "note/RichTextBox.h"
#include "platform/Cp1252.h"
#include "mock/TestFiles.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>

namespace {

// The value as text, "mixed" when the selection mixes values.
template <typename T> QString str(const std::optional<T> &v)
{
    if (!v)
        return u"mixed"_qs;
    if constexpr (std::is_same_v<T, bool>)
        return *v ? u"true"_qs : u"false"_qs;
    else if constexpr (std::is_same_v<T, QString>)
        return *v;
    else
        return QString::number(*v);
}

struct Property
{
    void (*set)(RichTextBox &);
    QString (*get)(const RichTextBox &);
};

const Property kProperties[] = {
    {[](RichTextBox &b) { b.SetSelBold(true); },
     [](const RichTextBox &b) { return str(b.SelBold()); }},
    {[](RichTextBox &b) { b.SetSelItalic(true); },
     [](const RichTextBox &b) { return str(b.SelItalic()); }},
    {[](RichTextBox &b) { b.SetSelUnderline(true); },
     [](const RichTextBox &b) { return str(b.SelUnderline()); }},
    {[](RichTextBox &b) { b.SetSelStrikeThru(true); },
     [](const RichTextBox &b) { return str(b.SelStrikeThru()); }},
    {[](RichTextBox &b) { b.SetSelColor(0x0000FF); },
     [](const RichTextBox &b) { return str(b.SelColor()); }},
    {[](RichTextBox &b) { b.SetSelFontSize(20); },
     [](const RichTextBox &b) { return str(b.SelFontSize()); }},
    {[](RichTextBox &b) { b.SetSelFontName(u"Courier New"_qs); },
     [](const RichTextBox &b) { return str(b.SelFontName()); }},
};

} // namespace

class TestRichTextBox : public QObject
{
    Q_OBJECT

private slots:
    void textUsesCrLf()
    {
        RichTextBox box;
        box.SetText(u"one\r\ntwo\nthree"_qs);
        QCOMPARE(box.Text(), u"one\r\ntwo\r\nthree"_qs);
        QCOMPARE(box.document()->blockCount(), 3);
    }

    void setSelTextReplacesOrInserts_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("insert");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");

        QTest::newRow("insert at caret") << 5 << 0 << u" big"_qs << u"Hello big world"_qs << 9;
        QTest::newRow("replace selection") << 6 << 5 << u"there"_qs << u"Hello there"_qs << 11;
        QTest::newRow("insert at start") << 0 << 0 << u">"_qs << u">Hello world"_qs << 1;
        QTest::newRow("insert lines")
            << 11 << 0 << u"\r\nnext\r\n"_qs << u"Hello world\r\nnext\r\n"_qs << 17;
        QTest::newRow("delete by empty text") << 0 << 6 << QString() << u"world"_qs << 0;
    }

    void setSelTextReplacesOrInserts()
    {
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(QString, insert);
        QFETCH(QString, text);
        QFETCH(int, caret);

        RichTextBox box;
        box.SetText(u"Hello world"_qs);
        box.SetSelStart(start);
        box.SetSelLength(length);
        QCOMPARE(box.SelLength(), length);
        box.SetSelText(insert);
        QCOMPARE(box.Text(), text);
        QCOMPARE(box.SelStart(), caret);
        QCOMPARE(box.SelLength(), 0);
    }

    void selStartAndLengthAreClamped()
    {
        RichTextBox box;
        box.SetText(u"abc"_qs);
        box.SetSelStart(99);
        QCOMPARE(box.SelStart(), 3);
        box.SetSelStart(1);
        box.SetSelLength(99);
        QCOMPARE(box.SelText(), u"bc"_qs);
        box.SetSelStart(-4);
        QCOMPARE(box.SelStart(), 0);
        QCOMPARE(box.SelLength(), 0);
    }

    void formatOfSelection_data()
    {
        QTest::addColumn<int>("property");
        QTest::addColumn<QString>("changed");
        QTest::addColumn<QString>("plain");

        QTest::newRow("bold") << 0 << u"true"_qs << u"false"_qs;
        QTest::newRow("italic") << 1 << u"true"_qs << u"false"_qs;
        QTest::newRow("underline") << 2 << u"true"_qs << u"false"_qs;
        QTest::newRow("strike") << 3 << u"true"_qs << u"false"_qs;
        QTest::newRow("colour") << 4 << u"255"_qs << u"0"_qs;
        QTest::newRow("size") << 5 << u"20"_qs << u"10"_qs;
        QTest::newRow("font name") << 6 << u"Courier New"_qs << u"Arial"_qs;
    }

    void formatOfSelection()
    {
        QFETCH(int, property);
        QFETCH(QString, changed);
        QFETCH(QString, plain);

        RichTextBox box;
        QFont base(u"Arial"_qs);
        base.setPointSizeF(10);
        box.document()->setDefaultFont(base);
        QPalette p = box.palette();
        p.setColor(QPalette::Text, Qt::black);
        box.setPalette(p);
        box.SetText(u"first second\r\nthird"_qs);

        box.SetSelStart(0);
        box.SetSelLength(5);
        const Property &prop = kProperties[property];
        prop.set(box);
        QCOMPARE(prop.get(box), changed);

        box.SetSelStart(6);
        box.SetSelLength(6);
        QCOMPARE(prop.get(box), plain);

        // Across the two and across a paragraph break.
        box.SetSelStart(3);
        box.SetSelLength(5);
        QCOMPARE(prop.get(box), u"mixed"_qs);
        box.SetSelStart(0);
        box.SetSelLength(18);
        QCOMPARE(prop.get(box), u"mixed"_qs);

        // The caret alone reports the format it types with.
        box.SetSelStart(2);
        QCOMPARE(prop.get(box), changed);
    }

    void formatWithoutSelectionAppliesToTyping()
    {
        RichTextBox box;
        box.SetText(u"plain"_qs);
        box.SetSelStart(5);
        box.SetSelBold(true);
        box.SetSelColor(0x00FF00);
        box.SetSelText(u"BOLD"_qs);

        box.SetSelStart(0);
        box.SetSelLength(5);
        QCOMPARE(box.SelBold(), std::optional<bool>(false));
        box.SetSelStart(5);
        box.SetSelLength(4);
        QCOMPARE(box.SelText(), u"BOLD"_qs);
        QCOMPARE(box.SelBold(), std::optional<bool>(true));
        QCOMPARE(box.SelColor(), std::optional<quint32>(0x00FF00));
    }

    void loadPlainFile_data()
    {
        const QString text = u"Ação às 10h\r\nCafé €5"_qs;
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("utf-8") << text.toUtf8() << text;
        QTest::newRow("code page 1252") << Cp1252::encode(text) << text;
        QTest::newRow("ascii, LF only") << QByteArray("a\nb\n") << u"a\r\nb\r\n"_qs;
        QTest::newRow("lone CR") << QByteArray("a\rb") << u"a\r\nb"_qs;
        QTest::newRow("empty") << QByteArray() << QString();
    }

    void loadPlainFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);

        QTemporaryDir dir;
        const QString path = dir.filePath(u"note.txt"_qs);
        QVERIFY(TestFiles::writeBytes(path, bytes));

        RichTextBox box;
        box.SetText(u"old content"_qs);
        QVERIFY(box.LoadFile(path));
        QCOMPARE(box.Text(), text);
        // A loaded file is not undone into the old content.
        QVERIFY(!box.document()->isUndoAvailable());
    }

    void loadMissingFileKeepsContent()
    {
        QTemporaryDir dir;
        RichTextBox box;
        box.SetText(u"keep me"_qs);
        QVERIFY(!box.LoadFile(dir.filePath(u"missing.rtf"_qs)));
        QCOMPARE(box.Text(), u"keep me"_qs);
    }

    void saveAndLoadRoundTrip()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"note.arl"_qs);

        RichTextBox box;
        box.SetText(u"Título\r\nsegunda linha €"_qs);
        box.SetSelStart(0);
        box.SetSelLength(6);
        box.SetSelItalic(true);
        box.SetSelColor(0x0000FF);
        QVERIFY(box.SaveFile(path));

        RichTextBox other;
        QVERIFY(other.LoadFile(path));
        QCOMPARE(other.Text(), box.Text());
        other.SetSelStart(0);
        other.SetSelLength(6);
        QCOMPARE(other.SelItalic(), std::optional<bool>(true));
        QCOMPARE(other.SelColor(), std::optional<quint32>(0x0000FF));
        other.SetSelStart(8);
        other.SetSelLength(7);
        QCOMPARE(other.SelItalic(), std::optional<bool>(false));
    }

    void saveToUnwritablePathFails()
    {
        QTemporaryDir dir;
        RichTextBox box;
        box.SetText(u"text"_qs);
        QVERIFY(!box.SaveFile(dir.filePath(u"no/such/folder/note.arl"_qs)));
    }

    void backColor()
    {
        RichTextBox box;
        box.SetBackColor(0x87FFFF);
        QCOMPARE(box.BackColor(), 0x87FFFFu);
        QCOMPARE(box.palette().color(QPalette::Base), QColor(255, 255, 135));
        box.SetBackColor(0xFF123456);
        QCOMPARE(box.BackColor(), 0x123456u);
        QCOMPARE(box.palette().color(QPalette::Base), QColor(0x56, 0x34, 0x12));
    }

    void pasteOfEmptyClipboardChangesNothing()
    {
        RichTextBox box;
        box.SetText(u"abc"_qs);
        box.SetSelStart(3);
        QGuiApplication::clipboard()->setMimeData(new QMimeData);
        box.paste();
        QCOMPARE(box.Text(), u"abc"_qs);

        QGuiApplication::clipboard()->setText(u"d\ne"_qs);
        box.paste();
        QCOMPARE(box.Text(), u"abcd\r\ne"_qs);
    }

    void mousePressRaisesButtonCode_data()
    {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<int>("code");
        QTest::newRow("left") << Qt::LeftButton << 1;
        QTest::newRow("right") << Qt::RightButton << 2;
        QTest::newRow("middle") << Qt::MiddleButton << 4;
    }

    void mousePressRaisesButtonCode()
    {
        QFETCH(Qt::MouseButton, button);
        QFETCH(int, code);

        RichTextBox box;
        box.resize(100, 100);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QSignalSpy spy(&box, &RichTextBox::MouseDown);
        QTest::mousePress(box.viewport(), button, {}, QPoint(10, 10));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), code);
        QCOMPARE(spy.at(0).at(1).toPoint(), box.viewport()->mapToGlobal(QPoint(10, 10)));
        QTest::mouseRelease(box.viewport(), button, {}, QPoint(10, 10));
    }
};

QTEST_MAIN(TestRichTextBox)
#include "tst_richtextbox.moc"
