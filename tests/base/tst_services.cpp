#include "mock/Warnings.h"

#include "base/Services.h"
#include "shell/DesktopServices.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

class tst_Services : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        InstallDesktopServices();
        m_translated = LoadQtTranslations();
    }
    void init() { FailOnUnexpectedWarnings(); }

    // Lines joined by CR are lines; the labels are in Portuguese whatever the system language.
    void messageBox_answers_data()
    {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("defaultAnswer");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("shown"); // "title: text | labels"
        const QString text = u"Dia: 1\nMês: 12\n\nAno\n"_qs;
        using M = MessageBoxes;
        QTest::newRow("Enter takes the default No")
            << int(M::YesNo) << int(M::AnswerNo) << "Alarme" << int(Qt::Key_Return)
            << int(M::AnswerNo) << u"Alarme: "_qs + text + u" | Sim Não"_qs;
        QTest::newRow("no caption: the program's name; Escape cancels what can be cancelled")
            << int(M::YesNoCancel) << int(M::AnswerYes) << QString() << int(Qt::Key_Escape)
            << int(M::AnswerCancel) << u"Notavex: "_qs + text + u" | Sim Não Cancelar"_qs;
        QTest::newRow("Escape answers No")
            << int(M::YesNo) << int(M::AnswerYes) << QString() << int(Qt::Key_Escape)
            << int(M::AnswerNo) << u"Notavex: "_qs + text + u" | Sim Não"_qs;
    }

    void messageBox_answers()
    {
        QFETCH(int, buttons);
        QFETCH(int, defaultAnswer);
        QFETCH(QString, caption);
        QFETCH(int, key);
        QFETCH(int, answer);
        QFETCH(QString, shown);
        QString seen;
        QTimer::singleShot(0, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            seen = box->windowTitle() + u": "_qs + box->text() + u" |"_qs;
            for (const auto b : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
                if (box->button(b))
                    seen += u' ' + box->button(b)->text().remove(u'&');
            // A box is answered, not resized.
            QCOMPARE(box->minimumSize(), box->maximumSize());
            QTest::keyClick(box, Qt::Key(key));
        });
        QCOMPARE(int(Services::messageBoxes().show(
                     u"Dia: 1\rMês: 12\r\rAno\r\n"_qs, MessageBoxes::Buttons(buttons),
                     MessageBoxes::Question, MessageBoxes::Answer(defaultAnswer), caption)),
                 answer);
        // Without Qt's translations installed the labels are English: not compared.
        const auto cut = [this](const QString &s) {
            return m_translated ? s : s.section(u" |"_qs, 0, 0);
        };
        QCOMPARE(cut(seen), cut(shown));
    }

private:
    bool m_translated = false;
};

QTEST_MAIN(tst_Services)
#include "tst_services.moc"
