#include "mock/FakeServices.h"
#include "mock/Warnings.h"

#include "note/NoteColors.h"
#include "note/ShowColorDialog.h"
#include "note/frmNote.h"
#include "platform/Globals.h"
#include "platform/OpenForms.h"

#include <QColorDialog>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A note whose store is replaced: the saves it asks for are only counted.
class TestNote : public frmNote
{
public:
    explicit TestNote(int id)
    {
        SetTag(QString::number(id));
        Form_Load();
        show();
        QVERIFY(QTest::qWaitForWindowExposed(this));
    }
    bool SaveNote(qint16 Id) override
    {
        saved << Id;
        return true;
    }
    QList<qint16> saved;
};

// Strip, body and frame colours, and the window's own back colour, in hexadecimal.
QString colors(const frmNote &n)
{
    QStringList c;
    for (const quint32 v :
         {n.Picture1->BackColor(), n.txtNote->BackColor(), n.Picture2->BackColor(), n.BackColor()})
        c << QString::number(v, 16);
    return c.join(u' ');
}

QString storedCustomColors()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, u"Notavex"_qs, u"notavex"_qs)
        .value(u"cDialog/RegColors"_qs)
        .toString();
}

} // namespace

class tst_NoteColors : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::optional<FakeServices> m_fakes;
    QWidget m_popup; // OpenForms index 0 is the main window

