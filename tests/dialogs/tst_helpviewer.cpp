#include "mock/TestFiles.h"
#include "mock/Warnings.h"

#include "dialogs/ChmFile.h"
#include "dialogs/HelpViewer.h"

#include <QPixmap>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QToolButton>

#include <chm_lib.h>

using namespace TestFiles;

namespace {

const QString BuiltHelp = QStringLiteral(NOTAVEX_BUILD_DIR "/Notavex.chm");
const QStringList Topics{u"notavex.htm"_qs, u"opcoes.htm"_qs, u"mostrar.htm"_qs,
                         u"excluir_notas.htm"_qs, u"alarme.htm"_qs};

// The file entries of a help file, as chmlib itself lists them.
QStringList entries(const QString &path)
{
    QStringList names;
    chmFile *h = chm_open(QFile::encodeName(path).constData());
    if (!h)
        return names;
    chm_enumerate(
        h, CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_FILES,
        [](chmFile *, chmUnitInfo *ui, void *names) {
            static_cast<QStringList *>(names)->append(QString::fromUtf8(ui->path).mid(1));
            return CHM_ENUMERATOR_CONTINUE;
        },
        &names);
    chm_close(h);
    return names;
}

// The values of one attribute in a page, fragments cut off; web and in-page links left out.
QStringList targets(const QByteArray &page, const QString &attribute)
{
    QStringList found;
    const QRegularExpression re(attribute + u"=\"([^\"#]+)[^\"]*\""_qs);
    for (const auto &m : re.globalMatch(QString::fromUtf8(page)))
        if (!m.captured(1).contains(u':'))
            found << m.captured(1);
    found.removeDuplicates();
    return found;
}

// Clicks the first link of the page that goes to href.
bool clickLink(QTextBrowser *page, const QString &href)
{
    for (QTextBlock b = page->document()->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (f.charFormat().anchorHref() != href)
                continue;
            QTextCursor c(page->document());
            c.setPosition(f.position() + f.length() / 2);
            page->setTextCursor(c);
            page->ensureCursorVisible();
            const QPoint at = page->cursorRect(c).center();
            QTest::mouseClick(page->viewport(), Qt::LeftButton, {}, at);
            return true;
        }
    }
    return false;
}

} // namespace

// The help file as built, and the program's help window on it.
class tst_HelpViewer : public QObject
{
    Q_OBJECT

private slots:
    void init() { FailOnUnexpectedWarnings(); }
    void cleanup() { delete HelpViewer::Current(); }

    void helpFile_eachTopicLinksTheOthersAndHoldsItsPictures_data()
    {
        QTest::addColumn<QString>("topic");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("pictures"); // at least these
        QTest::newRow("main") << u"notavex.htm"_qs << u"O Notavex"_qs
                              << QStringList{
                                     u"imagens/notavex.png"_qs,  u"capturas/nota.png"_qs,
                                     u"imagens/alfinete.png"_qs, u"imagens/alfinete_preso.png"_qs,
                                     u"imagens/ocultar.png"_qs,  u"capturas/menu_nota.png"_qs};
        QTest::newRow("options") << u"opcoes.htm"_qs << u"Opções"_qs
                                 << QStringList{u"imagens/nota.png"_qs};
        QTest::newRow("show") << u"mostrar.htm"_qs << u"Mostrar notas"_qs << QStringList();
        QTest::newRow("delete") << u"excluir_notas.htm"_qs << u"Excluir notas"_qs << QStringList();
        QTest::newRow("alarm") << u"alarme.htm"_qs << u"Alarme"_qs
                               << QStringList{u"capturas/alarme.png"_qs};
    }
    void helpFile_eachTopicLinksTheOthersAndHoldsItsPictures()
    {
        QFETCH(QString, topic);
        QFETCH(QString, title);
        QFETCH(QStringList, pictures);
        const QStringList names = entries(BuiltHelp);
        QVERIFY2(names.contains(topic), qPrintable(names.join(u' ')));
        const std::optional<QByteArray> page = ChmFile(BuiltHelp).read(topic);
        QVERIFY(page);
        QVERIFY(page->contains("<title>" + title.toUtf8() + "</title>"));

        const QStringList links = targets(*page, u"href"_qs);
        for (const QString &link : links)
            QVERIFY2(names.contains(link), qPrintable(link));
        for (const QString &other : Topics)
            QVERIFY2(other == topic || links.contains(other), qPrintable(other));

        const QStringList shown = targets(*page, u"src"_qs);
        for (const QString &picture : pictures)
            QVERIFY2(shown.contains(picture), qPrintable(picture));
        for (const QString &picture : shown) {
            const std::optional<QByteArray> bytes = ChmFile(BuiltHelp).read(picture);
            QVERIFY2(bytes && !QImage::fromData(*bytes).isNull(), qPrintable(picture));
        }
    }

