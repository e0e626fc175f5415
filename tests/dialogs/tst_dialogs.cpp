#include "mock/FakeServices.h"
#include "mock/StartProgram.h"
#include "mock/Warnings.h"

#include "dialogs/ChmFile.h"
#include "dialogs/FrmAbout.h"
#include "dialogs/FrmInserir.h"
#include "dialogs/FrmOpc.h"
#include "dialogs/HelpViewer.h"
#include "dialogs/ModAjuda.h"
#include "note/ModCmnDlg.h"
#include "store/Ini.h"
#include "store/NoteFiles.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>

using namespace TestFiles;

const QString BuiltHelp = QStringLiteral(NOTAVEX_BUILD_DIR "/Notavex.chm");
const QMap<QString, QString> Titles{{u"notavex.htm"_qs, u"O Notavex"_qs},
                                    {u"opcoes.htm"_qs, u"Opções"_qs},
                                    {u"mostrar.htm"_qs, u"Mostrar notas"_qs},
                                    {u"excluir_notas.htm"_qs, u"Excluir notas"_qs},
                                    {u"alarme.htm"_qs, u"Alarme"_qs}};

// The help file and window, the menus' help and dialog items, the about, date and options dialogs;
// on one note, under a Brazilian locale, on Saturday 5 December 2026, 09:07:03.
class tst_Dialogs : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_tmp;
    std::optional<FakeServices> m_fakes;
    std::unique_ptr<FrmPopup> m_popup;
    QStringList m_opened; // web pages

    // Note 1 is current; cfg is added to Indice.cfg.
    void start(const QByteArray &cfg = {})
    {
        m_popup = StartProgram(
            m_tmp->path(), "[Indice]\r\nTotalForms=1\r\n[1]\r\nVisivel=True\r\n" + cfg, ",1,\r\n");
        QVERIFY(m_popup && MakeCurrent(1));
    }
    static frmNote *note() { return qobject_cast<frmNote *>(OpenForms::at(CurrentFormIndex)); }

public slots:
    void opened(const QUrl &url) { m_opened << url.toString(); }

