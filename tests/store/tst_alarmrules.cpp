#include "mock/Warnings.h"

#include "store/AlarmRules.h"

#include <QTest>

using namespace AlarmRules;

class tst_AlarmRules : public QObject
{
    Q_OBJECT

private slots:
    void init() { FailOnUnexpectedWarnings(); }

    // One evaluation of the stored keys, HoraAntes made from Hora as the dialog makes it, and
    // whether a ring is the schedule's last. Saturday 5 December 2026, 10:00:30, unless a row
    // says otherwise.
    void evaluate_data()
    {
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("hora");
        QTest::addColumn<QString>("tocouEm");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<int>("due");
        QTest::addColumn<bool>("final");
        const auto row = [](const char *name, const char *data, const char *hora, Due due,
                            bool final = false, const char *rang = "",
                            QDateTime now = {QDate(2026, 12, 5), QTime(10, 0, 30)}) {
            QTest::newRow(name) << QString::fromUtf8(data) << QString::fromUtf8(hora)
                                << QString::fromUtf8(rang) << now << int(due) << final;
        };
        const Due No = Due::No, Near = Due::Near, Ring = Due::Ring;
        row("daily, time passed", "Diariamente", "08:00:00", Ring);
        row("daily, rung today", "Diariamente", "08:00:00", No, false, "05/12/2026");
        row("after midnight the day counts again", "Diariamente", "00:00:00", Ring, false,
            "05/12/2026", {QDate(2026, 12, 6), QTime(0, 0, 10)});
        row("later today", "Diariamente", "11:00:00", No);
        row("the minute before", "Diariamente", "10:01:00", Near);
        row("the minute itself", "Diariamente", "10:00:59", Ring);
        row("empty time rings at once", "Diariamente", "", Ring);
        row("empty schedule never", "", "", No);
        row("date, the last", "5/12/2026", "", Ring, true);
        row("leading zero never matches", "05/12/2026", "", No);
        row("every month of 2026, in November", "1/0/2026", "", Ring, false, "",
            {QDate(2026, 11, 1), QTime(10, 0)});
        row("every month of 2026, in December: the last", "1/0/2026", "", Ring, true, "",
            {QDate(2026, 12, 1), QTime(10, 0)});
        row("every year", "5/12/Todos", "", Ring);
        row("days of the month", "DiaMes:,1,5,31,", "", Ring);
        row(",15, is not the 5th", "DiaMes:,1,15,", "", No);
        row("Saturday is 7", "DiaSemana:,2,7,", "", Ring);
        row("Saturday not ticked", "DiaSemana:,2,4,6,", "", No);
    }

    void evaluate()
    {
        QFETCH(QString, data);
        QFETCH(QString, hora);
        QFETCH(QString, tocouEm);
        QFETCH(QDateTime, now);
        QFETCH(int, due);
        QFETCH(bool, final);
        QCOMPARE(int(Evaluate(data, tocouEm, hora, UmMinutoAntes(hora), now)), due);
        if (due == int(Due::Ring))
            QCOMPARE(IsFinal(data, now.date()), final);
    }

    // The hour borrows; midnight has no minute before it on the same day and stays as it is.
    void umMinutoAntes()
    {
        QCOMPARE(UmMinutoAntes(u"14:00:15"_qs) + UmMinutoAntes(u"00:00:00"_qs),
                 u"13:59:1500:00:00"_qs);
    }
};

QTEST_MAIN(tst_AlarmRules)
#include "tst_alarmrules.moc"