    void viewer_showsTopicWithPicturesAndFollowsLinks_data()
    {
        QTest::addColumn<QString>("topic");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("linkedTitle");
        QTest::newRow("main") << u"notavex.htm"_qs << u"O Notavex"_qs << u"alarme.htm"_qs
                              << u"Alarme"_qs;
        QTest::newRow("options") << u"opcoes.htm"_qs << u"Opções"_qs << u"notavex.htm#menunota"_qs
                                 << u"O Notavex"_qs;
        QTest::newRow("show") << u"mostrar.htm"_qs << u"Mostrar notas"_qs << u"excluir_notas.htm"_qs
                              << u"Excluir notas"_qs;
        QTest::newRow("delete") << u"excluir_notas.htm"_qs << u"Excluir notas"_qs
                                << u"mostrar.htm"_qs << u"Mostrar notas"_qs;
        QTest::newRow("alarm") << u"alarme.htm"_qs << u"Alarme"_qs << u"opcoes.htm"_qs
                               << u"Opções"_qs;
    }
    void viewer_showsTopicWithPicturesAndFollowsLinks()
    {
        QFETCH(QString, topic);
        QFETCH(QString, title);
        QFETCH(QString, link);
        QFETCH(QString, linkedTitle);
        HelpViewer *viewer = HelpViewer::ShowTopic(BuiltHelp, topic);
        QVERIFY(viewer->isVisible());
        QCOMPARE(viewer->windowTitle(), title);
        // Every picture of the page comes out of the help file.
        QTextDocument *doc = viewer->Pagina->document();
        for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
            for (auto it = b.begin(); !it.atEnd(); ++it)
                if (const QTextImageFormat image = it.fragment().charFormat().toImageFormat();
                    image.isValid()) {
                    // Bytes as loaded, or the picture made of them once laid out.
                    const QVariant r = doc->resource(QTextDocument::ImageResource, image.name());
                    const QImage picture = r.userType() == QMetaType::QPixmap
                                               ? r.value<QPixmap>().toImage()
                                               : QImage::fromData(r.toByteArray());
                    QVERIFY2(!picture.isNull(), qPrintable(image.name()));
                }

        QVERIFY(clickLink(viewer->Pagina, link));
        QCOMPARE(viewer->windowTitle(), linkedTitle);
        QVERIFY(viewer->cmdVoltar->isEnabled() && !viewer->cmdAvancar->isEnabled());
        viewer->cmdVoltar->click();
        QCOMPARE(viewer->windowTitle(), title);
        QVERIFY(viewer->cmdAvancar->isEnabled());
        viewer->cmdAvancar->click();
        QCOMPARE(viewer->windowTitle(), linkedTitle);
    }

    // One window for every topic; a topic or file that is not there gets a page saying so.
    void viewer_reusedAndSaysWhatIsMissing_data()
    {
        QTest::addColumn<QByteArray>("file"); // "built", or these bytes
        QTest::addColumn<QString>("topic");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("topic") << QByteArray("built") << u"alarme.htm"_qs << u"Alarme"_qs
                               << u"Usar Alarme"_qs;
        QTest::newRow("no such topic")
            << QByteArray("built") << u"nada.htm"_qs << u"Página não encontrada"_qs
            << u"A página nada.htm não existe no arquivo de ajuda."_qs;
        QTest::newRow("climbing out") << QByteArray("built") << u"../Notavex.chm"_qs
                                      << u"Página não encontrada"_qs << u"não existe"_qs;
        QTest::newRow("damaged file")
            << QByteArray("ITSF\3\0\0\0") << u"notavex.htm"_qs << u"Ajuda do Notavex"_qs
            << u"O arquivo de ajuda não pôde ser aberto."_qs;
    }
    void viewer_reusedAndSaysWhatIsMissing()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, topic);
        QFETCH(QString, title);
        QFETCH(QString, text);
        QTemporaryDir tmp;
        QString path = BuiltHelp;
        if (file != "built") {
            path = tmp.filePath(u"Notavex.chm"_qs);
            QVERIFY(writeBytes(path, file));
        }
        HelpViewer *first = HelpViewer::ShowTopic(BuiltHelp, u"opcoes.htm"_qs);
        QCOMPARE(HelpViewer::ShowTopic(path, topic), first);
        QCOMPARE(first->windowTitle(), title);
        QVERIFY2(first->Pagina->toPlainText().contains(text),
                 qPrintable(first->Pagina->toPlainText()));
    }
};

QTEST_MAIN(tst_HelpViewer)
#include "tst_helpviewer.moc"