private slots:
    void init()
    {
        FailOnUnexpectedWarnings();
        QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
        m_tmp = std::make_unique<QTemporaryDir>();
        ResetProgramState();
        m_fakes.emplace();
        m_fakes->clock->time = QDateTime(QDate(2026, 12, 5), QTime(9, 7, 3));
        QDesktopServices::setUrlHandler(u"https"_qs, this, "opened");
    }

    void cleanup()
    {
        delete HelpViewer::Current();
        while (OpenForms::count() > 1)
            delete OpenForms::at(OpenForms::count() - 1);
        m_popup.reset();
    }

    // Each topic is in the file with its pictures and links to all the others; the window follows
    // a link.
    void topics()
    {
        const ChmFile chm(BuiltHelp);
        HelpViewer *viewer = nullptr;
        QTextCursor anchor;
        for (const QString &topic : Titles.keys()) { // "opcoes.htm" last
            viewer = HelpViewer::ShowTopic(BuiltHelp, topic);
            QCOMPARE(viewer->windowTitle(), Titles[topic]);
            QStringList links{topic};
            for (QTextBlock b = viewer->Pagina->document()->begin(); b.isValid(); b = b.next()) {
                for (auto it = b.begin(); !it.atEnd(); ++it) {
                    const QTextCharFormat f = it.fragment().charFormat();
                    if (const QString to = f.anchorHref().section(u'#', 0, 0); !to.contains(u':'))
                        links << to; // web links aside
                    if (f.anchorHref() == u"notavex.htm#menunota" && topic == u"opcoes.htm") {
                        anchor = QTextCursor(b);
                        anchor.setPosition(it.fragment().position() + it.fragment().length() / 2);
                    }
                    if (const QString name = f.toImageFormat().name(); f.isImageFormat()) {
                        const QVariant bytes =
                            viewer->Pagina->loadResource(QTextDocument::ImageResource, QUrl(name));
                        QVERIFY2(!QImage::fromData(bytes.toByteArray()).isNull(), qPrintable(name));
                    }
                }
            }
            links.removeAll(QString()); // in-page links aside
            for (const QString &to : links + Titles.keys())
                QVERIFY2(chm.read(to) && links.contains(to), qPrintable(topic + u' ' + to));
        }
        viewer->Pagina->setTextCursor(anchor);
        viewer->Pagina->ensureCursorVisible();
        QTest::mouseClick(viewer->Pagina->viewport(), Qt::LeftButton, {},
                          viewer->Pagina->cursorRect(anchor).center());
        QCOMPARE(viewer->windowTitle(), u"O Notavex"_qs);
    }

    // A help file that cannot be read gets a page saying so; "Ajuda" without one, a message.
    void missingHelp()
    {
        start();
        m_popup->Mn_Ajuda->trigger();
        QCoreApplication::processEvents(); // the commands are queued
        QCOMPARE(m_fakes->messageBoxes->asked.size(), 1);
        QCOMPARE(m_fakes->messageBoxes->asked[0].caption + u'|' +
                     m_fakes->messageBoxes->asked[0].text,
                 u"Ajuda do Windows|Aquivo de ajuda Notavex.chm não encontrado. Instale o "
                 u"Notavex novamente"_qs);
        // The list and alarm dialogs' longer text; a folder of that name is no help file.
        QVERIFY(QDir().mkpath(AppPath + u"Notavex.chm"_qs));
        AbrirAjuda(u"alarme.htm"_qs, HelpMissing::Long);
        QCOMPARE(m_fakes->messageBoxes->asked.value(1).text,
                 u"Aquivo de ajuda Notavex.chm não encontrado.Verifique se o arquivo está mesmo no "
                 u"disco.\r\nSe ele não existir, você precisara reinstalá-lo."_qs);
        QVERIFY(QDir().rmdir(AppPath + u"Notavex.chm"_qs));
        QVERIFY(writeBytes(m_tmp->filePath(u"Notavex.chm"_qs), "ITSF\3"));
        const HelpViewer *viewer =
            HelpViewer::ShowTopic(m_tmp->filePath(u"Notavex.chm"_qs), u"notavex.htm"_qs);
        QCOMPARE(viewer->windowTitle() + u'|' + viewer->Pagina->toPlainText(),
                 u"Ajuda do Notavex|Ajuda do Notavex\nO arquivo de ajuda não pôde ser aberto."_qs);
    }

    void aboutBox()
    {
        FrmAbout box;
        box.show();
        QCOMPARE(box.Label8->text(), QStringLiteral(NOTAVEX_VERSION)); // major.minor.revision
        QTest::mouseClick(box.Label11, Qt::LeftButton);
        QTest::mouseClick(box.Label6, Qt::LeftButton);
        QCOMPARE(m_opened, (QStringList{u"https://notavex.example.org/faq"_qs,
                                        u"https://notavex.example.org/contato"_qs}));
    }

    // The fifteen texts under the Brazilian locale.
    void dateTexts()
    {
        const QDateTime when = m_fakes->clock->time;
        QCOMPARE(
            FrmInserir::Formatos(when, QLocale()),
            u"05/12/26|05/12/2026|05/dez/26|05/dez/2026|sábado, 5 de dezembro de 2026|05 "
            u"dezembro, 2026|dezembro 05, 2026|dezembro, 2026|dez/2026|05/12/26 - 09:07|"
            u"05/12/26 - 09:07:03|05/12/2026 - 09:07|05/12/2026 - 09:07:03|09:07|09:07:03"_qs.split(
                u'|'));
    }

    // The text as of opening replaces the selection and is remembered.
    void insertDate_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("offered");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<QString>("text"); // Ok, or a double click past 12
        QTest::newRow("remembered")
            << u"12"_qs << 12 << 12 << u"Reunião 05/12/2026 - 09:07:03 cedo"_qs;
        QTest::newRow("past the end") << u"15"_qs << 0 << 13 << u"Reunião 09:07 cedo"_qs;
    }
    void insertDate()
    {
        QFETCH(QString, stored);
        QFETCH(int, offered);
        QFETCH(int, chosen);
        QFETCH(QString, text);
        start("[Config]\r\nFormato=" + stored.toUtf8() + "\r\n");
        note()->txtNote->SetText(u"Reunião amanhã cedo"_qs);
        note()->txtNote->SetSelStart(8);
        note()->txtNote->SetSelLength(6);
        {
            FrmInserir d;
            QCOMPARE(d.Lsttime->currentRow(), offered);
            m_fakes->clock->time = m_fakes->clock->time.addSecs(120);
            d.Lsttime->setCurrentRow(chosen);
            if (chosen > 12)
                emit d.Lsttime->itemDoubleClicked(d.Lsttime->currentItem());
            else
                d.Command1->click();
        }
        QCOMPARE(note()->txtNote->Text(), text);
        QCOMPARE(ReadIni(u"Config"_qs, u"Formato"_qs, u"-"_qs, IndexFile()),
                 QString::number(chosen));
    }

    // What the options dialog shows of the stored default font, what OK stores, and when it says
    // that only new notes change. The font dialog answers Tahoma 12, italic, struck through, red.
    void options_data()
    {
        QTest::addColumn<QByteArray>("stored");  // Format section lines
        QTest::addColumn<QString>("actions");    // "font", "cancelled font", "random", "esc"
        QTest::addColumn<QString>("afterwards"); // stored keys | reopened: Label2 | colour | told
        const QString arial = u" | Arial Tamanho: 10   | #000000 | "_qs;
        // The stored default "9,75" is written as 10 even though the font dialog was cancelled.
        QTest::newRow("font dialog cancelled")
            << QByteArray() << u"cancelled font"_qs
            << u"0 Arial 10 False False False False False"_qs + arial + u'1';
        QTest::newRow("font chosen, random colours")
            << QByteArray() << u"font random"_qs
            << u"255 Tahoma 12 False True False True True | Tahoma Tamanho: 12   Italico  "
               u"Riscado  | #ff0000 | 1"_qs;
        QTest::newRow("unconvertible values are defaults")
            << QByteArray("FontSize=abc\r\nFontBold=sim\r\nFontItalic=TRUE\r\nSelColor=&HFF\r\n")
            << QString()
            << u"&HFF - abc sim TRUE - - False | Arial Tamanho: 10   Italico  | #ff0000 | 0"_qs;
        QTest::newRow("cancel after the font dialog")
            << QByteArray() << u"font random esc"_qs << u"- - - - - - - -"_qs + arial + u'0';
    }
    void options()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, actions);
        QFETCH(QString, afterwards);
        start("[Format]\r\n" + stored);
        SetFontDialogAnswer([actions](const FontRecord &, bool) {
            return actions.startsWith(u"cancelled")
                       ? std::nullopt
                       : std::optional(
                             FontRecord{u"Tahoma"_qs, 12, false, true, false, true, 255, {}});
        });
        {
            FrmOpc d;
            if (actions.contains(u"font"))
                d.Command3->click();
            if (actions.contains(u"random"))
                d.Option1[2]->click();
            (actions.endsWith(u"esc") ? d.Command2 : d.Command1)->click();
        }
        QStringList keys;
        for (const char16_t *k : {u"SelColor", u"FontName", u"FontSize", u"FontBold", u"FontItalic",
                                  u"FontUnderline", u"FontStrikethrough"})
            keys << ReadIni(u"Format"_qs, QString::fromUtf16(k), u"-"_qs, IndexFile());
        keys << ReadIni(u"Indice"_qs, u"Coloridos"_qs, u"-"_qs, IndexFile());
        FrmOpc again;
        const auto &told = m_fakes->messageBoxes->asked;
        QCOMPARE(keys.join(u' ') + u" | "_qs + again.Label2->text() + u" | "_qs +
                     again.Picture4->palette().color(QPalette::Window).name() + u" | "_qs +
                     QString::number(told.size()),
                 afterwards);
        for (const auto &m : told)
            QCOMPARE(m.text, u"As alterações terão efeito para as notas que forem criadas a partir "
                             u"de agora"_qs);
    }
};

QTEST_MAIN(tst_Dialogs)
#include "tst_dialogs.moc"
