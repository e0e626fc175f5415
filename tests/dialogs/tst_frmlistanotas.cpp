#include "mock/FakeServices.h"
#include "mock/TestFiles.h"
#include "mock/Warnings.h"
#include "mock/WhenModal.h"

#include "dialogs/FrmExcluir.h"
#include "dialogs/FrmMostrar.h"
#include "dialogs/ModAjuda.h"
#include "note/frmNote.h"
#include "platform/Globals.h"
#include "platform/OpenForms.h"
#include "platform/TopMost.h"
#include "shell/FrmPopup.h"
#include "shell/NoteWindows.h"
#include "shell/SingleInstance.h"
#include "store/Ini.h"
#include "store/NoteFiles.h"

#include <QAction>
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace TestFiles;

namespace {

// The Tags of the windows in the order they are closed.
struct CloseOrder : QObject
{
    QStringList tags;
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Close)
            tags << o->property("Tag").toString();
        return false;
    }
};

} // namespace

// The tray menu's commands on all notes, on notes 1 "A" (visible), 2 "  B b" (hidden), 3 "C"
// (visible) and 4 "   " (visible), saved: "Organizar Notas", " Mostrar Notas", " Excluir Notas...".
class tst_FrmListaNotas : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_tmp;
    std::optional<FakeServices> m_fakes;
    std::unique_ptr<FrmPopup> m_popup;
    QStringList m_help;
    QString m_list; // the dialog's caption and entries, "+" after a marked one

    // Each note window: its Tag, "-" when hidden; with its place when asked.
    static QString notes(bool places = false)
    {
        QStringList seen;
        for (int i = 1; i < OpenForms::count(); ++i) {
            const QWidget *w = OpenForms::at(i);
            seen << w->property("Tag").toString() + (w->isVisible() ? u""_qs : u"-"_qs) +
                        (places ? u"@%1,%2"_qs.arg(w->x()).arg(w->y()) : QString());
        }
        return seen.join(u' ');
    }

    // Opens a dialog from the tray menu, changes the marks ("-A +B"), answers the next question
    // and clicks a button; whether the dialog was still open after it (it is then cancelled).
    bool run(QAction *item, const QString &marks, bool yes, const QString &button)
    {
        bool open = false;
        m_list.clear();
        WhenModal(this, [&](QWidget *w) {
            auto *d = qobject_cast<FrmListaNotas *>(w);
            if (!d)
                return w->close(), void();
            m_list = d->windowTitle() + (!TrayReady && IsWindowTopmost(d) ? u"|"_qs : u"!"_qs);
            for (int e = 0; e < d->ListCount(); ++e)
                m_list += d->List1->item(e)->text() + (d->Selected(e) ? u"+|"_qs : u"|"_qs);
            for (const QString &m : marks.split(u' ', Qt::SkipEmptyParts))
                d->SetSelected(m[1].unicode() - u'A', m[0] == u'+');
            m_fakes->messageBoxes->setNextAnswer(yes ? MessageBoxes::AnswerYes
                                                     : MessageBoxes::AnswerNo);
            if (button == u"frame")
                d->close();
            else
                d->findChild<QPushButton *>(button)->click();
            if ((open = d->isVisible()))
                d->findChild<QPushButton *>(u"Command3"_qs)->click();
        });
        item->trigger();
        QCoreApplication::processEvents();
        return open;
    }

