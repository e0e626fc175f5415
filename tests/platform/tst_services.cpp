#include "platform/DesktopServices.h"
#include "platform/Services.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// Runs check on the message box once it is up, then presses key in it.
void whenBoxShows(std::function<void(QMessageBox *)> check, Qt::Key key)
{
    QTimer::singleShot(0, [check = std::move(check), key] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            QFAIL("no message box came up");
            return;
        }
        check(box);
        QTest::keyClick(box, key);
    });
}

} // namespace

class tst_Services : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        InstallDesktopServices();
        m_translated = LoadQtTranslations();
    }

    void messageBox_data()
    {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("defaultAnswer");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("expectedTitle");
        QTest::addColumn<int>("expectedAnswer");
        QTest::addColumn<QStringList>("buttonTexts");

        QTest::newRow("no caption shows the application title")
            << int(MessageBoxes::Ok) << int(MessageBoxes::NoIcon) << int(MessageBoxes::AnswerOk)
            << QString() << int(Qt::Key_Return) << "Notavex" << int(MessageBoxes::AnswerOk)
            << QStringList{u"OK"_qs};
        QTest::newRow("Enter takes the default No")
            << int(MessageBoxes::YesNo) << int(MessageBoxes::Question)
            << int(MessageBoxes::AnswerNo) << "Notavex" << int(Qt::Key_Return) << "Notavex"
            << int(MessageBoxes::AnswerNo) << QStringList{u"Sim"_qs, u"Não"_qs};
        QTest::newRow("Enter takes the default Yes")
            << int(MessageBoxes::YesNo) << int(MessageBoxes::Warning)
            << int(MessageBoxes::AnswerYes) << "Alarme" << int(Qt::Key_Return) << "Alarme"
            << int(MessageBoxes::AnswerYes) << QStringList{u"Sim"_qs, u"Não"_qs};
        QTest::newRow("Escape answers No")
            << int(MessageBoxes::YesNo) << int(MessageBoxes::Question)
            << int(MessageBoxes::AnswerYes) << QString() << int(Qt::Key_Escape) << "Notavex"
            << int(MessageBoxes::AnswerNo) << QStringList{u"Sim"_qs, u"Não"_qs};
        QTest::newRow("Escape cancels a box with Cancel")
            << int(MessageBoxes::YesNoCancel) << int(MessageBoxes::Question)
            << int(MessageBoxes::AnswerYes) << QString() << int(Qt::Key_Escape) << "Notavex"
            << int(MessageBoxes::AnswerCancel)
            << QStringList{u"Sim"_qs, u"Não"_qs, u"Cancelar"_qs};
    }

    void messageBox()
    {
        QFETCH(int, buttons);
        QFETCH(int, icon);
        QFETCH(int, defaultAnswer);
        QFETCH(QString, caption);
        QFETCH(int, key);
        QFETCH(QString, expectedTitle);
        QFETCH(int, expectedAnswer);
        QFETCH(QStringList, buttonTexts);

        const QString text = u"Deseja Excluir o Lembrete Atual?"_qs;
        bool checked = false;
        whenBoxShows(
            [&](QMessageBox *box) {
                checked = true;
                QCOMPARE(box->windowTitle(), expectedTitle);
                QCOMPARE(box->text(), text);
                QCOMPARE(box->buttons().size(), buttonTexts.size());
                QCOMPARE(box->icon() == QMessageBox::NoIcon, icon == MessageBoxes::NoIcon);
                // A box is answered, not resized.
                QCOMPARE(box->minimumSize(), box->maximumSize());
                QVERIFY(!box->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
                if (!m_translated)
                    return;
                QStringList texts;
                for (const auto standard : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel,
                                            QMessageBox::Ok})
                    if (QAbstractButton *b = box->button(standard))
                        texts << b->text().remove(u'&');
                QCOMPARE(texts, buttonTexts);
            },
            Qt::Key(key));
        const auto answer = Services::messageBoxes().show(
            text, MessageBoxes::Buttons(buttons), MessageBoxes::Icon(icon),
            MessageBoxes::Answer(defaultAnswer), caption);
        QVERIFY(checked);
        QCOMPARE(int(answer), expectedAnswer);
    }

    void random_isSeedableAndInRange()
    {
        RandomSource &r = Services::random();
        r.seed(7);
        QList<double> first;
        for (int i = 0; i < 1000; ++i) {
            const double f = r.fraction();
            QVERIFY(f >= 0.0 && f < 1.0);
            first.append(f);
        }
        r.seed(7);
        for (int i = 0; i < 1000; ++i)
            QCOMPARE(r.fraction(), first.at(i));
        // Not a constant: the values spread over the interval.
        const auto [lo, hi] = std::minmax_element(first.cbegin(), first.cend());
        QVERIFY(*lo < 0.05 && *hi > 0.95);
    }

    void fakesReplaceAndRestore()
    {
        class FixedClock : public Clock
        {
        public:
            QDateTime now() const override { return QDateTime(QDate(2001, 2, 3), QTime(4, 5)); }
        };
        Services::setClock(std::make_unique<FixedClock>());
        QCOMPARE(Services::clock().now(), QDateTime(QDate(2001, 2, 3), QTime(4, 5)));
        Services::setClock(nullptr);
        QVERIFY(qAbs(Services::clock().now().secsTo(QDateTime::currentDateTime())) < 5);
    }

private:
    bool m_translated = false;
};

QTEST_MAIN(tst_Services)
#include "tst_services.moc"
