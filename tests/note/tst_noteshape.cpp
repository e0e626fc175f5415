#include "mock/Warnings.h"

#include "note/NoteShape.h"

#include <QImage>
#include <QTest>

class tst_NoteShape : public QObject
{
    Q_OBJECT

private slots:
    void init() { FailOnUnexpectedWarnings(); }

    // Exactly the pixels not of the transparent colour are kept: ' ' is white, '.' a white
    // but for one bit, '#' the note's yellow. The last row is the window's own picture.
    void regionFromPicture_keepsOpaquePixels_data()
    {
        QTest::addColumn<QImage>("picture");
        const auto row = [](const char *name, const QStringList &rows) {
            QImage image(int(rows[0].size()), int(rows.size()), QImage::Format_RGB32);
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    image.setPixel(x, y,
                                   rows[y][x] == u' '   ? qRgb(255, 255, 255)
                                   : rows[y][x] == u'.' ? qRgb(255, 254, 255)
                                                        : qRgb(255, 255, 135));
            QTest::newRow(name) << image;
        };
        row("no white", {u"####"_qs, u"####"_qs});
        row("runs at the row ends", {u"##  "_qs, u" ###"_qs});
        row("a white row", {u"####"_qs, u"    "_qs, u"####"_qs});
        row("several runs in a row", {u" #  # "_qs, u"# # # "_qs});
        row("all white", {u"   "_qs, u"   "_qs});
        row("nearly white is kept", {u". ."_qs});
        row("rounded corners", {u"  ##  "_qs, u" #### "_qs, u"######"_qs, u" #### "_qs});
        QTest::newRow("the note window")
            << QImage(QStringLiteral(NOTAVEX_TEST_DATA "/../../assets/note/note_window.png"));
    }

    void regionFromPicture_keepsOpaquePixels()
    {
        QFETCH(QImage, picture);
        QVERIFY(!picture.isNull() && !picture.hasAlphaChannel());
        const QRegion region = RegionFromPicture(picture, qRgb(255, 255, 255)).value();
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                QVERIFY2(region.contains(QPoint(x, y)) !=
                             (picture.pixel(x, y) == qRgb(255, 255, 255)),
                         qPrintable(u"pixel %1,%2"_qs.arg(x).arg(y)));
        QVERIFY(QRect(QPoint(), picture.size()).contains(region.boundingRect()) ||
                region.isEmpty());
        QVERIFY(!RegionFromPicture(QImage(), qRgb(255, 255, 255)));
    }
};

QTEST_GUILESS_MAIN(tst_NoteShape)
#include "tst_noteshape.moc"
