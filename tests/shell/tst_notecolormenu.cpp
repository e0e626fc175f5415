#include "mock/FakeServices.h"
#include "mock/TestFiles.h"
#include "mock/Warnings.h"

#include "note/NoteColors.h"
#include "note/ShowColorDialog.h"
#include "note/frmNote.h"
#include "note/frmTítulo.h"
#include "platform/Globals.h"
#include "platform/OpenForms.h"
#include "platform/ProfileString.h"
#include "shell/FrmPopup.h"
#include "store/Ini.h"
#include "store/NoteFiles.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace TestFiles;

namespace {

QString ini(int section, const char *key)
{
    return ReadIni(QString::number(section), QString::fromLatin1(key), u"-"_qs, IndexFile());
}

frmNote *noteOf(int id)
{
    return qobject_cast<frmNote *>(OpenForms::at(FindNoteFormIndex(id)));
}

} // namespace

// What the note menu and the note's links do with colours and titles, and the colours of new notes.
class tst_NoteColorMenu : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_tmp;
    std::optional<FakeServices> m_fakes;
    std::unique_ptr<FrmPopup> m_popup;

    // Starts with note 3, made current; Indice.cfg holds the given lines.
    void start(const QByteArray &cfg)
    {
        const QString data = m_tmp->path() + u"/docs/Notavex/"_qs;
        QVERIFY(QDir().mkpath(data) && QDir().mkpath(m_tmp->path() + u"/app"_qs));
        QVERIFY(writeBytes(data + u"Indice.cfg"_qs, "[Indice]\r\nTotalForms=1\r\n" + cfg));
        QVERIFY(writeBytes(data + u"indice.dat"_qs, ",3,\r\n"));
        m_popup = std::make_unique<FrmPopup>();
        QVERIFY(
            m_popup->startUp(m_tmp->path() + u"/docs"_qs, m_tmp->path() + u"/app/"_qs, u"ana"_qs));
        CurrentNoteId = 3;
        CurrentFormIndex = qint16(FindNoteFormIndex(3));
    }

