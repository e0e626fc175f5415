#include "mock/FakeServices.h"
#include "mock/TestFiles.h"
#include "mock/Warnings.h"

#include "dialogs/FrmOpc.h"
#include "note/ModCmnDlg.h"
#include "platform/Globals.h"
#include "store/Ini.h"
#include "store/NoteFiles.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

using namespace TestFiles;

// The options dialog: what it shows of the stored default font, what OK stores, and when it says
// that only new notes change.
class tst_FrmOpc : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::optional<FakeServices> m_fakes;

private slots:
    void init()
    {
        FailOnUnexpectedWarnings();
        m_dir = std::make_unique<QTemporaryDir>();
        ResetProgramState(m_dir->path() + u'/');
        m_fakes.emplace();
    }

    void ok_storesWhatChanged_data()
    {
        QTest::addColumn<QByteArray>("stored");  // Format section lines, "Coloridos=True" aside
        QTest::addColumn<QString>("actions");    // "font:" + record or "cancel", "random", "esc"
        QTest::addColumn<QString>("shown");      // Label2 when opened
        QTest::addColumn<QString>("afterwards"); // stored keys, then Label2 when reopened
        QTest::addColumn<bool>("told");
        const QString first = u"Arial Tamanho: 10  "_qs;
        const QString defaults = u"- - - - - - - False"_qs;
        QTest::newRow("first use, nothing touched")
            << QByteArray() << QString() << first << defaults + u" | "_qs + first << false;
        // The stored default "9,75" is written as 10 even though the font dialog was cancelled.
        QTest::newRow("font dialog cancelled")
            << QByteArray() << u"font:cancel"_qs << first
            << u"0 Arial 10 False False False False False | "_qs + first << true;
        QTest::newRow("only the colours")
            << QByteArray() << u"random"_qs << first << u"- - - - - - - True | "_qs + first << true;
        QTest::newRow("struck through")
            << QByteArray() << u"font:Tahoma|12|0|1|0|1|255"_qs << first
            << u"255 Tahoma 12 False True False True False | Tahoma Tamanho: 12   Italico  "
               u"Riscado "_qs
            << true;
        // A second try starts from the stored keys, not from the first choice.
        QTest::newRow("twice, the second cancelled")
            << QByteArray() << u"font:Tahoma|12|1|0|0|0|0 font:cancel"_qs << first
            << u"0 Arial 10 False False False False False | "_qs + first << true;
        QTest::newRow("unconvertible values are defaults")
            << QByteArray("FontSize=abc\r\nFontBold=sim\r\nFontItalic=TRUE\r\nSelColor=&HFF\r\n")
            << QString() << u"Arial Tamanho: 10   Italico "_qs
            << u"&HFF - abc sim TRUE - - False | Arial Tamanho: 10   Italico "_qs << false;
        QTest::newRow("cancel after the font dialog")
            << QByteArray() << u"font:Tahoma|12|1|0|0|0|0 random esc"_qs << first
            << defaults.left(defaults.size() - 5) + u"- | "_qs + first << false;
    }

    void ok_storesWhatChanged()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, actions);
        QFETCH(QString, shown);
        QFETCH(QString, afterwards);
        QFETCH(bool, told);
        if (!stored.isEmpty())
            QVERIFY(writeBytes(IndexFile(), "[Format]\r\n" + stored));
        QStringList presets;
        SetFontDialogAnswer([&](const FontRecord &r, bool noEffects) -> std::optional<FontRecord> {
            presets << r.Name + QString::number(r.Size) + (noEffects ? u"!"_qs : QString());
            const QString answer = actions.section(u' ', 0, 0).mid(5);
            actions = actions.section(u' ', 1);
            if (answer == u"cancel")
                return std::nullopt;
            const QStringList f = answer.split(u'|');
            return FontRecord{f[0],         qint16(f[1].toInt()), f[2] == u"1",  f[3] == u"1",
                              f[4] == u"1", f[5] == u"1",         f[6].toUInt(), {}};
        });
        {
            FrmOpc d;
            QVERIFY(!TrayReady && d.Option1[1]->isChecked() && !d.Option1[2]->isChecked());
            QCOMPARE(d.Label2->text(), shown);
            QCOMPARE(d.Picture4->palette().color(QPalette::Window).rgb(),
                     stored.contains("&HFF") ? qRgb(255, 0, 0) : qRgb(0, 0, 0));
            bool escaped = false;
            for (const QString &a : actions.split(u' ', Qt::SkipEmptyParts)) {
                if (a.startsWith(u"font:"))
                    d.Command3->click();
                else if (a == u"random")
                    d.Option1[2]->click();
                else if (a == u"esc")
                    escaped = true;
            }
            escaped ? d.Command2->click() : d.Command1->click();
            QVERIFY(!d.isVisible());
        }
        QVERIFY(TrayReady && presets.filter(u"!"_qs).isEmpty());
        for (const QString &p : presets) // each from the stored keys
            QCOMPARE(p, presets.value(0));
        QStringList keys;
        for (const char16_t *k : {u"SelColor", u"FontName", u"FontSize", u"FontBold", u"FontItalic",
                                  u"FontUnderline", u"FontStrikethrough"})
            keys << ReadIni(u"Format"_qs, QString::fromUtf16(k), u"-"_qs, IndexFile());
        keys << ReadIni(u"Indice"_qs, u"Coloridos"_qs, u"-"_qs, IndexFile());
        FrmOpc again;
        QCOMPARE(keys.join(u' ') + u" | "_qs + again.Label2->text(), afterwards);
        QCOMPARE(Coloridos, afterwards.contains(u"True |"));
        QCOMPARE(again.Option1[2]->isChecked(), Coloridos);
        const auto &asked = m_fakes->messageBoxes->asked;
        QCOMPARE(asked.size(), int(told));
        for (const auto &m : asked)
            QVERIFY(m.text == u"As alterações terão efeito para as notas que forem criadas a "
                              u"partir de agora" &&
                    m.icon == MessageBoxes::NoIcon && m.buttons == MessageBoxes::Ok);
    }
};

QTEST_MAIN(tst_FrmOpc)
#include "tst_frmopc.moc"
