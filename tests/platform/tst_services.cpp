#include "mock/Warnings.h"

#include "platform/DesktopServices.h"
#include "platform/Services.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

class tst_Services : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InstallDesktopServices(); }
    void init() { FailOnUnexpectedWarnings(); }

    void messageBox_answers_data()
    {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("defaultAnswer");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("answer");
        using M = MessageBoxes;
        QTest::newRow("Enter takes the default No")
            << int(M::YesNo) << int(M::AnswerNo) << "Notavex" << int(Qt::Key_Return) << "Notavex"
            << int(M::AnswerNo);
        QTest::newRow("no caption: the program's name")
            << int(M::YesNo) << int(M::AnswerYes) << QString() << int(Qt::Key_Return) << "Notavex"
            << int(M::AnswerYes);
        QTest::newRow("Escape cancels a question that can be cancelled")
            << int(M::YesNoCancel) << int(M::AnswerYes) << QString() << int(Qt::Key_Escape)
            << "Notavex" << int(M::AnswerCancel);
        QTest::newRow("Escape answers No") << int(M::YesNo) << int(M::AnswerYes) << QString()
                                           << int(Qt::Key_Escape) << "Notavex" << int(M::AnswerNo);
    }

    void messageBox_answers()
    {
        QFETCH(int, buttons);
        QFETCH(int, defaultAnswer);
        QFETCH(QString, caption);
        QFETCH(int, key);
        QFETCH(QString, title);
        QFETCH(int, answer);
        const QString text = u"Deseja Excluir o Lembrete Atual?"_qs;
        QString shown;
        QTimer::singleShot(0, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            shown = box->windowTitle() + u": "_qs + box->text();
            QTest::keyClick(box, Qt::Key(key));
        });
        QCOMPARE(int(Services::messageBoxes().show(text, MessageBoxes::Buttons(buttons),
                                                   MessageBoxes::Question,
                                                   MessageBoxes::Answer(defaultAnswer), caption)),
                 answer);
        QCOMPARE(shown, title + u": "_qs + text);
    }
};

QTEST_MAIN(tst_Services)
#include "tst_services.moc"
