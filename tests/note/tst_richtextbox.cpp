#include "mock/Warnings.h"

#include "note/RichTextBox.h"
#include "platform/Cp1252.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTest>

namespace {

// bold italic underline strikethrough colour size font, "mixed" where the selection mixes values
QString formatOf(const RichTextBox &b)
{
    const auto str = [](const auto &v) { return v ? QVariant(*v).toString() : u"mixed"_qs; };
    return QStringList{str(b.SelBold()),       str(b.SelItalic()), str(b.SelUnderline()),
                       str(b.SelStrikeThru()), str(b.SelColor()),  str(b.SelFontSize()),
                       str(b.SelFontName())}
        .join(u' ');
}

void select(RichTextBox &box, int start, int length)
{
    box.SetSelStart(start);
    box.SetSelLength(length);
}

} // namespace

class tst_RichTextBox : public QObject
{
    Q_OBJECT

private slots:
    void init() { FailOnUnexpectedWarnings(); }

    void setSelText_replacesOrInserts_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("insert");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::newRow("inserts at the caret") << 5 << 0 << u" big"_qs << u"Hello big world"_qs << 9;
        QTest::newRow("replaces the selection") << 6 << 5 << u"you"_qs << u"Hello you"_qs << 9;
        QTest::newRow("lines end in CR LF")
            << 11 << 0 << u"\nnext\r"_qs << u"Hello world\r\nnext\r\n"_qs << 17;
        QTest::newRow("a start beyond the end is the end")
            << 99 << 0 << u"!"_qs << u"Hello world!"_qs << 12;
        QTest::newRow("a length beyond the end is the rest")
            << 6 << 99 << QString() << u"Hello "_qs << 6;
    }

    void setSelText_replacesOrInserts()
    {
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(QString, insert);
        QFETCH(QString, text);
        QFETCH(int, caret);
        RichTextBox box;
        box.SetText(u"Hello world"_qs);
        select(box, start, length);
        box.SetSelText(insert);
        QCOMPARE(box.Text(), text);
        QCOMPARE(box.SelStart(), caret);
        QCOMPARE(box.SelLength(), 0);
    }

    // A selection that mixes values has none; the caret has those of the text before it. (The
    // main window's test types with a format set at the caret.)
    void selFormat_mixedOrCommon()
    {
        RichTextBox box;
        box.SetText(u"first second"_qs);
        select(box, 0, 5);
        box.SetSelBold(true);
        box.SetSelItalic(true);
        box.SetSelUnderline(true);
        box.SetSelStrikeThru(true);
        box.SetSelColor(255);
        box.SetSelFontSize(20);
        box.SetSelFontName(u"Courier"_qs);
        const QString set = u"true true true true 255 20 Courier"_qs;
        QCOMPARE(formatOf(box), set);
        select(box, 3, 5);
        QCOMPARE(formatOf(box), u"mixed mixed mixed mixed mixed mixed mixed"_qs);
        box.SetSelStart(2);
        QCOMPARE(formatOf(box), set);
    }

    // A content file that is not RTF is plain text, in UTF-8 or else in code page 1252.
    void loadData_decodesTheText_data()
    {
        const QString text = u"Ação às 10h\r\nCafé €5"_qs;
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("UTF-8") << text.toUtf8() << text;
        QTest::newRow("code page 1252") << Cp1252::encode(text) << text;
        QTest::newRow("LF only") << QByteArray("a\nb\n") << u"a\r\nb\r\n"_qs;
        QTest::newRow("a lone CR") << QByteArray("a\rb") << u"a\r\nb"_qs;
        QTest::newRow("nothing") << QByteArray() << QString();
        QTest::newRow("RTF") << QByteArray("{\\rtf1\\ansi caf\\'e9\\par x}") << u"café\r\nx"_qs;
    }

    void loadData_decodesTheText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        RichTextBox box;
        box.SetText(u"old"_qs);
        box.LoadData(bytes);
        QCOMPARE(box.Text(), text);
        // What was loaded is not undone into the old content.
        QVERIFY(!box.document()->isUndoAvailable());
    }

    void backColor_isAWindowsColour()
    {
        RichTextBox box;
        box.SetBackColor(0xFF123456);
        QCOMPARE(box.BackColor(), 0x123456u);
        QCOMPARE(box.palette().color(QPalette::Base), QColor(0x56, 0x34, 0x12));
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
};

QTEST_MAIN(tst_RichTextBox)
#include "tst_richtextbox.moc"
