#include "mock/TestFiles.h"
#include "mock/Warnings.h"

#include "rtf/Rtf.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

using TestFiles::readBytes;
using TestFiles::writeBytes;

const QString kData = QStringLiteral(NOTAVEX_TEST_DATA "/rtf/");

QTextDocument *read(const QByteArray &rtf, QTextDocument *doc)
{
    if (Rtf::read(rtf, doc) != doc->characterCount())
        QTest::qFail("the count read differs from the document's", __FILE__, __LINE__);
    return doc;
}

// Paragraphs joined by "\n".
QString textOf(const QTextDocument &doc)
{
    QStringList paragraphs;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        paragraphs << b.text();
    return paragraphs.join(u'\n');
}

// Kept groups that no text separates are one invisible mark, however many they were read as:
// read again after a write, two such marks may be one. What is shown and written stays the same.
bool isMark(const QTextCharFormat &fmt)
{
    return fmt.isImageFormat() && fmt.toImageFormat().width() == 0;
}

// textOf without the marks, each paragraph ended by "\n".
QString shownTextOf(const QTextDocument &doc)
{
    QString text;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next(), text += u'\n')
        for (auto it = b.begin(); !it.atEnd(); ++it)
            text += isMark(it.fragment().charFormat()) ? QString() : it.fragment().text();
    return text;
}

// A character format as one comparable line: font|size|bold|italic|underline|strike|colour.
QString signature(const QTextCharFormat &fmt)
{
    if (fmt.isImageFormat())
        return u"image %1x%2"_qs.arg(fmt.toImageFormat().width()).arg(fmt.toImageFormat().height());
    const auto flag = [](bool on, char16_t c) { return on ? QString(QChar(c)) : u"-"_qs; };
    return u"%1|%2|%3|%4|%5|%6|%7"_qs.arg(fmt.fontFamilies().toStringList().value(0))
        .arg(fmt.fontPointSize())
        .arg(flag(fmt.fontWeight() > QFont::Medium, u'b'), flag(fmt.fontItalic(), u'i'),
             flag(fmt.fontUnderline(), u'u'), flag(fmt.fontStrikeOut(), u's'),
             fmt.hasProperty(QTextFormat::ForegroundBrush) ? fmt.foreground().color().name()
                                                           : u"auto"_qs);
}

// One line per paragraph: its alignment, then its text, each run preceded by its format where
// that differs from the previous run's.
QStringList describe(const QTextDocument &doc)
{
    QStringList out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const int align = b.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
        QString line = QString::number(align) + u':', previous;
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QString sig = signature(it.fragment().charFormat());
            line += (sig != previous ? u'[' + sig + u']' : QString()) + it.fragment().text();
            previous = sig;
        }
        out << line;
    }
    return out;
}

QList<QTextImageFormat> imagesOf(const QTextDocument &doc)
{
    QList<QTextImageFormat> out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                out << it.fragment().charFormat().toImageFormat();
    return out;
}

// Each link as "text → address".
QStringList linksOf(const QTextDocument &doc)
{
    QStringList out;
    QString href;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next(), href.clear()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat fmt = it.fragment().charFormat();
            if (fmt.isAnchor() && fmt.anchorHref() == href)
                out.last().insert(out.last().indexOf(u" → "_qs), it.fragment().text());
            else if (fmt.isAnchor())
                out << it.fragment().text() + u" → "_qs + fmt.anchorHref();
            href = fmt.isAnchor() ? fmt.anchorHref() : QString();
        }
    }
    return out;
}

QImage imageOf(const QTextDocument &doc, const QTextImageFormat &fmt)
{
    return doc.resource(QTextDocument::ImageResource, QUrl(fmt.name())).value<QImage>();
}

// The test picture: pixel (x, y) is (30x, 40y, 200).
QByteArray png(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 30, y * 40, 200));
    QByteArray out;
    QBuffer buffer(&out);
    image.save(&buffer, "PNG");
    return out;
}

