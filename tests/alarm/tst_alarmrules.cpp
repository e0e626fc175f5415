#include "mock/Warnings.h"

#include "alarm/AlarmRules.h"

#include <QTest>

using namespace AlarmRules;

class tst_AlarmRules : public QObject
{
    Q_OBJECT

private slots:
    void init() { FailOnUnexpectedWarnings(); }

    // Saturday 5 December 2026 unless a row says otherwise.
    void evaluate_data()
    {
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("tocouEm");
        QTest::addColumn<QString>("hora");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<int>("due"); // Due
        const QDateTime at10(QDate(2026, 12, 5), QTime(10, 0, 30));
        const auto row = [&](const char *name, const char *data, const char *hora, int due,
                             const char *rang = "", QDateTime now = {}) {
            QTest::newRow(name) << QString::fromUtf8(data) << QString::fromUtf8(rang)
                                << QString::fromUtf8(hora) << (now.isValid() ? now : at10) << due;
        };
        const int No = int(Due::No), Near = int(Due::Near), Ring = int(Due::Ring);
        row("daily, time passed", "Diariamente", "08:00:00", Ring);
        row("daily, rung today", "Diariamente", "08:00:00", No, "05/12/2026");
        row("daily, rung yesterday", "Diariamente", "08:00:00", Ring, "04/12/2026");
        row("daily, later today", "Diariamente", "11:00:00", No);
        row("the minute before", "Diariamente", "10:01:00", Near);
        row("the minute itself", "Diariamente", "10:00:59", Ring);
        row("empty time rings at once", "Diariamente", "", Ring);
        row("empty schedule never", "", "", No);
        row("date", "5/12/2026", "", Ring);
        row("leading zero never matches", "05/12/2026", "", No);
        row("every month", "5/0/2026", "", Ring);
        row("every year", "5/12/Todos", "", Ring);
        row("another year", "5/12/2027", "", No);
        row("days of the month", "DiaMes:,1,5,31,", "", Ring);
        row(",15, is not the 5th", "DiaMes:,1,15,", "", No);
        row("Saturday is 7", "DiaSemana:,2,7,", "", Ring);
        row("no weekday never", "DiaSemana:,", "", No);
        row("kind 3 stored with Diariamente rings daily", "Diariamente", "", Ring);
        row("after midnight the day counts again", "Diariamente", "00:00:00", Ring, "05/12/2026",
            QDateTime(QDate(2026, 12, 6), QTime(0, 0, 10)));
    }

    void evaluate()
    {
        QFETCH(QString, data);
        QFETCH(QString, tocouEm);
        QFETCH(QString, hora);
        QFETCH(QDateTime, now);
        QFETCH(int, due);
        QCOMPARE(int(Evaluate(data, tocouEm, hora, UmMinutoAntes(hora), now)), due);
    }

    void words()
    {
        QCOMPARE(UmMinutoAntes(u"14:30:00"_qs), u"14:29:00"_qs);
        QCOMPARE(UmMinutoAntes(u"14:00:15"_qs), u"13:59:15"_qs);
        QCOMPARE(UmMinutoAntes(u"10:00:00"_qs), u"09:59:00"_qs);
        QCOMPARE(UmMinutoAntes(u"00:00:00"_qs), u"00:00:00"_qs);
        QCOMPARE(FormataDias(u"1, 15 ,,31"_qs), u"1,15e31"_qs);
        QCOMPARE(FormataDias(u",7,"_qs), u"7"_qs);
        QCOMPARE(FormataDias(u"abc"_qs), u"(Não definido)"_qs);
        QCOMPARE(DescreveData(u"05"_qs, u"Dezembro"_qs, u"2026"_qs), u"05 de Dezembro de 2026"_qs);
        QCOMPARE(DescreveData(u"01"_qs, u"Todos"_qs, u"2027"_qs),
                 u"01 de cada mês (somente em 2027)"_qs);
        QCOMPARE(WeekdaySummary({false, true, false, true, false, true, false}),
                 u"Alarme: Seg, Qua e Sex"_qs);
        QCOMPARE(WeekdaySummary({true}), u"Alarme: Dom"_qs);
        QCOMPARE(WeekdaySummary({}), u"Alarme: Ainda não definido"_qs);
        QCOMPARE(MonthNames().at(2), u"Fereveiro"_qs);
        QCOMPARE(FollowUpText(u"1/0/2026"_qs).split(QChar(13)).mid(2, 5),
                 (QStringList{u"Programação do alarme para esta nota é: "_qs, u"Dia: 1"_qs,
                              u"Mês: (Todos os meses do ano)"_qs, u"Ano: 2026"_qs, QString()}));
    }

    void finalityAndRepetition()
    {
        QVERIFY(IsFinal(u"5/12/2026"_qs, QDate(2026, 12, 5)));
        QVERIFY(!IsFinal(u"1/0/2026"_qs, QDate(2026, 11, 1)));
        QVERIFY(IsFinal(u"1/0/2026"_qs, QDate(2026, 12, 1)));
        QVERIFY(!IsFinal(u"5/12/Todos"_qs, QDate(2026, 12, 5)));
        QVERIFY(!IsFinal(u"Diariamente"_qs, QDate(2026, 12, 5)));
        // 51 repetitions after the first sound, the last one about 29 minutes after the ring.
        int elapsed = 5000, count = 0;
        for (int interval = 5000; (interval = RepetitionInterval(++count)) != 0;)
            elapsed += interval;
        QCOMPARE(count, 51);
        QCOMPARE(elapsed / 1000, 1765);
    }
};

QTEST_MAIN(tst_AlarmRules)
#include "tst_alarmrules.moc"
