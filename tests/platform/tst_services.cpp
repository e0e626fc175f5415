#include "mock/Warnings.h"

#include "platform/DesktopServices.h"
#include "platform/Services.h"

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

    void messageBox_answers_data()
    {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("defaultAnswer");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("labels"); // in Portuguese, whatever the system language
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shownText");
        const QString text = u"Deseja Excluir o Lembrete Atual?"_qs;
        using M = MessageBoxes;
        QTest::newRow("Enter takes the default No")
            << int(M::YesNo) << int(M::AnswerNo) << "Alarme" << int(Qt::Key_Return) << "Alarme"
            << int(M::AnswerNo) << u"Sim Não"_qs << text << text;
        QTest::newRow("no caption: the program's name; Escape cancels what can be cancelled")
            << int(M::YesNoCancel) << int(M::AnswerYes) << QString() << int(Qt::Key_Escape)
            << "Notavex" << int(M::AnswerCancel) << u"Sim Não Cancelar"_qs << text << text;
        QTest::newRow("Escape answers No; lines joined by CR are lines")
            << int(M::YesNo) << int(M::AnswerYes) << QString() << int(Qt::Key_Escape) << "Notavex"
            << int(M::AnswerNo) << u"Sim Não"_qs << u"Dia: 1\rMês: 12\r\rAno\r\n"_qs
            << u"Dia: 1\nMês: 12\n\nAno\n"_qs;
    }

    void messageBox_answers()
    {
        QFETCH(int, buttons);
        QFETCH(int, defaultAnswer);
        QFETCH(QString, caption);
        QFETCH(int, key);
        QFETCH(QString, title);
        QFETCH(int, answer);
        QFETCH(QString, labels);
        QFETCH(QString, text);
        QFETCH(QString, shownText);
        QString shown;
        QTimer::singleShot(0, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            shown = box->windowTitle() + u": "_qs + box->text();
            QStringList texts;
            for (const auto b : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
                if (box->button(b))
                    texts << box->button(b)->text().remove(u'&');
            if (m_translated)
                shown += u" "_qs + texts.join(u' ');
            // A box is answered, not resized.
            QCOMPARE(box->minimumSize(), box->maximumSize());
            QTest::keyClick(box, Qt::Key(key));
        });
        QCOMPARE(int(Services::messageBoxes().show(text, MessageBoxes::Buttons(buttons),
                                                   MessageBoxes::Question,
                                                   MessageBoxes::Answer(defaultAnswer), caption)),
                 answer);
        QCOMPARE(shown,
                 title + u": "_qs + shownText + (m_translated ? u" "_qs + labels : QString()));
    }

private:
    bool m_translated = false;
};

QTEST_MAIN(tst_Services)
#include "tst_services.moc"