private slots:
    void initTestCase() { OpenForms::add(&m_popup); }

    void init()
    {
        FailOnUnexpectedWarnings();
        m_dir = std::make_unique<QTemporaryDir>();
        ResetProgramState(m_dir->path() + u"/data/"_qs);
        // The per-user settings store of the test, not of the user running it.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir->path());
        m_fakes.emplace();
    }

    void stripColor_data()
    {
        QTest::addColumn<quint32>("body");
        QTest::addColumn<quint32>("strip");
        QTest::newRow("black") << 0x000000u << 0x000000u;
        QTest::newRow("27 27 27 gives 1 1 7") << 0x1B1B1Bu << 0x070101u;
        QTest::newRow("blue 26 gives 0") << 0x1AFFFFu << 0x00E5E5u;
        QTest::newRow("blue 27 gives 7") << 0x1BFFFFu << 0x07E5E5u;
        QTest::newRow("blue 21 gives 0, red 26 gives 0") << 0x15FF1Au << 0x00E500u;
        QTest::newRow("default body gives the classic strip") << 0x87FFFFu << 0x73E5E5u;
    }

    void stripColor()
    {
        QFETCH(quint32, body);
        QFETCH(quint32, strip);
        QCOMPARE(StripColorFor(body), strip);
    }

    // Personaliza(true) takes row int(fraction * 23) + 1 of the table.
    void randomColor_data()
    {
        QTest::addColumn<double>("fraction");
        QTest::addColumn<quint32>("color");
        QTest::newRow("0: first row") << 0.0 << 0x6A9BFFu;
        QTest::newRow("0.5: row 12") << 0.5 << 0x7474BAu;
        QTest::newRow("0.9999: row 23") << 0.9999 << 0xE8E8FFu;
    }

    void randomColor()
    {
        QFETCH(double, fraction);
        QFETCH(quint32, color);
        m_fakes->random->value = fraction;
        QCOMPARE(RandomNoteColor(), color);
        TestNote note(5);
        note.Personaliza(true);
        const QString c = QString::number(color, 16);
        QCOMPARE(colors(note),
                 QString::number(StripColorFor(color), 16) + u' ' + c + u' ' + c + u" ff80ff"_qs);
        QCOMPARE(note.saved, QList<qint16>{5});
    }

    // The dialog opens at the frame's colour; a cancel changes and saves nothing.
    void personaliza_fromDialog_data()
    {
        QTest::addColumn<qint64>("answer");
        QTest::addColumn<QString>("after");
        QTest::newRow("ok") << qint64(0x87FFFF) << u"73e5e5 87ffff 87ffff ff80ff"_qs;
        QTest::newRow("cancel") << qint64(-1) << u"52e9fe 123456 abcdef ff80ff"_qs;
    }

    void personaliza_fromDialog()
    {
        QFETCH(qint64, answer);
        QFETCH(QString, after);
        TestNote note(7);
        note.txtNote->SetBackColor(0x123456);
        note.Picture2->SetBackColor(0xABCDEF);
        QList<quint32> initial;
        SetColorDialogAnswer([&](quint32 i) {
            initial << i;
            return answer;
        });
        note.Personaliza(false);
        QCOMPARE(initial, QList<quint32>{0xABCDEF});
        QCOMPARE(colors(note), after);
        QCOMPARE(note.saved, answer < 0 ? QList<qint16>{} : QList<qint16>{7});
    }

    // A new user sees 16 white custom colours; one defined and then cancelled comes back from the
    // store next time, whatever the dialog itself still remembers.
    void customColors_surviveACancel()
    {
        QList<QColor> seen;
        SetColorDialogAnswer([&](quint32) {
            for (int i = 0; i < 16; ++i)
                seen << QColorDialog::customColor(i);
            QColorDialog::setCustomColor(3, QColor(1, 2, 3));
            return qint64(-1);
        });
        QCOMPARE(ShowColorDialog(nullptr, 0, true), qint64(-1));
        QCOMPARE(seen, QList<QColor>(16, Qt::white));
        QStringList stored(16, u"16777215"_qs);
        stored[3] = QString::number(0x030201);
        QCOMPARE(storedCustomColors(), stored.join(u','));

        seen.clear();
        QColorDialog::setCustomColor(3, Qt::black);
        ShowColorDialog(nullptr, 0, true);
        QCOMPARE(seen.at(3), QColor(1, 2, 3));
        QCOMPARE(CustomColors[3], 0x030201u);
    }

    // Looks of the frame: colours and picture, never the note's colours or the window's size.
    void classicoAndSkins_data()
    {
        QTest::addColumn<int>("skin"); // -1: Classico
        QTest::addColumn<bool>("files");
        QTest::addColumn<QString>("after");
        QTest::addColumn<bool>("picture");
        const QString note = u"52e9fe 87ffff "_qs;
        QTest::newRow("classic") << -1 << true << note + u"87ffff 73e5e5"_qs << false;
        QTest::newRow("home") << 1 << true << note + u"9ddcff 46bbff"_qs << true;
        QTest::newRow("love") << 2 << true << note + u"b584ff 8535fe"_qs << true;
        QTest::newRow("office") << 3 << true << note + u"ffeac7 ffbf5d"_qs << true;
        QTest::newRow("play") << 4 << true << note + u"b61ff 850cc"_qs << true;
        QTest::newRow("play, file missing") << 4 << false << note + u"b61ff 850cc"_qs << false;
        QTest::newRow("0 only repaints") << 0 << true << note + u"87ffff ff80ff"_qs << false;
        QTest::newRow("5 only repaints") << 5 << true << note + u"87ffff ff80ff"_qs << false;
    }

    void classicoAndSkins()
    {
        QFETCH(int, skin);
        QFETCH(bool, files);
        QFETCH(QString, after);
        QFETCH(bool, picture);
        AppPath = files ? QStringLiteral(NOTAVEX_BUILD_DIR "/") : m_dir->path() + u'/';
        TestNote note(2);
        if (skin < 0)
            note.Classico();
        else
            note.Skin(qint16(skin));
        QCOMPARE(colors(note), after);
        QCOMPARE(!note.Picture2->Picture().isNull(), picture);
        if (picture)
            QCOMPARE(note.Picture2->Picture().size(), note.Picture2->size());
        QCOMPARE(note.size(), QSize(182, 198));
        QVERIFY(note.saved.isEmpty());
    }
};

QTEST_MAIN(tst_NoteColors)
#include "tst_notecolors.moc"