private slots:
    void init()
    {
        FailOnUnexpectedWarnings();
        m_tmp = std::make_unique<QTemporaryDir>();
        ResetProgramState();
        m_fakes.emplace();
        const QString data = m_tmp->path() + u"/docs/Notavex/"_qs;
        QVERIFY(QDir().mkpath(data) && QDir().mkpath(m_tmp->path() + u"/app"_qs));
        QVERIFY(writeBytes(m_tmp->path() + u"/app/Notavex.chm"_qs, "help"));
        QVERIFY(writeBytes(data + u"Indice.cfg"_qs,
                           "[Indice]\r\nTotalForms=4\r\n[2]\r\nVisivel=False\r\n"));
        QVERIFY(writeBytes(data + u"indice.dat"_qs, ",1,2,3,4,\r\n"));
        m_popup = std::make_unique<FrmPopup>();
        QVERIFY(
            m_popup->startUp(m_tmp->path() + u"/docs"_qs, m_tmp->path() + u"/app/"_qs, u"ana"_qs));
        const QStringList titles{u"A"_qs, u"  B b"_qs, u"C"_qs, u"   "_qs};
        for (int i = 1; i <= 4; ++i)
            qobject_cast<frmNote *>(OpenForms::at(i))->txtTitle->setText(titles[i - 1]);
        QVERIFY(SaveNotes(0));
        SetHelpViewer([this](const QString &, const QString &topic) { m_help << topic; });
    }

    void cleanup()
    {
        SetHelpViewer(nullptr);
        FrmExcluir::SetFileRemover(nullptr);
        // Not shut down: that would end every later dialog's event loop at once.
        while (OpenForms::count() > 1)
            delete OpenForms::at(OpenForms::count() - 1);
        m_popup.reset();
        m_help.clear();
    }

    // Windows of 2730 x 2970 twips on a work area of 1024 x 738 pixels: the visible ones from
    // 12630 twips down (2972, 5943), then the hidden one, which opens the next column at 9899
    // and stays hidden. Nothing is written.
    void organizar_visibleFirstThenHidden()
    {
        const QByteArray cfg = readBytes(IndexFile());
        m_popup->MnOrganizar->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(notes(true), u"1@842,0 2-@660,0 3@842,198 4@842,396"_qs);
        QCOMPARE(m_popup->LastPlaced, 2);
        QCOMPARE(readBytes(IndexFile()), cfg);
    }

    // Marks changed, then a button: the notes' visibility after it. Nothing is written.
    void mostrar_data()
    {
        QTest::addColumn<QString>("marks");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("after");
        QTest::newRow("show the marked") << u"-A +B"_qs << u"Command1"_qs << u"1- 2 3 4"_qs;
        QTest::newRow("show all") << u"-A"_qs << u"Command2"_qs << u"1 2 3 4"_qs;
        QTest::newRow("hide all") << u"+B"_qs << u"Command5"_qs << u"1- 2- 3- 4-"_qs;
        QTest::newRow("cancel") << u"-A +B"_qs << u"Command3"_qs << u"1 2- 3 4"_qs;
        QTest::newRow("frame") << u"-A +B"_qs << u"frame"_qs << u"1 2- 3 4"_qs;
        QTest::newRow("help stays open") << u"-A"_qs << u"Command4"_qs << u"1 2- 3 4"_qs;
    }

    void mostrar()
    {
        QFETCH(QString, marks);
        QFETCH(QString, button);
        QFETCH(QString, after);
        const QByteArray cfg = readBytes(IndexFile());
        QCOMPARE(run(m_popup->mnSN, marks, true, button), button == u"Command4");
        QCOMPARE(m_list, u" Mostrar Notas|A+|  B b|C+|[Em Branco]+|"_qs);
        QCOMPARE(notes(), after);
        QCOMPARE(m_help, QStringList(button == u"Command4" ? 1 : 0, u"mostrar.htm"_qs));
        QVERIFY(TrayReady && readBytes(IndexFile()) == cfg);
    }

    // Marked notes go from the last to the first, with their files and list entries.
    void excluir_data()
    {
        QTest::addColumn<QString>("marks");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("after"); // the notes left, and their files
        QTest::newRow("B and C") << u"+B +C"_qs << true << u"Command1"_qs << u"1 4"_qs;
        QTest::newRow("none marked") << u""_qs << true << u"Command1"_qs << u"1 2- 3 4"_qs;
        QTest::newRow("no") << u"+B +C"_qs << false << u"Command1"_qs << u"1 2- 3 4"_qs;
        QTest::newRow("cancel") << u"+B +C"_qs << true << u"Command3"_qs << u"1 2- 3 4"_qs;
        QTest::newRow("frame") << u"+B +C"_qs << true << u"frame"_qs << u"1 2- 3 4"_qs;
        QTest::newRow("help") << u"+B +C"_qs << true << u"Command4"_qs << u"1 2- 3 4"_qs;
    }

    void excluir()
    {
        QFETCH(QString, marks);
        QFETCH(bool, yes);
        QFETCH(QString, button);
        QFETCH(QString, after);
        CloseOrder closed;
        for (int i = 1; i <= 4; ++i)
            OpenForms::at(i)->installEventFilter(&closed);
        const bool open = run(m_popup->menExcluir, marks, yes, button);
        QCOMPARE(open, button == u"Command4" || !yes);
        QCOMPARE(m_list, u" Excluir Notas...|A|  B b|C|[Em Branco]|"_qs);
        QCOMPARE(notes(), after);
        QCOMPARE(closed.tags.join(u' '), after == u"1 4" ? u"3 2"_qs : u""_qs);
        QStringList files;
        for (int id = 1; id <= 4; ++id)
            files << (QFile::exists(ContentFile(id)) ? QString::number(id) : u"-"_qs);
        QCOMPARE(files.join(u' '), after == u"1 4" ? u"1 - - 4"_qs : u"1 2 3 4"_qs);
        QCOMPARE(ReadListLine(), after == u"1 4" ? u",4,1,"_qs : u",4,3,2,1,"_qs);
        QCOMPARE(ReadIni(u"Indice"_qs, u"TotalForms"_qs, QString(), IndexFile()),
                 QString::number(OpenForms::count() - 1));
        QCOMPARE(m_help, QStringList(button == u"Command4" ? 1 : 0, u"excluir_notas.htm"_qs));
        const auto &asked = m_fakes->messageBoxes->asked;
        QCOMPARE(asked.size(), button == u"Command1" ? 1 : 0);
        QVERIFY(asked.isEmpty() || (asked[0].text == u"Deseja realmente excluir as notas "
                                                     u"selecionadas?" &&
                                    asked[0].icon == MessageBoxes::NoIcon));
    }

    // "Excluir &TODAS" beside a foreign file, a link to a file and one to a folder outside, a
    // subfolder and the running copy's lock and socket; "stuck" cannot be deleted. The notes close
    // unsaved, plain files go (a link as a link), a file that resists is tried once and named
    // once, the copy stays the only one, and the next note is number 1.
    void todas_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("stuck");
        QTest::addColumn<QString>("left");
        const QString kept = u".notavex.lock .notavex.sock fotos pasta"_qs;
        QTest::newRow("no") << false << u""_qs
                            << kept + u" Indice.cfg atalho.txt indice.dat leia-me.txt notavex1.arl "
                                      u"notavex2.arl notavex3.arl notavex4.arl"_qs;
        QTest::newRow("every file goes") << true << u""_qs << kept;
        QTest::newRow("a file resists") << true << u"leia-me.txt"_qs << kept + u" leia-me.txt"_qs;
        QTest::newRow("the list resists") << true << u"indice.dat"_qs << kept + u" indice.dat"_qs;
    }

    void todas()
    {
        QFETCH(bool, yes);
        QFETCH(QString, stuck);
        QFETCH(QString, left);
        const QString data = DataPath, outside = m_tmp->path() + u"/fora"_qs;
        QVERIFY(writeBytes(data + u"leia-me.txt"_qs, "do usuário") && writeBytes(outside, "fora"));
        QVERIFY(QFile::link(outside, data + u"atalho.txt"_qs));
        QVERIFY(QDir().mkpath(outside + u"dir"_qs) &&
                QFile::link(outside + u"dir"_qs, data + u"pasta"_qs));
        QVERIFY(QDir().mkpath(data + u"fotos"_qs) && writeBytes(data + u"fotos/f.jpg"_qs, "jpg"));
        QStringList tried;
        FrmExcluir::SetFileRemover([&](const QString &path) {
            tried << QFileInfo(path).fileName();
            return tried.last() != stuck && QFile::remove(path);
        });
        QCOMPARE(run(m_popup->menExcluir, u""_qs, yes, u"Command2"_qs), !yes);
        QCOMPARE(notes(), yes ? u""_qs : u"1 2- 3 4"_qs);
        QStringList entries = QDir(data).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                                   QDir::NoDotAndDotDot);
        QStringList expected = left.split(u' ');
        entries.sort(Qt::CaseInsensitive);
        expected.sort(Qt::CaseInsensitive);
        QCOMPARE(entries, expected);
        QVERIFY(readBytes(outside) == "fora" && readBytes(data + u"fotos/f.jpg"_qs) == "jpg");
        QCOMPARE(tried.removeDuplicates(), 0);
        SingleInstance other(data);
        QVERIFY(!other.acquire());
        const auto &asked = m_fakes->messageBoxes->asked;
        QCOMPARE(asked.value(0).text, u"Deseja realmente excluir 'TODAS' as notas?"_qs);
        QCOMPARE(asked.size(), stuck.isEmpty() ? 1 : 2);
        QVERIFY(stuck.isEmpty() || (asked[1].icon == MessageBoxes::Warning &&
                                    asked[1].text.startsWith(u"Não foi possível excluir") &&
                                    asked[1].text.contains(u'\n' + stuck + u'\n')));
        if (!yes)
            return;
        m_popup->mnuNew->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(notes() + ReadListLine(), u"1,1,"_qs);
    }
};

QTEST_MAIN(tst_FrmListaNotas)
#include "tst_frmlistanotas.moc"
