#include "note/Rtf.h"
#include "note/RtfFormat.h"

#include <QBuffer>
#include <QImage>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

QString signature(const QTextCharFormat &fmt)
{
    if (fmt.isImageFormat())
        return u"image %1x%2"_qs.arg(fmt.toImageFormat().width()).arg(fmt.toImageFormat().height());
    return formatSignature(fmt);
}

// One line per paragraph: alignment, then each character with the format it has when it differs
// from the previous character's.
QStringList describe(const QTextDocument &doc)
{
    QStringList out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        QString line = QString::number(int(b.blockFormat().alignment() &
                                           (Qt::AlignLeft | Qt::AlignRight | Qt::AlignHCenter |
                                            Qt::AlignJustify))) +
                       u':';
        QString previous;
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QString sig = signature(f.charFormat());
            for (QChar c : f.text()) {
                if (sig != previous)
                    line += u'[' + sig + u']';
                previous = sig;
                line += c;
            }
        }
        out << line;
    }
    return out;
}

QImage testImage(const QSize &size)
{
    QImage image(size, QImage::Format_ARGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgba(x * 20, y * 30, 90, 255 - x));
    return image;
}

// Characters a note may hold: plain ASCII, RTF's own specials, 1252 accents and symbols, text
// outside 1252 and outside the basic plane.
const QStringList kPieces =
    u"a|Z|0| |  "
    u"|\\|{|}|;|?|-|á|ç|Õ|ü|ÿ|€|“|”|—|\u00a0|Ж|ω|中|\u2028|\t|😀|𝄞|\uffff|\u7fff|\u8000|x1|"
    u"\\par|\\'e9"_qs.split(u'|');

const QStringList kFonts = u"Arial|Times New Roman|Courier New|Fonte Ção|Name; with semicolon|"
                           u"Braces {x} \\y|Шрифт|明朝 😀"_qs.split(u'|');

void generate(QTextDocument &doc, quint32 seed)
{
    QRandomGenerator rng(seed);
    QTextCursor cursor(&doc);
    const int paragraphs = 1 + rng.bounded(12);
    for (int p = 0; p < paragraphs; ++p) {
        QTextBlockFormat bf;
        const Qt::Alignment aligns[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight,
                                        Qt::AlignJustify};
        bf.setAlignment(aligns[rng.bounded(4)]);
        if (p == 0)
            cursor.setBlockFormat(bf);
        else
            cursor.insertBlock(bf);
        const int runs = rng.bounded(5) == 0 ? 0 : 1 + rng.bounded(8);
        for (int r = 0; r < runs; ++r) {
            QTextCharFormat fmt;
            fmt.setFontFamilies({kFonts[rng.bounded(int(kFonts.size()))]});
            fmt.setFontPointSize((2 + rng.bounded(160)) / 2.0);
            fmt.setFontWeight(rng.bounded(2) ? QFont::Bold : QFont::Normal);
            fmt.setFontItalic(rng.bounded(2));
            fmt.setFontUnderline(rng.bounded(2));
            fmt.setFontStrikeOut(rng.bounded(2));
            if (rng.bounded(3))
                fmt.setForeground(QColor(rng.bounded(256), rng.bounded(256), rng.bounded(256)));
            QString text;
            const int n = 1 + rng.bounded(10);
            for (int i = 0; i < n; ++i)
                text += kPieces[rng.bounded(int(kPieces.size()))];
            cursor.insertText(text, fmt);
        }
    }
}

} // namespace

