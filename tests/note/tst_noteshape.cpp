#include "note/NoteShape.h"

#include <QImage>
#include <QTest>

namespace {

const QRgb White = qRgb(255, 255, 255);

// 'W' is white, anything else a coloured pixel.
QImage imageFrom(const QStringList &rows)
{
    QImage image(int(rows.first().size()), int(rows.size()), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, rows[y][x] == u'W' ? White : qRgb(255, 255, 135));
    return image;
}

QString assetPath(const char *name)
{
    return QStringLiteral(NOTAVEX_TEST_DATA "/../../assets/note/") + QLatin1String(name);
}

} // namespace

class TestNoteShape : public QObject
{
    Q_OBJECT

private slots:
    void keepsExactlyTheNonTransparentPixels_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("no white") << QStringList{u"YYYY"_qs, u"YYYY"_qs};
        QTest::newRow("run at row end") << QStringList{u"YYWW"_qs, u"YYYW"_qs};
        QTest::newRow("run at row start") << QStringList{u"WWYY"_qs, u"WYYY"_qs};
        QTest::newRow("full white row") << QStringList{u"YYYY"_qs, u"WWWW"_qs, u"YYYY"_qs};
        QTest::newRow("several runs in a row") << QStringList{u"WYWWYW"_qs, u"YWYWYW"_qs};
        QTest::newRow("single pixel") << QStringList{u"W"_qs};
        QTest::newRow("all white") << QStringList{u"WWW"_qs, u"WWW"_qs};
        QTest::newRow("rounded corners")
            << QStringList{u"WWYYWW"_qs, u"WYYYYW"_qs, u"YYYYYY"_qs, u"WYYYYW"_qs, u"WWYYWW"_qs};
    }

    void keepsExactlyTheNonTransparentPixels()
    {
        QFETCH(QStringList, rows);
        const QImage image = imageFrom(rows);
        const std::optional<QRegion> region = RegionFromPicture(image, White);
        QVERIFY(region.has_value());
        QVERIFY(QRect(0, 0, image.width(), image.height()).contains(region->boundingRect()) ||
                region->isEmpty());
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                QVERIFY2(region->contains(QPoint(x, y)) == (rows[y][x] != u'W'),
                         qPrintable(u"pixel %1,%2"_qs.arg(x).arg(y)));
    }

    void nullPictureGivesNoRegion() { QVERIFY(!RegionFromPicture(QImage(), White).has_value()); }

    void nearWhiteIsKept()
    {
        // Only the exact colour is cut: anti-aliased edges stay part of the window.
        QImage image(3, 1, QImage::Format_RGB32);
        image.setPixel(0, 0, qRgb(254, 255, 255));
        image.setPixel(1, 0, qRgb(255, 255, 255));
        image.setPixel(2, 0, qRgb(255, 254, 255));
        const QRegion region = *RegionFromPicture(image, White);
        QVERIFY(region.contains(QPoint(0, 0)));
        QVERIFY(!region.contains(QPoint(1, 0)));
        QVERIFY(region.contains(QPoint(2, 0)));
    }

    void otherTransparentColour()
    {
        QImage image = imageFrom({u"WYW"_qs});
        const QRegion region = *RegionFromPicture(image, qRgb(255, 255, 135));
        QVERIFY(region.contains(QPoint(0, 0)));
        QVERIFY(!region.contains(QPoint(1, 0)));
        QVERIFY(region.contains(QPoint(2, 0)));
    }

    void windowPicture()
    {
        const QImage picture(assetPath("note_window.png"));
        QVERIFY(!picture.isNull());
        QCOMPARE(picture.size(), QSize(182, 198));
        QVERIFY(!picture.hasAlphaChannel());

        const QRegion region = *RegionFromPicture(picture, White);
        int white = 0;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                const bool isWhite = (picture.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF;
                white += isWhite;
                QVERIFY2(region.contains(QPoint(x, y)) != isWhite,
                         qPrintable(u"pixel %1,%2"_qs.arg(x).arg(y)));
            }
        }
        QVERIFY(white > 0);

        // The margin is cut along the top, bottom and left edges, not the right one.
        QCOMPARE(region.boundingRect(), QRect(1, 1, 181, 196));
    }
};

QTEST_GUILESS_MAIN(TestNoteShape)
#include "tst_noteshape.moc"
