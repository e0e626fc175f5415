#include "shell/SessionPlatform.h"

#include <QTest>

// Which platform the program asks Qt for, from the session's environment.
class tst_SessionPlatform : public QObject
{
    Q_OBJECT

private slots:
    void platformForSession_data()
    {
        QTest::addColumn<QStringList>("vars");
        QTest::addColumn<QByteArray>("platform");
        const QString x = u"DISPLAY=:0"_qs;
        QTest::newRow("x11") << QStringList{x, u"XDG_SESSION_TYPE=x11"_qs} << QByteArray();
        QTest::newRow("wayland display")
            << QStringList{x, u"WAYLAND_DISPLAY=wayland-0"_qs} << QByteArray("xcb");
        QTest::newRow("wayland session")
            << QStringList{x, u"XDG_SESSION_TYPE=wayland"_qs} << QByteArray("xcb");
        QTest::newRow("empty wayland display")
            << QStringList{x, u"WAYLAND_DISPLAY="_qs, u"QT_QPA_PLATFORM="_qs} << QByteArray();
        QTest::newRow("user's choice")
            << QStringList{x, u"WAYLAND_DISPLAY=wayland-0"_qs, u"QT_QPA_PLATFORM=wayland"_qs}
            << QByteArray();
        QTest::newRow("no xwayland")
            << QStringList{u"WAYLAND_DISPLAY=wayland-0"_qs} << QByteArray("xcb;wayland");
    }

    void platformForSession()
    {
        QFETCH(QStringList, vars);
        QFETCH(QByteArray, platform);
        QProcessEnvironment env;
        for (const QString &var : vars)
            env.insert(var.section(u'=', 0, 0), var.section(u'=', 1));
        QCOMPARE(PlatformForSession(env), platform);
    }
};

QTEST_GUILESS_MAIN(tst_SessionPlatform)
#include "tst_sessionplatform.moc"