class TestRtfWriter : public QObject
{
    Q_OBJECT

private slots:
    void randomDocuments_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 60; ++seed)
            QTest::addRow("seed %u", seed) << seed;
    }

    void randomDocuments()
    {
        QFETCH(quint32, seed);
        QTextDocument doc;
        generate(doc, seed);
        const QByteArray rtf = Rtf::write(doc);
        QTextDocument back;
        Rtf::read(rtf, &back);
        QCOMPARE(back.toPlainText(), doc.toPlainText());
        QCOMPARE(describe(back), describe(doc));
    }

    void pictureSurvives_data()
    {
        QTest::addColumn<QSize>("pixels");
        QTest::addColumn<QSizeF>("shown"); // empty: natural size
        QTest::newRow("natural size") << QSize(9, 7) << QSizeF();
        QTest::newRow("scaled") << QSize(9, 7) << QSizeF(18, 21);
        QTest::newRow("one pixel") << QSize(1, 1) << QSizeF();
    }

    void pictureSurvives()
    {
        QFETCH(QSize, pixels);
        QFETCH(QSizeF, shown);
        const QImage image = testImage(pixels);
        QTextDocument doc;
        doc.addResource(QTextDocument::ImageResource, QUrl(u"mem:pic"_qs), image);
        QTextCursor cursor(&doc);
        cursor.insertText(u"antes "_qs);
        QTextImageFormat fmt;
        fmt.setName(u"mem:pic"_qs);
        if (!shown.isEmpty()) {
            fmt.setWidth(shown.width());
            fmt.setHeight(shown.height());
        }
        cursor.insertImage(fmt);
        cursor.insertText(u" depois"_qs);

        QTextDocument back;
        Rtf::read(Rtf::write(doc), &back);
        QCOMPARE(back.toPlainText(), doc.toPlainText());
        QTextImageFormat got;
        for (auto it = back.begin().begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                got = it.fragment().charFormat().toImageFormat();
        QVERIFY(got.isValid());
        const QImage read =
            back.resource(QTextDocument::ImageResource, QUrl(got.name())).value<QImage>();
        QCOMPARE(read.convertToFormat(QImage::Format_ARGB32), image);
        if (shown.isEmpty()) {
            QVERIFY(!got.hasProperty(QTextFormat::ImageWidth));
        } else {
            QCOMPARE(got.width(), shown.width());
            QCOMPARE(got.height(), shown.height());
        }
    }

    void jpegBytesKept()
    {
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(
            testImage(QSize(16, 8)).convertToFormat(QImage::Format_RGB32).save(&buffer, "JPEG"));
        const QByteArray rtf = "{\\rtf1 {\\pict\\jpegblip " + jpeg.toHex() + "}}";
        QTextDocument doc;
        Rtf::read(rtf, &doc);
        const QByteArray written = Rtf::write(doc);
        QVERIFY(written.contains("\\jpegblip"));
        QByteArray hex = written.mid(written.indexOf("\\jpegblip"));
        hex = hex.mid(hex.indexOf("\r\n"));
        hex = hex.left(hex.indexOf('}'));
        QCOMPARE(QByteArray::fromHex(hex), jpeg);
    }

    void output_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("expected"); // part of the body

        QTest::newRow("ascii as itself") << u"Hello, world!"_qs << QByteArray(" Hello, world!");
        QTest::newRow("specials escaped") << u"a\\b{c}"_qs << QByteArray("a\\\\b\\{c\\}");
        QTest::newRow("1252 as hex") << u"você €"_qs << QByteArray("voc\\'ea \\'80");
        QTest::newRow("outside 1252 as u") << u"Жx"_qs << QByteArray("\\u1046?x");
        QTest::newRow("high BMP is negative") << u"\uf0b7"_qs << QByteArray("\\u-3913?");
        QTest::newRow("surrogate pair") << u"😀"_qs << QByteArray("\\u-10179?\\u-8704?");
        QTest::newRow("tab and line") << u"a\tb\u2028c"_qs << QByteArray("a\\tab b\\line c");
        QTest::newRow("paragraphs") << u"one\ntwo"_qs << QByteArray("one\\par\r\ntwo");
        QTest::newRow("control word before digit") << u"\t1"_qs << QByteArray("\\tab 1");
    }

    void output()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, expected);
        QTextDocument doc;
        QTextCursor cursor(&doc);
        QTextCharFormat fmt;
        fmt.setFontFamilies({u"Arial"_qs});
        fmt.setFontPointSize(10);
        cursor.insertText(text, fmt);
        const QByteArray rtf = Rtf::write(doc);
        QVERIFY2(rtf.contains(expected), rtf.constData());
        QTextDocument back;
        Rtf::read(rtf, &back);
        QCOMPARE(back.toRawText(), doc.toRawText());
    }

    void layout()
    {
        QTextDocument doc;
        generate(doc, 4242);
        const QByteArray rtf = Rtf::write(doc);
        QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1046{\\fonttbl{\\f0\\fnil"
                               "\\fcharset0 "));
        QVERIFY(rtf.contains("\r\n{\\colortbl ;\\red"));
        QVERIFY(rtf.contains("\\viewkind4\\uc1\\pard"));
        QVERIFY(rtf.endsWith("}\r\n"));
        for (qsizetype i = 0; i < rtf.size(); ++i) {
            const auto c = static_cast<unsigned char>(rtf[i]);
            QVERIFY2(c < 0x80, "only 7-bit bytes");
            if (c == '\n')
                QVERIFY2(i > 0 && rtf[i - 1] == '\r', "every line ends with CR LF");
            if (c == '\r')
                QVERIFY(i + 1 < rtf.size() && rtf[i + 1] == '\n');
        }
        // Lines break after \par, never inside a control word.
        const QList<QByteArray> lines = rtf.split('\n');
        for (qsizetype i = 2; i + 1 < lines.size(); ++i) {
            if (lines[i].startsWith("\\viewkind4"))
                continue;
            QVERIFY2(lines[i - 1].endsWith("\\par\r") || lines[i - 1].endsWith("}\r") ||
                         QRegularExpression(u"^[0-9a-f]+\\r$"_qs)
                             .match(QString::fromLatin1(lines[i - 1]))
                             .hasMatch() ||
                         lines[i - 1].contains("\\pict"),
                     lines[i - 1].constData());
        }
    }

    void halfPointRounding_data()
    {
        QTest::addColumn<double>("points");
        QTest::addColumn<QByteArray>("word");
        QTest::addColumn<double>("readBack");
        QTest::newRow("9.75 to 10") << 9.75 << QByteArray("\\fs20 ") << 10.0;
        QTest::newRow("10.5 kept") << 10.5 << QByteArray("\\fs21 ") << 10.5;
        QTest::newRow("11.3 to 11.5") << 11.3 << QByteArray("\\fs23 ") << 11.5;
        QTest::newRow("tiny to half a point") << 0.1 << QByteArray("\\fs1 ") << 0.5;
    }

    void halfPointRounding()
    {
        QFETCH(double, points);
        QFETCH(QByteArray, word);
        QFETCH(double, readBack);
        QTextDocument doc;
        QTextCharFormat fmt;
        fmt.setFontPointSize(points);
        QTextCursor(&doc).insertText(u"x"_qs, fmt);
        const QByteArray rtf = Rtf::write(doc);
        QVERIFY2(rtf.contains(word), rtf.constData());
        QTextDocument back;
        Rtf::read(rtf, &back);
        QCOMPARE(back.begin().begin().fragment().charFormat().fontPointSize(), readBack);
    }

    // Text typed with the widget's font sets no properties of its own: the file must still say what
    // was shown.
    void defaultFontFillsUnsetProperties()
    {
        QTextDocument doc;
        QFont font(u"Comic Sans MS"_qs);
        font.setPointSizeF(14);
        font.setBold(true);
        font.setItalic(true);
        doc.setDefaultFont(font);
        QTextCursor(&doc).insertText(u"abc"_qs);
        QTextDocument back;
        Rtf::read(Rtf::write(doc), &back);
        QCOMPARE(signature(back.begin().begin().fragment().charFormat()),
                 u"Comic Sans MS|14|b|i|-|-|auto"_qs);
    }
};

QTEST_MAIN(TestRtfWriter)
#include "tst_rtfwriter.moc"
