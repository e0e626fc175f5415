#include "mock/FakeServices.h"
#include "mock/TestFiles.h"
#include "mock/Warnings.h"

#include "note/frmNote.h"
#include "platform/Globals.h"
#include "platform/OpenForms.h"
#include "shell/NoteWindows.h"
#include "store/Ini.h"
#include "store/NoteFiles.h"
#include "store/NoteStore.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <sys/inotify.h>
#include <unistd.h>

using namespace TestFiles;

namespace {

frmNote *note(int formIndex)
{
    return qobject_cast<frmNote *>(OpenForms::at(formIndex));
}

// The names of the files replaced in a folder (renamed onto), each once for every replacement.
class Replacements
{
public:
    explicit Replacements(const QString &folder) : m_fd(inotify_init1(IN_NONBLOCK))
    {
        inotify_add_watch(m_fd, QFile::encodeName(folder).constData(), IN_MOVED_TO);
    }
    ~Replacements() { close(m_fd); }
    QStringList names() const
    {
        QStringList names;
        alignas(inotify_event) char buf[1 << 16];
        for (ssize_t n; (n = read(m_fd, buf, sizeof buf)) > 0;) {
            for (char *p = buf; p < buf + n;) {
                const auto *event = reinterpret_cast<const inotify_event *>(p);
                names << QFile::decodeName(event->name);
                p += sizeof(inotify_event) + event->len;
            }
        }
        return names;
    }

private:
    int m_fd;
};

} // namespace

class tst_NoteWindows : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeServices> m_fakes;
    QWidget m_popup; // OpenForms index 0, never a note

