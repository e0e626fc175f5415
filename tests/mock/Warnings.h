#pragma once

#include <QRegularExpression>
#include <QTest>

// Every test's init() calls this: from then on a Qt warning fails the test, except these notices,
// which are also kept out of the log so that a real warning stands out:
// - the offscreen platform cannot raise a window, shape it, grab the keyboard for a menu or pass
//   size hints on, and says so each time ("This plugin does not support ...");
// - a machine without a desktop session has no runtime folder ("XDG_RUNTIME_DIR not set").
inline void FailOnUnexpectedWarnings()
{
    static const QString allowed =
        u"This plugin does not support (raise\\(\\)|setting window masks|grabbing the keyboard"
        u"|propagateSizeHints\\(\\))|QStandardPaths: XDG_RUNTIME_DIR not set"_qs;
    static const QRegularExpression isAllowed(u"^("_qs + allowed + u')');
    static const QtMessageHandler next = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &context, const QString &message) {
            if (type != QtWarningMsg || !isAllowed.match(message).hasMatch())
                next(type, context, message);
        });
    QTest::failOnWarning(QRegularExpression(u"^(?!"_qs + allowed + u')'));
}
