#include "mock/FakeServices.h"
#include "mock/TestFiles.h"
#include "mock/Warnings.h"
#include "mock/WhenModal.h"

#include "base/Globals.h"
#include "dialogs/FrmExcluir.h"
#include "dialogs/NotePlacement.h"
#include "note/NoteWindows.h"
#include "note/OpenForms.h"
#include "note/TopMost.h"
#include "note/frmNote.h"
#include "shell/FrmPopup.h"
#include "shell/SingleInstance.h"
#include "store/NoteFiles.h"

#include <QAction>
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace TestFiles;

// The tray menu's commands on all notes, on notes 1 "A" (visible), 2 "  B b" (hidden), 3 "C"
// (visible) and 4 "   " (visible), saved: "Organizar Notas", " Mostrar Notas", " Excluir Notas...".
class tst_FrmListaNotas : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_tmp;
    std::optional<FakeServices> m_fakes;
    std::unique_ptr<FrmPopup> m_popup;
    QStringList m_closed; // Tags of the note windows closed, in order
    QString m_list;       // the dialog's caption and entries, "+" after a marked one

    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Close)
            m_closed << o->property("Tag").toString();
        return false;
    }

    // Each note window: its Tag, "-" when hidden, with its place when asked.
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

private slots:
    void init()
    {
        FailOnUnexpectedWarnings();
        m_tmp = std::make_unique<QTemporaryDir>();
        ResetProgramState();
        m_fakes.emplace();
        const QString data = m_tmp->path() + u"/docs/Notavex/"_qs;
        QVERIFY(QDir().mkpath(data) &&
                writeBytes(data + u"Indice.cfg"_qs,
                           "[Indice]\r\nTotalForms=4\r\n[2]\r\nVisivel=False\r\n") &&
                writeBytes(data + u"indice.dat"_qs, ",1,2,3,4,\r\n") &&
                writeBytes(data + u"leia-me.txt"_qs, "do usuário") &&
                writeBytes(m_tmp->filePath(u"fora"_qs), "fora") &&
                QFile::link(m_tmp->filePath(u"fora"_qs), data + u"atalho.txt"_qs));
        m_popup = std::make_unique<FrmPopup>();
        QVERIFY(m_popup->startUp(m_tmp->path() + u"/docs"_qs, m_tmp->path() + u'/', u"ana"_qs));
        const QStringList titles{u"A"_qs, u"  B b"_qs, u"C"_qs, u"   "_qs};
        for (int i = 1; i <= 4; ++i) {
            qobject_cast<frmNote *>(OpenForms::at(i))->txtTitle->setText(titles[i - 1]);
            OpenForms::at(i)->installEventFilter(this);
        }
        QVERIFY(SaveNotes(0));
    }

    void cleanup()
    {
        FrmExcluir::SetFileRemover(nullptr);
        // Not shut down: that would end every later dialog's event loop at once.
        while (OpenForms::count() > 1)
            delete OpenForms::at(OpenForms::count() - 1);
        m_popup.reset();
        m_closed.clear();
        m_list.clear();
    }

    // Windows "WxH" in twips placed one after the other on 1024 x 738 pixels, each "@left,top":
    // six notes, the sixth opening a column; one that ends on the bottom limit exactly.
    void nextPlace()
    {
        for (const QString &chain :
             {u"3000x2000@12360,1 3000x2000@12360,2002 3000x2000@12360,4003 3000x2000@12360,6004 "
              u"3000x2000@12360,8005 3000x2000@9359,1"_qs,
              u"3000x5000@12360,1 3000x6069@12360,5002"_qs}) {
            std::optional<TwipRect> at;
            QStringList got;
            for (const QString &w : chain.split(u' ')) {
                at = NextPlace(at, w.section(u'x', 0, 0).toLongLong(),
                               w.section(u'x', 1).section(u'@', 0, 0).toLongLong(),
                               LimitsOf({0, 0, 1024, 738}));
                got << u"%1x%2@%3,%4"_qs.arg(at->width).arg(at->height).arg(at->left).arg(at->top);
            }
            QCOMPARE(got.join(u' '), chain);
        }
    }

    // A tray menu command, with a dialog's marks changed, a question answered and button
    // CommandN clicked: the notes left ("-" hidden), the windows closed in order, the data files
    // deleted, the list, the questions asked, "=" when the index stayed as it was. Beside the
    // notes' files are a foreign file and a link to a file outside; "stuck" cannot be deleted.
    void menu_data()
    {
        QTest::addColumn<QString>("click"); // the menu command, the dialog's button, "stuck"
        QTest::addColumn<QString>("marks");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("after");
        const QString same = u"|||,4,3,2,1,|"_qs, all = u"atalho.txt Indice.cfg indice.dat "
                                                        u"leia-me.txt notavex1.arl notavex2.arl "
                                                        u"notavex3.arl notavex4.arl"_qs;
        // Windows of 182 x 198 pixels on 1024 x 738: the hidden one after the visible ones.
        QTest::newRow("arrange") << u"Organizar"_qs << u""_qs << true
                                 << u"1@842,0 2-@660,0 3@842,198 4@842,396"_qs + same + u"0="_qs;
        QTest::newRow("show marked")
            << u"Mostrar 1"_qs << u"-A +B"_qs << true << u"1- 2 3 4"_qs + same + u"0="_qs;
        QTest::newRow("delete B and C") << u"Excluir 1"_qs << u"+B +C"_qs << true
                                        << u"1 4|3 2|notavex2.arl notavex3.arl|,4,1,|1"_qs;
        QTest::newRow("delete all: no")
            << u"Excluir 2"_qs << u""_qs << false << u"1 2- 3 4"_qs + same + u"1="_qs;
        QTest::newRow("delete all")
            << u"Excluir 2"_qs << u""_qs << true << u"|4 3 2 1|"_qs + all + u"||1"_qs;
        QTest::newRow("delete all, the list resists")
            << u"Excluir 2 indice.dat"_qs << u""_qs << true
            << u"|4 3 2 1|"_qs + QString(all).remove(u"indice.dat "_qs) + u"|,|2"_qs;
    }

    void menu()
    {
        QFETCH(QString, click);
        QFETCH(QString, marks);
        QFETCH(bool, yes);
        const int button = click.section(u' ', 1, 1).toInt();
        const QString stuck = click.section(u' ', 2);
        const QString data = DataPath;
        const QByteArray cfg = readBytes(IndexFile());
        const auto files = [&] {
            return QDir(data).entryList(QDir::Files | QDir::Hidden | QDir::System);
        };
        const QStringList before = files();
        QStringList tried;
        FrmExcluir::SetFileRemover([&](const QString &path) {
            tried << QFileInfo(path).fileName();
            return tried.last() != stuck && QFile::remove(path);
        });
        bool open = false; // after the button; the dialog is then cancelled
        WhenModal(this, [&](QWidget *w) {
            auto *d = qobject_cast<FrmListaNotas *>(w);
            m_list = d->windowTitle() + (!TrayReady && IsWindowTopmost(d) ? u"|"_qs : u"!"_qs);
            for (int e = 0; e < d->ListCount(); ++e)
                m_list += d->List1->item(e)->text() + (d->Selected(e) ? u"+|"_qs : u"|"_qs);
            for (const QString &m : marks.split(u' ', Qt::SkipEmptyParts))
                d->SetSelected(m[1].unicode() - u'A', m[0] == u'+');
            m_fakes->messageBoxes->setNextAnswer(yes ? MessageBoxes::AnswerYes
                                                     : MessageBoxes::AnswerNo);
            d->findChild<QPushButton *>(u"Command%1"_qs.arg(button))->click();
            if ((open = d->isVisible()))
                d->findChild<QPushButton *>(u"Command3"_qs)->click();
        });
        (!button            ? m_popup->MnOrganizar
         : click[0] == u'E' ? m_popup->menExcluir
                            : m_popup->mnSN)
            ->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(open, !yes);
        QCOMPARE(m_list, !button            ? QString()
                         : click[0] == u'M' ? u" Mostrar Notas|A+|  B b|C+|[Em Branco]+|"_qs
                                            : u" Excluir Notas...|A|  B b|C|[Em Branco]|"_qs);
        QStringList gone = before;
        for (const QString &file : files())
            gone.removeOne(file);
        const auto &asked = m_fakes->messageBoxes->asked;
        QTEST(notes(!button) + u'|' + m_closed.join(u' ') + u'|' + gone.join(u' ') + u'|' +
                  ReadListLine() + u'|' + QString::number(asked.size()) +
                  (readBytes(IndexFile()) == cfg ? u"="_qs : QString()),
              "after");
        QVERIFY(readBytes(m_tmp->filePath(u"fora"_qs)) == "fora" && tried.removeDuplicates() == 0 &&
                TrayReady);
        QVERIFY(stuck.isEmpty() || asked.last().text.count(u'\n' + stuck + u'\n') == 1);
        QVERIFY(!SingleInstance(data).acquire());
        if (click.startsWith(u"Excluir 2") && yes) {
            m_popup->mnuNew->trigger();
            QCoreApplication::processEvents();
            QCOMPARE(notes() + ReadListLine(), u"1,1,"_qs);
        }
    }
};

QTEST_MAIN(tst_FrmListaNotas)
#include "tst_frmlistanotas.moc"