private slots:
    void initTestCase() { OpenForms::add(&m_popup); }

    void init()
    {
        FailOnUnexpectedWarnings();
        m_dir = std::make_unique<QTemporaryDir>();
        ResetProgramState(m_dir->path());
        m_fakes = std::make_unique<FakeServices>();
    }

    void cleanup()
    {
        for (int i = OpenForms::count() - 1; i >= 1; --i)
            delete OpenForms::at(i);
    }

    // Windows come in the list's order, hidden ones never show, and a save lists the newest
    // window first: the list flips at every load and save, as stored files expect.
    void loadNotes_listOrderAndVisibility()
    {
        QVERIFY(writeBytes(IndexFile(), "[Indice]\r\nTotalForms=3\r\n[2]\r\nVisivel=False\r\n"
                                        "OnTop=True\r\n[1]\r\nOnTop=false\r\nTitulo=um\r\n"));
        QVERIFY(writeBytes(ListFile(), ",3,2,1,\r\n"));
        QVERIFY(writeBytes(ContentFile(1), "{\\rtf1\\ansi caf\\'e9}"));
        LoadNotes();
        QVERIFY(TrayReady);
        QCOMPARE(OpenForms::count(), 4);
        QCOMPARE(note(1)->Tag() + note(2)->Tag() + note(3)->Tag(), u"321"_qs);
        QVERIFY(note(1)->isVisible() && note(3)->isVisible());
        QVERIFY(!note(2)->windowHandle()); // never shown, not even for a moment
        QCOMPARE(note(3)->txtTitle->text(), u"um"_qs);
        QCOMPARE(note(3)->txtNote->Text(), u"café"_qs);
        QVERIFY(note(3)->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(!note(1)->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));

        QVERIFY(SaveNotes(0));
        QCOMPARE(readBytes(ListFile()), QByteArray(",1,2,3,\r\n"));
        QCOMPARE(ReadIni(u"2"_qs, u"Visivel"_qs, {}, IndexFile()), u"False"_qs);
        QCOMPARE(readBytes(ContentFile(1)), QByteArray("{\\rtf1\\ansi caf\\'e9}"));
        QVERIFY(QFile::exists(ContentFile(2))); // a note without a file gets one
    }

    // A content file that cannot be read, or is shown only in part, is never written over.
    void loadNotes_unreadableOrHugeContentLeftAlone()
    {
        QVERIFY(writeBytes(ListFile(), ",1,2,\r\n"));
        QVERIFY(QDir().mkdir(ContentFile(1))); // opens, but reads nothing
        const QByteArray huge =
            QByteArray("palavra ").repeated(RichTextBox::MaxEditableCharacters / 8 + 1);
        QVERIFY(writeBytes(ContentFile(2), huge));
        LoadNotes();
        frmNote *unreadable = note(1);
        QVERIFY(unreadable->ContentUnreadable());
        QVERIFY(unreadable->txtNote->placeholderText().contains(u"notavex1.arl"_qs));
        RichTextBox *preview = note(2)->txtNote;
        QVERIFY(preview->PreviewOf() > RichTextBox::MaxEditableCharacters);
        QVERIFY(preview->isReadOnly());
        QVERIFY(preview->document()->characterCount() < RichTextBox::PreviewCharacters + 1000);
        QVERIFY(SaveNotes(0));
        QVERIFY(QFileInfo(ContentFile(1)).isDir());
        QCOMPARE(readBytes(ContentFile(2)), huge);
        // Once the user writes in it, the note is theirs to save again.
        unreadable->txtNote->SetSelText(u"novo"_qs);
        QVERIFY(unreadable->ContentNeedsSaving());
    }

    void saveNotes_failureKeepsTheChange()
    {
        frmNote *w = CreateNote(u"1"_qs, QString(), false);
        QVERIFY(SaveNotes(0));
        const QByteArray before = readBytes(ContentFile(1));
        w->txtNote->SetText(QString(4000, u'x'));
        {
            FileSizeLimit full(1000);
            QVERIFY(!SaveNotes(0));
        }
        QVERIFY(w->ContentNeedsSaving());
        QCOMPARE(readBytes(ContentFile(1)), before);
        QVERIFY(SaveNotes(1));
        QVERIFY(!w->ContentNeedsSaving());
        QVERIFY(readBytes(ContentFile(1)).contains("xxxx"));
    }

    // Index and list are replaced once for any number of notes; only changed text is written.
    void saveNotes_manyNotesReplaceTheIndexOnce()
    {
        for (int id = 1; id <= 300; ++id)
            CreateNote(QString::number(id), QString(), false);
        QVERIFY(SaveNotes(0));
        for (int i = 1; i < OpenForms::count(); ++i)
            note(i)->SetTop(note(i)->Top() + 150);
        note(300)->txtNote->SetText(u"mudou"_qs);

        Replacements replacements(DataPath);
        QVERIFY(SaveNotes(0));
        // The list is the same; only the text that changed is written.
        QCOMPARE(replacements.names(), (QStringList{u"notavex300.arl"_qs, u"Indice.cfg"_qs}));
        QCOMPARE(ReadIni(u"Indice"_qs, u"TotalForms"_qs, {}, IndexFile()), u"300"_qs);
    }

    void createNote_newTextFormat()
    {
        QVERIFY(writeBytes(IndexFile(), "[Format]\r\nFontBold=verdadeiro\r\nSelColor=&H1000FF\r\n"
                                        "FontName=Courier New\r\nFontSize=12,5\r\n"));
        RichTextBox *box = CreateNote(u"9"_qs, QString(), false)->txtNote;
        QTest::keyClicks(box, u"abc"_qs);
        box->selectAll();
        QCOMPARE(box->SelBold(), std::optional<bool>(true));
        QCOMPARE(box->SelColor(), std::optional<quint32>(0x1000FF));
        QCOMPARE(box->SelFontName(), std::optional<QString>(u"Courier New"_qs));
        QCOMPARE(box->SelFontSize(), std::optional<double>(12.5));
        QCOMPARE(box->SelItalic(), std::optional<bool>(false));
        // Without any, Arial 9.75.
        QVERIFY(QFile::remove(IndexFile()));
        box = CreateNote(u"10"_qs, QString(), false)->txtNote;
        QCOMPARE(box->SelFontName(), std::optional<QString>(u"Arial"_qs));
        QCOMPARE(box->SelFontSize(), std::optional<double>(9.75));
    }
};

QTEST_MAIN(tst_NoteWindows)
#include "tst_notewindows.moc"
