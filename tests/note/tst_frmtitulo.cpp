#include "mock/FakeServices.h"
#include "mock/Warnings.h"

#include "note/frmNote.h"
#include "note/frmTítulo.h"
#include "platform/Globals.h"
#include "platform/OpenForms.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

class TestNote : public frmNote
{
public:
    explicit TestNote(int id)
    {
        SetTag(QString::number(id));
        Form_Load();
    }
    bool SaveNote(qint16 Id) override
    {
        saved << Id;
        return true;
    }
    QList<qint16> saved;
};

} // namespace

// The title dialog of the current note, under Brazilian settings.
class tst_frmTitulo : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::optional<FakeServices> m_fakes;
    QWidget m_popup; // OpenForms index 0 is the main window
    std::unique_ptr<TestNote> m_note;

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
        OpenForms::add(&m_popup);
    }

    void init()
    {
        FailOnUnexpectedWarnings();
        m_dir = std::make_unique<QTemporaryDir>();
        ResetProgramState(m_dir->path());
        m_fakes.emplace();
        m_note = std::make_unique<TestNote>(4);
        m_note->txtTitle->setText(u"05/dez - 14:30"_qs);
        CurrentNoteId = 4;
        CurrentFormIndex = 1;
        TrayReady = true;
    }

    void cleanup() { m_note.reset(); }

    void layout()
    {
        frmTítulo d;
        QCOMPARE(d.windowTitle(), u"Título"_qs);
        QCOMPARE(d.size(), QSize(266, 105));
        QCOMPARE(d.minimumSize(), d.maximumSize());
        QVERIFY(d.windowFlags().testFlag(Qt::Tool) && d.isModal());
        QCOMPARE(d.Frame1->title(), u"Título da Nota"_qs);
        QCOMPARE(d.Button[2]->geometry(), QRect(145, 33, 104, 21));
        QCOMPARE(d.Command4->geometry(), QRect(186, 77, 76, 23));
        QCOMPARE(d.pos(), QPoint((1024 - 266) / 2, (768 - 105) / 2));
    }

    void buttons_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("text");
        const QDateTime dec5(QDate(2026, 12, 5), QTime(14, 30, 59));
        const QDateTime mar1(QDate(2027, 3, 1), QTime(9, 5));
        QTest::newRow("Data") << dec5 << 0 << u"05/dez"_qs;
        QTest::newRow("Hora") << dec5 << 1 << u"14:30"_qs;
        QTest::newRow("Data e hora") << dec5 << 2 << u"05/dez - 14:30"_qs;
        QTest::newRow("Data e hora, 1 March") << mar1 << 2 << u"01/mar - 09:05"_qs;
    }

    void buttons()
    {
        QFETCH(QDateTime, now);
        QFETCH(int, button);
        QFETCH(QString, text);
        m_fakes->clock->time = now;
        frmTítulo d;
        QCOMPARE(d.Text1->text(), u"05/dez - 14:30"_qs);
        d.Button[size_t(button)]->click();
        QCOMPARE(d.Text1->text(), text);
    }

    // Typing 23 characters keeps 22; only Ok and Enter give the note the title.
    void closing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("taken");
        QTest::newRow("Ok") << u"Ok"_qs << true;
        QTest::newRow("Enter") << u"Enter"_qs << true;
        QTest::newRow("Cancelar") << u"Cancelar"_qs << false;
        QTest::newRow("Escape") << u"Escape"_qs << false;
        QTest::newRow("close box") << u"close"_qs << false;
    }

    void closing()
    {
        QFETCH(QString, how);
        QFETCH(bool, taken);
        {
            frmTítulo d;
            QVERIFY(!TrayReady);
            d.show();
            QVERIFY(QTest::qWaitForWindowExposed(&d));
            d.Text1->clear();
            QTest::keyClicks(d.Text1, u"abcdefghijklmnopqrstuvw"_qs);
            QCOMPARE(d.Text1->text(), u"abcdefghijklmnopqrstuv"_qs);
            if (how == u"Ok")
                d.Command4->click();
            else if (how == u"Cancelar")
                d.Command5->click();
            else if (how == u"close")
                d.close();
            else
                QTest::keyClick(d.Text1, how == u"Enter" ? Qt::Key_Return : Qt::Key_Escape);
            QVERIFY(!d.isVisible());
            QVERIFY(!TrayReady);
        }
        QVERIFY(TrayReady);
        QCOMPARE(m_note->txtTitle->text(),
                 taken ? u"abcdefghijklmnopqrstuv"_qs : u"05/dez - 14:30"_qs);
        // A new title is saved with the next automatic save, like one typed on the note.
        if (taken)
            QTRY_COMPARE_WITH_TIMEOUT(m_note->saved, QList<qint16>{4},
                                      frmNote::AutosaveDelayMs + 500);
        else
            QVERIFY(m_note->saved.isEmpty());
    }
};

QTEST_MAIN(tst_frmTitulo)
#include "tst_frmtitulo.moc"