// Written and read again a document is the same text, with the same formats where it set them
// all, and the same pictures; written again, the same file.
void checkRoundTrip(const QTextDocument &doc, bool formatsSet = true)
{
    const QByteArray written = Rtf::write(doc);
    QTextDocument back;
    read(written, &back);
    QCOMPARE(shownTextOf(back), shownTextOf(doc));
    // Read up to a limit: the beginning alone, and the whole count.
    const qint64 limit = back.characterCount() / 2;
    QTextDocument part;
    QCOMPARE(Rtf::read(written, &part, limit), qint64(back.characterCount()));
    QVERIFY(part.characterCount() <= std::max<qint64>(limit, 1));
    QVERIFY(textOf(back).startsWith(textOf(part)));
    if (formatsSet)
        QCOMPARE(describe(back), describe(doc));
    QCOMPARE(linksOf(back), linksOf(doc));
    QList<QTextImageFormat> images = imagesOf(doc), imagesBack = imagesOf(back);
    images.removeIf(isMark);
    imagesBack.removeIf(isMark);
    for (qsizetype i = 0; i < images.size(); ++i)
        QCOMPARE(imageOf(back, imagesBack.value(i)), imageOf(doc, images[i]));
    QCOMPARE(Rtf::write(back), written);
}

const QByteArray kHead = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 "
                         "Arial;}{\\f1\\froman\\fcharset0 Times New Roman;}}"
                         "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}";

// Characters a note may hold: plain ASCII, RTF's own specials, 1252 accents and symbols, text
// outside 1252 and outside the basic plane.
const QStringList kPieces =
    u"a|Z|0| |  "
    u"|\\|{|}|;|?|-|á|ç|Õ|ü|ÿ|€|“|”|—|\u00a0|Ж|ω|中|\u2028|\t|😀|𝄞|\uffff|\u7fff|\u8000|x1|"
    u"\\par|\\'e9"_qs.split(u'|');

const QStringList kFonts = u"Arial|Times New Roman|Courier New|Fonte Ção|Name; with semicolon|"
                           u"Braces {x} \\y|Шрифт|明朝 😀"_qs.split(u'|');

// A document of random paragraphs, alignments, runs, formats and characters.
void generate(QTextDocument &doc, quint32 seed)
{
    QRandomGenerator rng(seed);
    QTextCursor cursor(&doc);
    for (int p = 0, paragraphs = 1 + rng.bounded(12); p < paragraphs; ++p) {
        QTextBlockFormat bf;
        bf.setAlignment(QList{Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight,
                              Qt::AlignJustify}[rng.bounded(4)]);
        p == 0 ? cursor.setBlockFormat(bf) : cursor.insertBlock(bf);
        for (int r = 0, runs = rng.bounded(5) ? 1 + rng.bounded(8) : 0; r < runs; ++r) {
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
            for (int i = 0, n = 1 + rng.bounded(10); i < n; ++i)
                text += kPieces[rng.bounded(int(kPieces.size()))];
            cursor.insertText(text, fmt);
        }
    }
}

} // namespace

class tst_Rtf : public QObject
{
    Q_OBJECT

private slots:
    void init() { FailOnUnexpectedWarnings(); }

