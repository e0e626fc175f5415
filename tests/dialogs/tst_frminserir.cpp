#include "mock/FakeServices.h"
#include "mock/TestFiles.h"
#include "mock/Warnings.h"

#include "dialogs/FrmInserir.h"
#include "note/frmNote.h"
#include "platform/Globals.h"
#include "platform/OpenForms.h"
#include "platform/TopMost.h"
#include "shell/FrmPopup.h"
#include "store/Ini.h"
#include "store/NoteFiles.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace TestFiles;

// The date dialog: its fifteen texts, the remembered choice, and the text it puts into the current
// note. Saturday 5 December 2026, 09:07:03.
class tst_FrmInserir : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_tmp;
    std::optional<FakeServices> m_fakes;
    std::unique_ptr<FrmPopup> m_popup;

    // Starts the program with note 1 current; Formato holds the given text unless it is null.
    void start(const QString &formato)
    {
        const QString data = m_tmp->path() + u"/docs/Notavex/"_qs;
        QVERIFY(QDir().mkpath(data) && QDir().mkpath(m_tmp->path() + u"/app"_qs));
        QByteArray cfg = "[Indice]\r\nTotalForms=1\r\n[1]\r\nVisivel=True\r\n";
        if (!formato.isNull())
            cfg += "[Config]\r\nFormato=" + formato.toUtf8() + "\r\n";
        QVERIFY(writeBytes(data + u"Indice.cfg"_qs, cfg));
        QVERIFY(writeBytes(data + u"indice.dat"_qs, ",1,\r\n"));
        m_popup = std::make_unique<FrmPopup>();
        QVERIFY(
            m_popup->startUp(m_tmp->path() + u"/docs"_qs, m_tmp->path() + u"/app"_qs, u"ana"_qs));
        CurrentNoteId = 1;
        CurrentFormIndex = qint16(FindNoteFormIndex(1));
    }
    frmNote *note() const { return qobject_cast<frmNote *>(OpenForms::at(CurrentFormIndex)); }

