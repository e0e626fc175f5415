#include "mock/FakeServices.h"

#include "note/frmNote.h"
#include "platform/Globals.h"
#include "platform/OpenForms.h"
#include "platform/ProfileString.h"
#include "shell/FrmPopup.h"
#include "store/Ini.h"
#include "store/NoteFiles.h"
#include "shell/NoteWindows.h"
#include "store/NoteStore.h"
#include "mock/TestFiles.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

using TestFiles::readBytes;
#define writeFile(path, data) QVERIFY(TestFiles::writeBytes(path, data))

// "name=caption" for every item of a menu, separators included.
QStringList items(const QMenu *menu)
{
    QStringList out;
    for (const QAction *a : menu->actions())
        out << a->objectName() + QLatin1Char('=') + (a->isSeparator() ? u"-"_qs : a->text());
    return out;
}

frmNote *noteAt(int index)
{
    return qobject_cast<frmNote *>(OpenForms::at(index));
}

} // namespace

class tst_TrayMenu : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir().mkpath(data()));
        m_fakes = std::make_unique<FakeServices>();
        TrayReady = false;
    }

    void cleanup()
    {
        if (m_popup)
            m_popup->shutDown();
        m_popup.reset();
        QCOMPARE(OpenForms::count(), 0);
        m_fakes.reset();
        m_tmp.reset();
    }

    void menus_haveTheirItemsInOrder()
    {
        startWith({});
        QCOMPARE(
            items(m_popup->menu).join(u'|'),
            u"mnuNew=Nova Nota|spr12=-|mnOpc=Opções|MnOrganizar=Organizar Notas|spr11=-|"
            "menExcluir=Excluir...|spr10=-|mnSN=Mostra Selecionadas...|mnuShowAll=Mostrar Todos|"
            "mnuHide=Ocutar Todos|spr1=-|mnuAjuda=Ajuda|menSobre=Sobre o Notavex...|mnuFechar=Sair"_qs);
        QCOMPARE(
            items(m_popup->menu2).join(u'|'),
            u"menAlarme=Alarme|menTítulo=Título...|mnOpc2=Opções|spp=-|menTop=Sempre Visível|"
            "menOcultar=Ocultar|spp2=-|menImprimir=Imprimir|spp3=-|menKill=Excluir|spr3=-|"
            "menPersonaliza=Cor|menFonte=Fonte...|spr4=-|menData=Inserir data e hora...|spr7=-|"
            "menSelecionar=Selecionar Tudo|menOpen=Carregar do Arquivo...|"
            "menSave=Salvar em Arquivo...|sssp=-|Mn_Ajuda=Ajuda"_qs);
        QCOMPARE(m_popup->menu->title(), u"Menu"_qs);
        QCOMPARE(m_popup->menu2->title(), u"Menu2"_qs);
    }

    void refresh_enablesFromVisibility_data()
    {
        QTest::addColumn<QStringList>("visivel");
        QTest::addColumn<bool>("showAll");
        QTest::addColumn<bool>("hideAll");
        QTest::newRow("no notes") << QStringList() << false << false;
        QTest::newRow("all visible") << QStringList({"True", "True"}) << false << true;
        QTest::newRow("all hidden") << QStringList({"False", "False"}) << true << false;
        QTest::newRow("mixed") << QStringList({"False", "True", "False"}) << true << true;
    }

    void refresh_enablesFromVisibility()
    {
        QFETCH(QStringList, visivel);
        QFETCH(bool, showAll);
        QFETCH(bool, hideAll);
        QList<std::tuple<int, QString, QString>> notes;
        for (int i = 0; i < visivel.size(); ++i)
            notes.append({i + 1, visivel.at(i), u"False"_qs});
        startWith(notes);

        m_popup->trayClick(QPoint(10, 10));
        QVERIFY(m_popup->menu->isVisible());
        QCOMPARE(m_popup->mnuShowAll->isEnabled(), showAll);
        QCOMPARE(m_popup->mnuHide->isEnabled(), hideAll);
        m_popup->menu->close();
    }

    void trayClick_ignoredUntilReady()
    {
        startWith({{1, u"True"_qs, u"False"_qs}});
        // While a dialog is open, or while notes load, TrayReady is false.
        TrayReady = false;
        m_popup->trayClick(QPoint(10, 10));
        QVERIFY(!m_popup->menu->isVisible());
        TrayReady = true;
        m_popup->trayClick(QPoint(10, 10));
        QVERIFY(m_popup->menu->isVisible());
        m_popup->menu->close();
    }

    void itemsWithoutCommand_stayDisabled()
    {
        startWith({{1, u"True"_qs, u"False"_qs}, {2, u"False"_qs, u"False"_qs}});
        m_popup->trayClick(QPoint(10, 10));
        m_popup->menu->close();
        // Their dialogs do not exist yet: nothing may look like it works and do nothing.
        for (QAction *a :
             {m_popup->mnOpc, m_popup->MnOrganizar, m_popup->menExcluir, m_popup->mnSN,
              m_popup->mnuAjuda, m_popup->menSobre, m_popup->menAlarme, m_popup->menTítulo,
              m_popup->mnOpc2, m_popup->menImprimir, m_popup->menPersonaliza, m_popup->menFonte,
              m_popup->menData, m_popup->menOpen, m_popup->menSave, m_popup->Mn_Ajuda})
            QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
        for (QAction *a :
             {m_popup->mnuNew, m_popup->mnuShowAll, m_popup->mnuHide, m_popup->mnuFechar,
              m_popup->menTop, m_popup->menOcultar, m_popup->menKill, m_popup->menSelecionar})
            QVERIFY2(a->isEnabled(), qPrintable(a->objectName()));
    }

    void newNote_getsNextNumberPlaceTitleAndSound()
    {
        startWith({{1, u"True"_qs, u"False"_qs}, {2, u"True"_qs, u"False"_qs}});
        writeFile(data() + u"indice.dat"_qs, ",1,2,4,\r\n");
        m_fakes->clock->setNow(QDateTime(QDate(2026, 12, 5), QTime(14, 30)));
        m_fakes->screen->size = QSize(1024, 768);
        m_fakes->random->queue({0.999, 0.5});

        trigger(m_popup->mnuNew);

        QCOMPARE(OpenForms::count(), 4);
        frmNote *w = noteAt(3);
        QCOMPARE(w->Tag(), u"3"_qs);
        QVERIFY(w->isVisible());
        QCOMPARE(w->txtTitle->text(), u"05/dez - 14:30"_qs);
        QVERIFY(w->Top() <= 11520 - 3500);
        QVERIFY(w->Top() >= 11520 - 3500 - 30);
        QCOMPARE(w->Left(), qRound((15360 - 3000) / 2 / 15.0) * 15);
        QCOMPARE(readBytes(ListFile()), QByteArray(",1,2,4,3,\r\n"));
        QCOMPARE(m_fakes->sound->played, QStringList({AppPath + u"novo.wav"_qs}));
    }

    void deleteCurrent_asksFirst_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("No keeps everything") << false;
        QTest::newRow("Yes deletes") << true;
    }

    void deleteCurrent_asksFirst()
    {
        QFETCH(bool, yes);
        startWith({{1, u"True"_qs, u"False"_qs}, {2, u"True"_qs, u"False"_qs}});
        QVERIFY(SaveNotes(0));
        const QByteArray cfgBefore = readBytes(IndexFile());
        CurrentNoteId = 2;
        CurrentFormIndex = qint16(FindNoteFormIndex(2));
        m_fakes->messageBoxes->setNextAnswer(yes ? MessageBoxes::AnswerYes
                                                 : MessageBoxes::AnswerNo);

        trigger(m_popup->menKill);

        QCOMPARE(m_fakes->messageBoxes->asked.size(), 1);
        const auto q = m_fakes->messageBoxes->asked.first();
        QCOMPARE(q.text, u"Deseja Excluir o Lembrete Atual?"_qs);
        QCOMPARE(q.buttons, MessageBoxes::YesNo);
        QCOMPARE(q.icon, MessageBoxes::Question);
        QCOMPARE(q.defaultAnswer, MessageBoxes::AnswerNo);
        QCOMPARE(q.caption, u"Notavex"_qs);
        if (yes) {
            QCOMPARE(FindNoteFormIndex(2), 0);
            QCOMPARE(readBytes(ListFile()), QByteArray(",1,\r\n"));
            QVERIFY(!QFile::exists(ContentFile(2)));
            QCOMPARE(m_fakes->sound->played, QStringList({AppPath + u"excluir.wav"_qs}));
        } else {
            QCOMPARE(FindNoteFormIndex(2), 2);
            QCOMPARE(readBytes(IndexFile()), cfgBefore);
            QVERIFY(QFile::exists(ContentFile(2)));
            QVERIFY(m_fakes->sound->played.isEmpty());
        }
    }

    void rightClickInText_opensNoteMenuWithPinMark_data()
    {
        QTest::addColumn<QString>("onTop");
        QTest::addColumn<bool>("checked");
        QTest::newRow("True") << "True" << true;
        QTest::newRow("False") << "False" << false;
    }

    void rightClickInText_opensNoteMenuWithPinMark()
    {
        QFETCH(QString, onTop);
        QFETCH(bool, checked);
        startWith({{1, u"True"_qs, u"False"_qs}, {8, u"True"_qs, onTop}});
        frmNote *w = noteAt(2);
        QTest::mouseClick(w->txtNote->viewport(), Qt::RightButton);
        QCOMPARE(CurrentNoteId, qint16(8));
        QCOMPARE(CurrentFormIndex, qint16(2));
        QVERIFY(m_popup->menu2->isVisible());
        QCOMPARE(m_popup->menTop->isChecked(), checked);
        m_popup->menu2->close();

        // "Sempre Visível" toggles the pin of that note.
        trigger(m_popup->menTop);
        QCOMPARE(ReadIni(u"8"_qs, u"OnTop"_qs, u"False"_qs, IndexFile()),
                 checked ? u"False"_qs : u"True"_qs);
    }

    void hideThenQuit_storesHidden()
    {
        startWith({{1, u"True"_qs, u"False"_qs}, {2, u"True"_qs, u"False"_qs}});
        CurrentNoteId = 1;
        CurrentFormIndex = 1;
        trigger(m_popup->menOcultar);
        QVERIFY(!noteAt(1)->isVisible());
        // Nothing is written until the next save.
        QCOMPARE(ReadIni(u"1"_qs, u"Visivel"_qs, QString(), IndexFile()), u"True"_qs);
        trigger(m_popup->mnuFechar);
        QCOMPARE(ReadIni(u"1"_qs, u"Visivel"_qs, QString(), IndexFile()), u"False"_qs);
        QCOMPARE(ReadIni(u"2"_qs, u"Visivel"_qs, QString(), IndexFile()), u"True"_qs);
    }

    void showAllAndHideAll()
    {
        startWith({{1, u"False"_qs, u"False"_qs}, {2, u"True"_qs, u"False"_qs}});
        trigger(m_popup->mnuShowAll);
        QVERIFY(noteAt(1)->isVisible() && noteAt(2)->isVisible());
        trigger(m_popup->mnuHide);
        QVERIFY(!noteAt(1)->isVisible() && !noteAt(2)->isVisible());
    }

