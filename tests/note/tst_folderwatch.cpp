#include "mock/FakeServices.h"
#include "mock/TestFiles.h"
#include "mock/Warnings.h"

#include "base/Globals.h"
#include "note/FolderWatch.h"
#include "note/NoteWindows.h"
#include "note/OpenForms.h"
#include "note/frmNote.h"
#include "store/NoteFiles.h"
#include "store/NoteStore.h"

#include <QDir>
#include <QTemporaryDir>

using namespace TestFiles;

namespace {

const QByteArray startingIndex = "[Indice]\r\nTotalForms=2\r\n"
                                 "[1]\r\nTitulo=Um\r\nTop=1500\r\nLeft=1500\r\n"
                                 "[2]\r\nTitulo=Dois\r\nTop=3000\r\nLeft=3000\r\n";

frmNote *note(int id)
{
    return qobject_cast<frmNote *>(OpenForms::at(FindNoteFormIndex(id)));
}

// Every open note as "id:title:text", in number order.
QString notes()
{
    QList<int> ids = OpenNoteIds();
    std::sort(ids.begin(), ids.end());
    QStringList out;
    for (const int id : ids)
        out << u"%1:%2:%3"_qs.arg(id).arg(note(id)->txtTitle->text(),
                                          note(id)->txtNote->toPlainText());
    return out.join(u" | "_qs);
}

// Replaces a file the way synchronisation tools do: a new file renamed over the old one.
bool replaceFile(const QString &path, const QByteArray &bytes)
{
    const QString temporary = path + u".tmp"_qs;
    QFile::remove(temporary);
    return writeBytes(temporary, bytes) && ::rename(QFile::encodeName(temporary).constData(),
                                                    QFile::encodeName(path).constData()) == 0;
}

} // namespace

// Other programs write into the data folder while notes are open.
class tst_FolderWatch : public QObject
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
        ResetProgramState(m_dir->path());
        m_fakes.emplace();
        QVERIFY(writeBytes(IndexFile(), startingIndex) && WriteListLine(u",1,2,"_qs) &&
                writeBytes(ContentFile(1), "{\\rtf1 primeira}") &&
                writeBytes(ContentFile(2), "{\\rtf1 segunda}"));
        LoadNotes();
        QCOMPARE(notes(), u"1:Um:primeira | 2:Dois:segunda"_qs);
    }

    void cleanup()
    {
        while (OpenForms::count() > 1)
            delete OpenForms::at(OpenForms::count() - 1);
    }

    void outsideChanges_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("shown"); // the open notes afterwards
        QTest::newRow("text rewritten") << u"rewrite"_qs << u"1:Um:de fora | 2:Dois:segunda"_qs;
        QTest::newRow("text rewritten while the user types: both kept")
            << u"type rewrite"_qs
            << u"1:Um:digitado primeira | 2:Dois:segunda | 3:Um (conflito):de fora"_qs;
        QTest::newRow("the user saves before the change is seen: both kept")
            << u"type rewrite save"_qs
            << u"1:Um:digitado primeira | 2:Dois:segunda | 3:Um (conflito):de fora"_qs;
        QTest::newRow("the program's own save")
            << u"type save"_qs << u"1:Um:digitado primeira | 2:Dois:segunda"_qs;
        QTest::newRow("file deleted: the note stays")
            << u"delete"_qs << u"1:Um:primeira | 2:Dois:segunda"_qs;
        QTest::newRow("note added")
            << u"add"_qs << u"1:Um:primeira | 2:Dois:segunda | 7:Sete:nova"_qs;
        QTest::newRow("title changed") << u"title"_qs << u"1:Um:primeira | 2:Outro:segunda"_qs;
        QTest::newRow("a deleted note put back from the Trash")
            << u"trash restore"_qs << u"1::primeira | 2:Dois:segunda"_qs;
        QTest::newRow("conflict copy of a synchronisation")
            << u"conflict"_qs << u"1:Um:primeira | 2:Dois:segunda | 3:Dois (conflito):de la"_qs;
    }

    void outsideChanges()
    {
        QFETCH(QString, action);
        QFETCH(QString, shown);
        const QStringList steps = action.split(u' ');
        for (const QString &step : steps) {
            if (step == u"type") {
                note(1)->txtNote->moveCursor(QTextCursor::Start);
                note(1)->txtNote->insertPlainText(u"digitado "_qs);
            } else if (step == u"rewrite") {
                QVERIFY(replaceFile(ContentFile(1), "{\\rtf1 de fora}"));
            } else if (step == u"save") {
                QVERIFY(SaveNotes(1));
            } else if (step == u"delete") {
                QVERIFY(QFile::remove(ContentFile(1)));
            } else if (step == u"add") {
                QVERIFY(writeBytes(DataPath + u"notavex7.arl"_qs, "{\\rtf1 nova}"));
                QVERIFY(replaceFile(IndexFile(), startingIndex + "[7]\r\nTitulo=Sete\r\n"));
            } else if (step == u"title") {
                QVERIFY(
                    replaceFile(IndexFile(), QByteArray(startingIndex).replace("Dois", "Outro")));
            } else if (step == u"trash") {
                DeleteNote(1, qint16(FindNoteFormIndex(1)));
                QVERIFY(!QFile::exists(ContentFile(1)));
            } else if (step == u"restore") { // as a file manager does it
                QVERIFY(
                    QFile::rename(m_fakes->trash() + u"/files/notavex1.arl"_qs, ContentFile(1)));
            } else if (step == u"conflict") {
                QVERIFY(
                    writeBytes(DataPath + u"notavex2.sync-conflict-20261207-101010-ABCDEFG.arl"_qs,
                               "{\\rtf1 de la}"));
            }
        }
        CheckDataFolder();
        QCOMPARE(notes(), shown);
        // Shown, and kept a note from now on whatever is saved next.
        if (steps.contains(u"restore"))
            QVERIFY(note(1)->isVisible() && !DeletedSection(1));
        // Its own writes are not taken for another program's: the note is not loaded again.
        if (action == u"type save")
            QVERIFY(note(1)->txtNote->document()->isUndoAvailable());
        // What the user has is on disk after a save, and nothing another program wrote is lost.
        QVERIFY(SaveNotes(0));
        if (action == u"delete")
            QVERIFY(readBytes(ContentFile(1)).contains("primeira"));
        if (steps.contains(u"rewrite") && steps.contains(u"type"))
            QVERIFY(readBytes(ContentFile(3)).contains("de fora"));
        CheckDataFolder();
        QCOMPARE(notes(), shown);
    }

    // Without being asked, a change is taken in within moments, whether the file is written in
    // place or replaced.
    void changesArriveByThemselves()
    {
        QVERIFY(writeBytes(ContentFile(1), "{\\rtf1 no lugar}"));
        QTRY_COMPARE_WITH_TIMEOUT(note(1)->txtNote->toPlainText(), u"no lugar"_qs, 2000);
        QVERIFY(replaceFile(ContentFile(2), "{\\rtf1 trocado}"));
        QTRY_COMPARE_WITH_TIMEOUT(note(2)->txtNote->toPlainText(), u"trocado"_qs, 2000);
        QVERIFY(writeBytes(ContentFile(1), "{\\rtf1 de novo}"));
        QTRY_COMPARE_WITH_TIMEOUT(note(1)->txtNote->toPlainText(), u"de novo"_qs, 2000);
    }
};

QTEST_MAIN(tst_FolderWatch)
#include "tst_folderwatch.moc"