    void read_foreignText_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("described"); // empty: not compared; "[]": the default format
        const auto row = [](const char *name, const QByteArray &rtf, const QString &text,
                            QString described = {}) {
            QTest::newRow(name) << rtf << text
                                << described.replace(u"[]"_qs, u"[Arial|12|-|-|-|-|auto]"_qs);
        };
        row("escaped symbols", "{\\rtf1 \\\\ \\{x\\} \\~\\_}", "\\ {x} \u00a0\u2011");
        row("ansicpg1251", "{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8\\'e2}", "Прив");
        row("deff picks the text code page",
            "{\\rtf1\\deff1{\\fonttbl{\\f0\\fcharset0 A;}{\\f1\\fcharset204 B;}}\\'e4}", "д");
        row("uc is scoped to its group, its skip ends at a brace",
            "{\\rtf1\\uc1{\\uc2 \\u8364xx}\\u8364?{\\uc3 \\u8364{x}y}}", "€€€xy");
        row("headers and footnotes skipped", "{\\rtf1 a{\\header H}b{\\footnote {N}}c}", "abc");
        row("field result in an optional group",
            "{\\rtf1 Veja {\\field{\\*\\fldinst HYPERLINK \"x\"}{\\*\\fldrslt o exemplo}}.}",
            "Veja o exemplo.");
        row("no text comes back inside a skipped group",
            "{\\rtf1 a{\\*\\generator {\\*\\fldrslt x}}{\\*\\fldinst {\\*\\fldrslt y}}b}", "ab");
        row("fonttbl without groups",
            "{\\rtf1{\\fonttbl\\f0\\fnil Arial;\\f1\\fnil Courier;}\\f1 x}", "x");
        row("backslash line end is a paragraph", "{\\rtf1 a\\\nb}", "a\nb");
        row("table cells and rows", "{\\rtf1\\trowd\\cellx100\\cellx200 a\\cell b\\cell\\row c}",
            "a\tb\t\nc");
        row("literal control bytes dropped", "{\\rtf1 a\x01\x02z\tc}", "az\tc");
        // Code pages by font, fields, Unicode with fallbacks, alignments, what is skipped.
        row("features.rtf", readBytes(kData + u"features.rtf"_qs),
            u"Título\nNormal, itálico, sublinhado, riscado, verde.\nПривет あ € 😀 {chaves} \\ "
            u"barra\ttab\u2028linha\nlink —–•‘x’\nfim\n"_qs);
        // Hex and binary picture data, goal sizes, a picture with a fallback for older readers.
        row("picture.rtf", readBytes(kData + u"picture.rtf"_qs),
            u"Antes \ufffc depois \ufffc\n"_qs);
        row("group restores format", kHead + "{\\b\\i\\cf1\\f1\\fs19 a}x}", u"ax"_qs,
            u"1:[Times New Roman|9.5|b|i|-|-|#ff0000]a[]x"_qs);
        row("plain resets format", kHead + "\\b\\i\\ul\\strike\\cf1\\f1\\fs40\\plain x}", u"x"_qs,
            u"1:[]x"_qs);
        row("zero and negative fs ignored", kHead + "\\fs30\\fs0\\fs-4 x}", u"x"_qs,
            u"1:[Arial|15|-|-|-|-|auto]x"_qs);
        row("pard resets", kHead + "\\qc a\\par\\pard b}", u"a\nb"_qs, u"4:[]a\n1:[]b"_qs);
    }

    // Read, then round-tripped (the formats too where the file names its fonts).
    void read_foreignText()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, text);
        QFETCH(QString, described);
        QTextDocument doc;
        QCOMPARE(textOf(*read(rtf, &doc)), text);
        if (!described.isEmpty())
            QCOMPARE(describe(doc).join(u'\n'), described);
        for (const QTextImageFormat &image : imagesOf(doc)) // each one the 6x4 test picture
            QCOMPARE(imageOf(doc, image).pixel(5, 3), qRgb(150, 120, 200));
        checkRoundTrip(doc, rtf.contains("\\fonttbl"));
    }

    // A picture is one character of the text, shown at its size (0x0: its natural one). One that
    // cannot be shown is a box, its group written back byte for byte, also when copied. So are
    // objects without a result; unknown destinations and fields without a result are kept unseen.
    // A field or object with a result shows it as text, a link as a link, and keeps the bytes
    // around it.
    void read_shownOrKept_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QByteArrayList>("groups"); // none: the 6x4 test picture, shown
        QTest::addColumn<QString>("text");
        QTest::addColumn<QSizeF>("shown"); // invalid: no picture
        QTest::addColumn<QStringList>("links");
        const auto row = [](const char *name, const QByteArray &rtf, const QByteArrayList &groups,
                            const QString &text, QSizeF shown, const QStringList &links = {}) {
            QTest::newRow(name) << rtf << groups << text << shown << links;
        };
        const QByteArray hex = png(6, 4).toHex();
        row("hex with line breaks",
            "{\\rtf1 a{\\pict\\pngblip\\picw6\\pich4\r\n" + hex.left(9) + "\r\n" + hex.mid(9) +
                "}b}",
            {}, u"a\ufffcb"_qs, {0, 0});
        row("goal size", "{\\rtf1 {\\pict\\pngblip\\picwgoal180\\pichgoal150 " + hex + "}}", {},
            u"\ufffc"_qs, {12, 10});
        QByteArray group = "{\\pict\\emfblip\\picscalex50\\picscaley200\\bin8 " +
                           QByteArray("\x01\x00}{\x00\x00\xff\\", 8) + '}';
        row("emf in bin, braces in the data", "{\\rtf1 a" + group + "b}", {group}, u"a\ufffcb"_qs,
            {16, 64});
        group = "{\\pict\\pngblip\\picwgoal150\\pichgoal150 " + hex.left(40) + '}';
        row("truncated png", "{\\rtf1 a" + group + "b}", {group}, u"a\ufffcb"_qs, {10, 10});
        group = "{\\pict\\pngblip " + png(20001, 1).toHex() + '}';
        row("oversized png", "{\\rtf1 a" + group + "b}", {group}, u"a\ufffcb"_qs, {32, 32});
        group = "{\\pict\\dibitmap0\\picwgoal99999999\\pichgoal1 28000000}";
        row("dib in shppict, size bounded",
            "{\\rtf1 a{\\*\\shppict" + group + "}{\\nonshppict{\\pict\\wmetafile8 0304}}b}",
            {group}, u"a\ufffcb"_qs, {2000, 8});
        group = "{\\pict\\macpict 0102}";
        row("text after the group", "{\\rtf1 a" + group + "\\b b\\b0\\par c}", {group},
            u"a\ufffcb\nc"_qs, {32, 32});
        row("text before pict in its group", "{\\rtf1 a{x\\pict\\macpict 0102}b}", {group},
            u"ax\ufffcb"_qs, {32, 32});
        row("never closed", "{\\rtf1 a{\\pict\\macpict 0102", {group}, u"a\ufffc"_qs, {32, 32});
        group = "{\\pict\\wmetafile8\\ansicpg1251 0102}";
        row("no effect on the text around", "{\\rtf1 a" + group + "\\'e9}", {group},
            u"a\ufffc\u00e9"_qs, {32, 32});
        group = "{\\field{\\fldrslt\\ansicpg1251{\\colortbl;\\red9;}}}";
        row("field: no effect on the text around", "{\\rtf1 a" + group + "\\'e9}", {group},
            u"a\ufffc\u00e9"_qs, {0, 0});

        group = "{\\field{\\*\\fldinst{HYPERLINK \"https://exemplo.com.br/a?b=1\" }}";
        row("link", "{\\rtf1 Veja " + group + "{\\fldrslt{\\ul\\cf1 o exemplo}}}.}", {group},
            u"Veja o exemplo."_qs, {}, {u"o exemplo → https://exemplo.com.br/a?b=1"_qs});
        group = "\\field{\\*\\fldinst HYPERLINK \"http://x.org/p\" \\\\l \"sec\" \\\\o \"dica\"}";
        row("link with a location, after text in its group",
            "{\\rtf1 {a" + group + "\r\n{\\fldrslt b}}c}", {group}, u"abc"_qs, {},
            {u"b → http://x.org/p#sec"_qs});
        group = "{\\field{\\*\\fldinst DATE \\\\@ \"dd/MM/yyyy\"}";
        row("date field", "{\\rtf1 a" + group + "{\\fldrslt 05/12/2026}}b}", {group},
            u"a05/12/2026b"_qs, {});
        const QByteArray object =
            "{\\object\\objemb{\\*\\objclass Desenho.Figura}\\objw300\\objh150"
            "{\\*\\objdata 0102}";
        group = "{\\pict\\wmetafile8\\picwgoal300\\pichgoal150 0102}";
        row("object with a result", "{\\rtf1 a" + object + "{\\result " + group + "}}b}",
            {object, group}, u"a\ufffcb"_qs, {20, 10});
        group = "{\\object\\objemb\\objw600\\objh300{\\*\\objdata 0304}}";
        row("object without a result", "{\\rtf1 a" + group + "b}", {group}, u"a\ufffcb"_qs,
            {40, 20});
        group = "{\\*\\notavexnovo {x}\\'e9\\bin3 }{}}{\\field{\\*\\fldinst PAGE}}";
        row("unknown destination and field without a result", "{\\rtf1 a" + group + "b}", {group},
            u"a\ufffcb"_qs, {0, 0});
    }

    void read_shownOrKept()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QByteArrayList, groups);
        QFETCH(QString, text);
        QFETCH(QSizeF, shown);
        QFETCH(QStringList, links);
        QTextDocument doc;
        QCOMPARE(textOf(*read(rtf, &doc)), text);
        QCOMPARE(linksOf(doc), links);
        const QList<QTextImageFormat> images = imagesOf(doc);
        QCOMPARE(images.size(), shown.isValid() ? 1 : 0);
        if (shown.isValid())
            QCOMPARE(QSizeF(images[0].width(), images[0].height()), shown);
        const QImage image = shown.isValid() ? imageOf(doc, images[0]) : QImage();
        if (groups.isEmpty()) {
            QCOMPARE(image.size(), QSize(6, 4));
            QCOMPARE(image.pixel(5, 3), qRgb(150, 120, 200));
            return;
        }
        QVERIFY(image.width() <= 256 && image.height() <= 256);
        // Each group once, in their order.
        const QByteArray written = Rtf::write(doc);
        for (qsizetype i = 0, at = 0; i < groups.size(); at += groups[i++].size()) {
            QCOMPARE(written.count(groups[i]), 1);
            QVERIFY((at = written.indexOf(groups[i], at)) >= 0);
        }
        checkRoundTrip(doc, false);
        if (shown.isValid()) {
            QTextCursor(&doc).insertImage(images[0]);
            for (const QByteArray &group : groups)
                QCOMPARE(Rtf::write(doc).count(group), 2);
        }
    }

    // Another program reads what the writer wrote as the same text: what the note kept of links,
    // fields, objects and unknown destinations does not get in its way. Only where soffice is.
    void write_otherProgramReadsTheText()
    {
        const QString soffice = QStandardPaths::findExecutable(u"soffice"_qs);
        if (soffice.isEmpty())
            QSKIP("soffice is not installed");
        QTextDocument doc;
        read("{\\rtf1 Veja {\\field{\\*\\fldinst{HYPERLINK \"https://exemplo.com.br/a?b=1\" }}"
             "{\\fldrslt{\\ul\\cf1 o exemplo}}}, {\\field{\\*\\fldinst NOTAVEX}{\\fldrslt o "
             "resultado}}."
             "\\par Objetos: {\\object\\objemb{\\*\\objdata 0102}{\\result{\\pict\\pngblip " +
                 png(6, 4).toHex() +
                 "}}} e {\\object\\objemb\\objw600\\objh300{\\*\\objdata 0304}} fim."
                 "\\par Destino: {\\*\\notavexnovo {x}\\'e9}depois.}",
             &doc);
        const QTemporaryDir dir;
        QVERIFY(writeBytes(dir.filePath(u"nota.rtf"_qs), Rtf::write(doc)));
        QProcess office;
        office.start(soffice, {u"-env:UserInstallation=file://"_qs + dir.filePath(u"perfil"_qs),
                               u"--headless"_qs, u"--convert-to"_qs, u"txt:Text"_qs, u"--outdir"_qs,
                               dir.path(), dir.filePath(u"nota.rtf"_qs)});
        QVERIFY(office.waitForFinished(180000));
        const QString text = QString::fromUtf8(readBytes(dir.filePath(u"nota.txt"_qs)));
        QCOMPARE(text.trimmed().remove(QChar(0xFEFF)),
                 textOf(doc).remove(QChar::ObjectReplacementCharacter));
    }

    void read_brokenInputRecovered_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("recovered"); // must appear in the text
        const auto row = [](const char *name, const QByteArray &data, const QString &recovered) {
            QTest::newRow(name) << data << recovered;
        };
        row("closing braces too many or too early", "{\\rtf1 }{ab}c}}} d}", "abc d");
        row("100k nested groups",
            "{\\rtf1 " + QByteArray(100000, '{') + "deep" + QByteArray(100000, '}') + " after}",
            "deep after");
        row("bin with huge length", "{\\rtf1 ab\\bin99999999999 cd}", "ab");
        row("bin past the end in a picture never closed",
            "{\\rtf1 ab{\\pict\\pngblip\\bin2000000000 xx", "ab");
        row("huge parameters",
            "{\\rtf1\\fs99999999999999999999\\f-99999999999999\\uc99999999999 "
            "ab\\u99999999999 cd\\cf2147483647 ef}",
            "ab");
        row("very long control word", "{\\rtf1 ab\\" + QByteArray(100000, 'x') + " cd}", "abcd");
        row("nul and frame characters, lone surrogates",
            "{\\rtf1 a\\'00\\u0?\\u-560?\\u-559?b\\u-10179?c\\u-8704?d}", "ab");
        row("font table never closed", "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Times", "");
        row("colour table garbage", "{\\rtf1{\\colortbl\\red999\\green-4;;;\\blue;}\\cf3 ok}",
            "ok");
        QByteArray garbage(65536, '\0');
        QRandomGenerator(12345).fillRange(reinterpret_cast<quint32 *>(garbage.data()), 16384);
        row("binary garbage after header", "{\\rtf1 ok " + garbage, "ok");
        row("plain text in 1252", "ol\xe1 mundo", "olá mundo");
        // Inputs that once broke the reader.
        for (const QString &name : QDir(kData + u"regress"_qs).entryList(QDir::Files))
            row(qPrintable(name), readBytes(kData + u"regress/"_qs + name), "");
    }

    // Whatever is read can be saved and read again unchanged, quickly.
    void read_brokenInputRecovered()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, recovered);
        QTextDocument doc;
        QElapsedTimer timer;
        timer.start();
        const QString text = read(data, &doc)->toPlainText();
        QVERIFY2(timer.elapsed() < 5000, "reading took too long");
        QVERIFY2(text.contains(recovered), qPrintable(text.left(200)));
        QVERIFY(text.size() <= data.size());
        checkRoundTrip(doc, false);
    }

    void write_randomDocumentsRoundTrip_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 60; ++seed)
            QTest::addRow("seed %u", seed) << seed;
    }

    void write_randomDocumentsRoundTrip()
    {
        QFETCH(quint32, seed);
        QTextDocument doc;
        generate(doc, seed);
        checkRoundTrip(doc);
        // Only 7-bit bytes, every line ending in CR LF.
        const QByteArray rtf = Rtf::write(doc);
        QVERIFY(std::all_of(rtf.begin(), rtf.end(), [](char c) { return uchar(c) < 0x80; }));
        QCOMPARE(rtf.count('\n') + rtf.count('\r'), 2 * rtf.count("\r\n"));
    }

    // Every kind of character, and sizes rounded to half points, as a rich-edit control writes
    // them: specials escaped, 1252 as hex, the rest as \u with negative numbers above 32767.
    // Text typed with the widget's font sets no properties of its own: the file still says what
    // was shown.
    void write_asRichEditDoes()
    {
        const QList<std::pair<QString, double>> runs{{u"Hello, a\\b{c} você €."_qs, 9.75},
                                                     {u"Ж\uf0b7😀\t1\u2028c"_qs, 11.3},
                                                     {u"\nx"_qs, 0.1}};
        QTextDocument doc;
        QTextCursor cursor(&doc);
        for (const auto &[text, points] : runs) {
            QTextCharFormat fmt;
            fmt.setFontFamilies({u"Arial"_qs});
            fmt.setFontPointSize(points);
            cursor.insertText(text, fmt);
        }
        QCOMPARE(
            Rtf::write(doc),
            "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1046{\\fonttbl{\\f0\\fnil\\fcharset0 "
            "Arial;}}\r\n\\viewkind4\\uc1\\pard\\cf0\\f0\\fs20 Hello, a\\\\b\\{c\\} voc\\'ea "
            "\\'80.\\fs23\\u1046?\\u-3913?\\u-10179?\\u-8704?\\tab 1\\line c\\par\r\n\\fs1 x}\r\n");
        QTextDocument typed, back;
        typed.setDefaultFont(QFont(u"Comic Sans MS"_qs, 14, QFont::Bold, true));
        QTextCursor(&typed).insertText(u"abc"_qs);
        QCOMPARE(describe(*read(Rtf::write(typed), &back)),
                 QStringList(u"1:[Comic Sans MS|14|b|i|-|-|auto]abc"_qs));
    }
};

QTEST_MAIN(tst_Rtf)
#include "tst_rtf.moc"
