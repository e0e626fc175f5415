#include "mock/Warnings.h"

#include "dialogs/NotePlacement.h"

#include <QTest>

// "Organizar Notas": columns at the right edge of the work area, in twips.
class tst_NotePlacement : public QObject
{
    Q_OBJECT

private slots:
    void init() { FailOnUnexpectedWarnings(); }

    // Each window "WxH" in twips placed after the one before; "left,top" of each.
    void nextPlace_data()
    {
        QTest::addColumn<QSize>("workArea");
        QTest::addColumn<QString>("sizes");
        QTest::addColumn<QString>("places");
        const QString six = u"3000x2000 "_qs.repeated(6).trimmed();
        QTest::newRow("six notes, the sixth opens a column")
            << QSize(1024, 738) << six
            << u"12360,1 12360,2002 12360,4003 12360,6004 12360,8005 9359,1"_qs;
        QTest::newRow("one note: top right corner")
            << QSize(1024, 738) << u"3000x2000"_qs << u"12360,1"_qs;
        // 1 + 5000 + 6069 is the bottom limit exactly: the window still goes below.
        QTest::newRow("fits exactly")
            << QSize(1024, 738) << u"3000x5000 3000x6069"_qs << u"12360,1 12360,5002"_qs;
        QTest::newRow("one twip too tall")
            << QSize(1024, 738) << u"3000x5000 3000x6070"_qs << u"12360,1 9359,1"_qs;
        // The column keeps the left edge of the window that opened it, whatever the width.
        QTest::newRow("a wide window opens the column")
            << QSize(1024, 738) << u"3000x6000 4000x6000 2000x4000 3000x6000"_qs
            << u"12360,1 8359,1 8359,6002 5358,1"_qs;
        // 3840 pixels are 57600 twips, beyond a 16-bit number.
        QTest::newRow("a screen wider than 2184 pixels")
            << QSize(3840, 2160) << u"3000x2000"_qs << u"54600,1"_qs;
        QTest::newRow("no room left: off the left edge")
            << QSize(300, 200) << u"3000x2000 3000x2000 3000x2000"_qs
            << u"1500,1 -1501,1 -4502,1"_qs;
    }

    void nextPlace()
    {
        QFETCH(QSize, workArea);
        QFETCH(QString, sizes);
        QFETCH(QString, places);
        const TwipLimits limits = LimitsOf(QRect(QPoint(0, 0), workArea));
        std::optional<TwipRect> previous;
        QStringList got;
        for (const QString &size : sizes.split(u' ')) {
            const QStringList wh = size.split(u'x');
            previous = NextPlace(previous, wh[0].toLongLong(), wh[1].toLongLong(), limits);
            got << QString::number(previous->left) + u',' + QString::number(previous->top);
        }
        QCOMPARE(got.join(u' '), places);
    }
};

QTEST_MAIN(tst_NotePlacement)
#include "tst_noteplacement.moc"