private slots:
    void init()
    {
        FailOnUnexpectedWarnings();
        m_tmp = std::make_unique<QTemporaryDir>();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_tmp->path());
        ResetProgramState();
        m_fakes.emplace();
    }

    void cleanup()
    {
        // Not shut down: ending the program would end every later dialog's event loop at once.
        while (OpenForms::count() > 1)
            delete OpenForms::at(OpenForms::count() - 1);
        m_popup.reset();
    }

    // "Cor" and "[Cor]" store both colours at once, also when the user cancels.
    void cor_storesColors_data()
    {
        QTest::addColumn<bool>("link");
        QTest::addColumn<qint64>("answer");
        QTest::addColumn<QString>("stored"); // Color1 Color2
        QTest::newRow("menu, ok") << false << qint64(0x87FFFF) << u"7595493 8912895"_qs;
        QTest::newRow("link, cancel") << true << qint64(-1) << u"255 65280"_qs;
    }

    void cor_storesColors()
    {
        QFETCH(bool, link);
        QFETCH(qint64, answer);
        QFETCH(QString, stored);
        // The note shows red and green; the keys are emptied to see them written back.
        start("[3]\r\nColor1=255\r\nColor2=65280\r\n");
        WritePrivateProfileString(u"3"_qs, u"Color1"_qs, QString(), IndexFile());
        WritePrivateProfileString(u"3"_qs, u"Color2"_qs, QString(), IndexFile());
        SetColorDialogAnswer([&](quint32) { return answer; });
        if (link) {
            CurrentNoteId = 0;
            QTest::mouseClick(noteOf(3)->Label1[1], Qt::LeftButton, {}, QPoint(5, 5));
            QCOMPARE(CurrentNoteId, qint16(3));
        } else {
            m_popup->menPersonaliza->trigger();
            QCoreApplication::processEvents();
        }
        QCOMPARE(ini(3, "Color1") + u' ' + ini(3, "Color2"), stored);
        QCOMPARE(ini(3, "Tag"), link || answer >= 0 ? u"3"_qs : u"-"_qs); // saved or not
    }

    // A new note gets a colour of the table only when Coloridos is on and its number has no
    // stored colour.
    void newNote_colors_data()
    {
        QTest::addColumn<bool>("coloridos");
        QTest::addColumn<QByteArray>("cfg");
        QTest::addColumn<quint32>("body");
        const quint32 row12 = NoteColorTable[11]; // fraction 0.5
        QTest::newRow("Coloridos") << true << QByteArray() << row12;
        QTest::newRow("Coloridos, number used before") << true << "[1]\r\nColor1=\r\n"_qba << row12;
        QTest::newRow("Coloridos, colour stored")
            << true << "[1]\r\nColor1=255\r\n"_qba << 0x87FFFFu;
        QTest::newRow("off") << false << QByteArray() << 0x87FFFFu;
    }

    void newNote_colors()
    {
        QFETCH(bool, coloridos);
        QFETCH(QByteArray, cfg);
        QFETCH(quint32, body);
        start(cfg);
        Coloridos = coloridos;
        m_popup->mnuNew->trigger();
        QCoreApplication::processEvents();
        const frmNote *note = noteOf(1);
        QVERIFY(note);
        QCOMPARE(note->txtNote->BackColor(), body);
        QCOMPARE(note->Picture1->BackColor(), body == 0x87FFFF ? 0x52E9FEu : StripColorFor(body));
        QCOMPARE(ini(1, "Color2"), body == 0x87FFFF ? u"-"_qs : QString::number(body));
    }

    // "Título..." opens the title dialog on the current note; the tray is shut meanwhile.
    void titulo_fromNoteMenu()
    {
        start("[3]\r\nTitulo=Compras\r\n");
        QString seen;
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            if (auto *d = dynamic_cast<frmTítulo *>(QApplication::activeModalWidget())) {
                seen = d->Text1->text() + (TrayReady ? u" ready"_qs : u" shut"_qs);
                d->Command4->click();
            }
        });
        answer.start(10);
        m_popup->menTítulo->trigger();
        QTRY_COMPARE(seen, u"Compras shut"_qs);
        QTRY_VERIFY(TrayReady);
    }

    // The buttons' texts under Brazilian settings, the 22-character limit, and the ways out:
    // only Ok and Enter give the note the title, saved shortly after like one typed on the note.
    void titulo_dialog_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("how");
        const QDateTime dec5(QDate(2026, 12, 5), QTime(14, 30, 59));
        QTest::newRow("Data, Ok") << dec5 << 0 << u"05/dez"_qs << u"Ok"_qs;
        QTest::newRow("Hora, Enter") << dec5 << 1 << u"14:30"_qs << u"Enter"_qs;
        QTest::newRow("Data e hora, Cancelar") << dec5 << 2 << u"05/dez - 14:30"_qs << u"no"_qs;
        QTest::newRow("1 March, Escape") << QDateTime(QDate(2027, 3, 1), QTime(9, 5)) << 2
                                         << u"01/mar - 09:05"_qs << u"Escape"_qs;
        QTest::newRow("typed, close box") << dec5 << -1 << u"abcdefghijklmnopqrstuv"_qs << u"x"_qs;
    }

    void titulo_dialog()
    {
        QFETCH(QDateTime, now);
        QFETCH(int, button);
        QFETCH(QString, text);
        QFETCH(QString, how);
        QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
        start("[3]\r\nTitulo=05/dez - 14:30\r\n");
        m_fakes->clock->time = now;
        {
            frmTítulo d;
            QVERIFY(!TrayReady);
            d.show();
            QVERIFY(QTest::qWaitForWindowExposed(&d));
            QCOMPARE(d.Text1->text(), u"05/dez - 14:30"_qs);
            if (button < 0) {
                d.Text1->clear();
                QTest::keyClicks(d.Text1, u"abcdefghijklmnopqrstuvw"_qs); // one too many
            } else {
                d.Button[size_t(button)]->click();
            }
            QCOMPARE(d.Text1->text(), text);
            if (how == u"Ok")
                d.Command4->click();
            else if (how == u"no")
                d.Command5->click();
            else if (how == u"x")
                d.close();
            else
                QTest::keyClick(d.Text1, how == u"Enter" ? Qt::Key_Return : Qt::Key_Escape);
            QVERIFY(!d.isVisible() && !TrayReady);
        }
        QVERIFY(TrayReady);
        const bool taken = how == u"Ok" || how == u"Enter";
        QCOMPARE(noteOf(3)->txtTitle->text(), taken ? text : u"05/dez - 14:30"_qs);
        if (taken)
            QTRY_COMPARE_WITH_TIMEOUT(ini(3, "Titulo"), text, frmNote::AutosaveDelayMs + 1000);
    }
};

QTEST_MAIN(tst_NoteColorMenu)
#include "tst_notecolormenu.moc"