private slots:
    void init()
    {
        FailOnUnexpectedWarnings();
        QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
        m_tmp = std::make_unique<QTemporaryDir>();
        ResetProgramState();
        m_fakes.emplace();
        m_fakes->clock->time = QDateTime(QDate(2026, 12, 5), QTime(9, 7, 3));
    }

    void cleanup()
    {
        while (OpenForms::count() > 1)
            delete OpenForms::at(OpenForms::count() - 1);
        m_popup.reset();
        QLocale::setDefault(QLocale::c());
    }

    void formatos_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<int>("first");
        QTest::addColumn<QStringList>("texts"); // from entry first on
        const QLocale br(QLocale::Portuguese, QLocale::Brazil);
        QTest::newRow("Brazil") << br << 0
                                << QStringList{u"05/12/26"_qs,
                                               u"05/12/2026"_qs,
                                               u"05/dez/26"_qs,
                                               u"05/dez/2026"_qs,
                                               u"sábado, 5 de dezembro de 2026"_qs,
                                               u"05 dezembro, 2026"_qs,
                                               u"dezembro 05, 2026"_qs,
                                               u"dezembro, 2026"_qs,
                                               u"dez/2026"_qs,
                                               u"05/12/26 - 09:07"_qs,
                                               u"05/12/26 - 09:07:03"_qs,
                                               u"05/12/2026 - 09:07"_qs,
                                               u"05/12/2026 - 09:07:03"_qs,
                                               u"09:07"_qs,
                                               u"09:07:03"_qs};
        // The user's own separators and month names.
        QTest::newRow("Germany") << QLocale(QLocale::German, QLocale::Germany) << 0
                                 << QStringList{u"05.12.26"_qs, u"05.12.2026"_qs, u"05.Dez.26"_qs};
        QTest::newRow("Finland") << QLocale(QLocale::Finnish, QLocale::Finland) << 12
                                 << QStringList{u"05.12.2026 - 09.07.03"_qs, u"09.07"_qs};
    }
    void formatos()
    {
        QFETCH(QLocale, locale);
        QFETCH(int, first);
        QFETCH(QStringList, texts);
        const QStringList all = FrmInserir::Formatos(m_fakes->clock->time, locale);
        QCOMPARE(all.size(), 15);
        QCOMPARE(all.mid(first, texts.size()), texts);
    }

    // What is selected at opening, what OK or a double click put into the note and store, and
    // that Cancelar changes neither. The clock moves on while the dialog is open.
    void insert_data()
    {
        QTest::addColumn<QString>("stored"); // null: no key
        QTest::addColumn<int>("offered");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("selLength"); // from "amanhã" on
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("storedAfter");
        const QString before = u"Reunião amanhã cedo"_qs;
        QTest::newRow("first use")
            << QString() << 0 << 0 << u"ok"_qs << 6 << u"Reunião 05/12/26 cedo"_qs << u"0"_qs;
        QTest::newRow("remembered") << u"12"_qs << 12 << 12 << u"ok"_qs << 6
                                    << u"Reunião 05/12/2026 - 09:07:03 cedo"_qs << u"12"_qs;
        QTest::newRow("at the caret") << u"12"_qs << 12 << 14 << u"double"_qs << 0
                                      << u"Reunião 09:07:03amanhã cedo"_qs << u"14"_qs;
        QTest::newRow("past the end")
            << u"15"_qs << 0 << 13 << u"double"_qs << 6 << u"Reunião 09:07 cedo"_qs << u"13"_qs;
        QTest::newRow("negative") << u"-1"_qs << 0 << 8 << u"ok"_qs << 6
                                  << u"Reunião dez/2026 cedo"_qs << u"8"_qs;
        QTest::newRow("not a number")
            << u"x7"_qs << 0 << 3 << u"cancel"_qs << 6 << before << u"x7"_qs;
    }
    void insert()
    {
        QFETCH(QString, stored);
        QFETCH(int, offered);
        QFETCH(int, chosen);
        QFETCH(QString, how);
        QFETCH(int, selLength);
        QFETCH(QString, text);
        QFETCH(QString, storedAfter);
        start(stored);
        note()->txtNote->SetText(u"Reunião amanhã cedo"_qs);
        note()->txtNote->SetSelStart(8);
        note()->txtNote->SetSelLength(selLength);
        {
            FrmInserir d;
            QVERIFY(!TrayReady && d.isModal() && IsWindowTopmost(&d));
            QCOMPARE(d.windowTitle(), u" Data e hora"_qs);
            QCOMPARE(d.Lsttime->currentRow(), offered);
            m_fakes->clock->time = m_fakes->clock->time.addSecs(120);
            d.show();
            d.Lsttime->setCurrentRow(chosen);
            if (how == u"ok")
                d.Command1->click();
            else if (how == u"cancel")
                d.Command2->click();
            else { // a double click comes after a click
                const QPoint at = d.Lsttime->visualItemRect(d.Lsttime->item(chosen)).center();
                QTest::mouseClick(d.Lsttime->viewport(), Qt::LeftButton, {}, at);
                QTest::mouseDClick(d.Lsttime->viewport(), Qt::LeftButton, {}, at);
            }
            QCOMPARE(d.result(), how == u"cancel" ? QDialog::Rejected : QDialog::Accepted);
        }
        QVERIFY(TrayReady);
        QCOMPARE(note()->txtNote->Text(), text);
        QCOMPARE(ReadIni(u"Config"_qs, u"Formato"_qs, u"-"_qs, IndexFile()),
                 storedAfter.isNull() ? u"-"_qs : storedAfter);
    }

    // The note menu's "Inserir data e hora..." opens the dialog for the current note.
    void openedFromTheNoteMenu()
    {
        start(QString());
        QString seen;
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            if (auto *d = qobject_cast<FrmInserir *>(QApplication::activeModalWidget())) {
                answer.stop();
                seen = d->Lsttime->item(13)->text() + (TrayReady ? u" ready"_qs : u" shut"_qs);
                d->Command1->click();
            }
        });
        answer.start(10);
        note()->txtNote->SetText(QString());
        QVERIFY(m_popup->menData->isEnabled());
        m_popup->menData->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(seen, u"09:07 shut"_qs);
        QCOMPARE(note()->txtNote->Text(), u"05/12/26"_qs);
        QVERIFY(note()->ContentNeedsSaving());
    }
};

QTEST_MAIN(tst_FrmInserir)
#include "tst_frminserir.moc"
