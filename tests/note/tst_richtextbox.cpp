#include "mock/Warnings.h"

#include "base/Cp1252.h"
#include "note/RichTextBox.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTest>

class tst_RichTextBox : public QObject
{
    Q_OBJECT

private slots:
    void init() { FailOnUnexpectedWarnings(); }

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