private:
    // Starts the program on a data folder holding the given notes (id, Visivel, OnTop).

    void startWith(const QList<std::tuple<int, QString, QString>> &notes)
    {
        QByteArray cfg = "[Indice]\r\nTotalForms=" + QByteArray::number(notes.size()) + "\r\n";
        QByteArray list = ",";
        for (const auto &[id, visivel, onTop] : notes) {
            cfg += "[" + QByteArray::number(id) + "]\r\nVisivel=" + visivel.toLatin1() +
                   "\r\nOnTop=" + onTop.toLatin1() + "\r\nTop=1500\r\nLeft=1500\r\n";
            list += QByteArray::number(id) + ",";
        }
        writeFile(data() + u"Indice.cfg"_qs, cfg);
        writeFile(data() + u"indice.dat"_qs, list + "\r\n");
        m_popup = std::make_unique<FrmPopup>();
        QVERIFY(m_popup->startUp(docs(), m_tmp->path() + u"/app/"_qs, u"ana"_qs));
        QVERIFY(TrayReady);
    }

    QString docs() const { return m_tmp->path() + u"/Documents"_qs; }
    QString data() const { return docs() + u"/Notavex/"_qs; }
    void trigger(QAction *item)
    {
        QVERIFY(item->isEnabled());
        item->trigger();
        QCoreApplication::processEvents(); // the commands are queued
    }

    std::unique_ptr<QTemporaryDir> m_tmp;
    std::unique_ptr<FakeServices> m_fakes;
    std::unique_ptr<FrmPopup> m_popup;
};

QTEST_MAIN(tst_TrayMenu)
#include "tst_traymenu.moc"
