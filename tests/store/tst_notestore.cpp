#include "mock/FakeServices.h"

#include "note/frmNote.h"
#include "platform/Globals.h"
#include "platform/OpenForms.h"
#include "platform/ProfileString.h"
#include "store/Ini.h"
#include "store/NoteFiles.h"
#include "shell/NoteWindows.h"
#include "store/NoteStore.h"
#include "store/TestFiles.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

#ifdef Q_OS_LINUX
#include <sys/inotify.h>
#include <unistd.h>
#endif

namespace {

using TestFiles::readBytes;
#define writeFile(path, data) QVERIFY(TestFiles::writeBytes(path, data))
#define writeStore(cfg, list)                                                                      \
    do {                                                                                           \
        writeFile(IndexFile(), cfg);                                                               \
        writeFile(ListFile(), list);                                                               \
    } while (false)

QString ini(const QString &section, const QString &key, const QString &def = u"<none>"_qs)
{
    return ReadIni(section, key, def, IndexFile());
}

frmNote *note(int formIndex)
{
    return qobject_cast<frmNote *>(OpenForms::at(formIndex));
}

// Records whether a note window was ever shown while the notes load.
class ShowWatcher : public QObject
{
public:
    QStringList shownTags;

protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Show) {
            if (auto *w = qobject_cast<frmNote *>(o))
                shownTags.append(w->Tag());
        }
        return false;
    }
};

} // namespace

class tst_NoteStore : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
        DataPath = m_tmp->path() + QLatin1Char('/');
        m_fakes = std::make_unique<FakeServices>();
        m_popup = std::make_unique<QWidget>();
        OpenForms::add(m_popup.get());
        TrayReady = false;
    }

    void cleanup()
    {
        closeNotes();
        OpenForms::remove(m_popup.get());
        m_popup.reset();
        QCOMPARE(OpenForms::count(), 0);
        m_fakes.reset();
        m_tmp.reset();
    }

    void nextNoteId_data()
    {
        QTest::addColumn<QByteArray>("listFile"); // empty: no file
        QTest::addColumn<int>("expected");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("no file") << QByteArray() << 1 << QByteArray(",1,\r\n");
        QTest::newRow("gap is filled")
            << QByteArray(",1,2,4,\r\n") << 3 << QByteArray(",1,2,4,3,\r\n");
        QTest::newRow("no gap") << QByteArray(",1,2,3,\r\n") << 4 << QByteArray(",1,2,3,4,\r\n");
        QTest::newRow("empty list") << QByteArray(",\r\n") << 1 << QByteArray(",1,\r\n");
        QTest::newRow("13 does not hold 1 or 3")
            << QByteArray(",13,\r\n") << 1 << QByteArray(",13,1,\r\n");
        QTest::newRow("spaces trimmed")
            << QByteArray("  ,1,  \r\n") << 2 << QByteArray(",1,2,\r\n");
        QTest::newRow("only the first line counts")
            << QByteArray(",2,\r\n,1,\r\n") << 1 << QByteArray(",2,1,\r\n");
    }

    void nextNoteId()
    {
        QFETCH(QByteArray, listFile);
        QFETCH(int, expected);
        QFETCH(QByteArray, after);
        if (!listFile.isEmpty())
            writeFile(ListFile(), listFile);
        QCOMPARE(int(NextNoteId()), expected);
        QCOMPARE(readBytes(ListFile()), after);
    }

    void saveNotes_allNotes_writesKeysFlipsOrderAndLoadsBack()
    {
        makeNotes({1, 2, 3});
        frmNote *two = note(2);
        two->SetTop(1500);
        two->SetLeft(3000);
        two->txtTitle->setText(u"Compras ☕"_qs);
        two->Picture1->SetBackColor(0x112233);
        two->txtNote->SetBackColor(0x445566);
        two->txtNote->SetText(u"leite\r\npão — Ωμέγα"_qs);
        two->hide();

        QVERIFY(SaveNotes(0));
        QCOMPARE(readBytes(ListFile()), QByteArray(",3,2,1,\r\n"));
        QCOMPARE(ini(u"Indice"_qs, u"TotalForms"_qs), u"3"_qs);
        const QString s = u"2"_qs;
        QCOMPARE(ini(s, u"Top"_qs), u"1500"_qs);
        QCOMPARE(ini(s, u"Left"_qs), u"3000"_qs);
        QCOMPARE(ini(s, u"Tag"_qs), u"2"_qs);
        QCOMPARE(ini(s, u"Titulo"_qs), u"Compras ☕"_qs);
        QCOMPARE(ini(s, u"Visivel"_qs), u"False"_qs);
        QCOMPARE(ini(s, u"Color1"_qs), QString::number(0x112233));
        QCOMPARE(ini(s, u"Color2"_qs), QString::number(0x445566));
        QCOMPARE(ini(u"1"_qs, u"Visivel"_qs), u"True"_qs);
        QVERIFY(QFile::exists(ContentFile(1)));
        QVERIFY(readBytes(ContentFile(2)).startsWith("{\\rtf1"));

        // Loading ,3,2,1, creates the windows in that order; the next save flips it back.
        closeNotes();
        LoadNotes();
        QCOMPARE(OpenForms::noteIdOf(note(1)), 3);
        QCOMPARE(OpenForms::noteIdOf(note(3)), 1);
        two = note(2);
        QCOMPARE(two->Top(), 1500);
        QCOMPARE(two->Left(), 3000);
        QCOMPARE(two->txtTitle->text(), u"Compras ☕"_qs);
        QCOMPARE(two->Picture1->BackColor(), 0x112233u);
        QCOMPARE(two->txtNote->BackColor(), 0x445566u);
        QCOMPARE(two->Picture2->BackColor(), 0x445566u);
        QCOMPARE(two->txtNote->Text(), u"leite\r\npão — Ωμέγα"_qs);
        QVERIFY(!two->isVisible());
        QVERIFY(note(1)->isVisible());
        QVERIFY(TrayReady);
        QVERIFY(SaveNotes(0));
        QCOMPARE(readBytes(ListFile()), QByteArray(",1,2,3,\r\n"));
    }

    void saveNotes_oneNote_writesOnlyItsKeysButTheWholeList()
    {
        makeNotes({5, 6});
        QVERIFY(SaveNotes(5));
        QCOMPARE(ini(u"5"_qs, u"Tag"_qs), u"5"_qs);
        QCOMPARE(ini(u"6"_qs, u"Tag"_qs), u"<none>"_qs);
        QVERIFY(QFile::exists(ContentFile(5)));
        QVERIFY(!QFile::exists(ContentFile(6)));
        QCOMPARE(readBytes(ListFile()), QByteArray(",6,5,\r\n"));
        QCOMPARE(ini(u"Indice"_qs, u"TotalForms"_qs), u"2"_qs);
    }

    void deleteNote_removesNoteKeepsSectionTag()
    {
        makeNotes({1, 3, 13});
        QVERIFY(SaveNotes(0));
        writeFile(ListFile(), ",1,3,13,\r\n");
        QVERIFY(QFile::exists(ContentFile(3)));
        const QByteArray before13 = readBytes(ContentFile(13));

        DeleteNote(3, qint16(FindNoteFormIndex(3)));

        QCOMPARE(readBytes(ListFile()), QByteArray(",1,13,\r\n"));
        QCOMPARE(FindNoteFormIndex(3), 0);
        QCOMPARE(OpenForms::count(), 3);
        QCOMPARE(ini(u"Indice"_qs, u"TotalForms"_qs), u"2"_qs);
        QVERIFY(!QFile::exists(ContentFile(3)));
        QCOMPARE(readBytes(ContentFile(13)), before13);
        QCOMPARE(ini(u"3"_qs, u"Tag"_qs), u"3"_qs);
        for (const char *k : {"OnTop", "Color1", "Color2", "Top", "Left", "Visivel", "Titulo",
                              "ArquivoWave", "Alarme", "Data", "Hora", "TocouEm"}) {
            // Present with an empty value: the section stays, the values read as defaults.
            QCOMPARE(ini(u"3"_qs, QString::fromLatin1(k)), u"<none>"_qs);
            QVERIFY(readBytes(IndexFile()).contains(QByteArray(k) + "=\r\n"));
        }
        QCOMPARE(ini(u"13"_qs, u"Tag"_qs), u"13"_qs);
    }

    void deleteNote_indexZero_clearsOnlyTheAlarm()
    {
        makeNotes({7});
        note(1)->SetTop(900);
        QVERIFY(SaveNotes(0));
        const QString s = u"7"_qs;
        WritePrivateProfileString(s, u"Alarme"_qs, u"1"_qs, IndexFile());
        WritePrivateProfileString(s, u"Hora"_qs, u"08:00:00"_qs, IndexFile());
        const QByteArray list = readBytes(ListFile());

        DeleteNote(7, 0);

        QCOMPARE(ini(s, u"Alarme"_qs), u"<none>"_qs);
        QCOMPARE(ini(s, u"Hora"_qs), u"<none>"_qs);
        QCOMPARE(ini(s, u"Top"_qs), u"900"_qs);
        QCOMPARE(ini(s, u"Color2"_qs), QString::number(note(1)->txtNote->BackColor()));
        QVERIFY(QFile::exists(ContentFile(7)));
        QCOMPARE(readBytes(ListFile()), list);
        QCOMPARE(OpenForms::count(), 2);
    }

    void deleteNote_reusedNumber_startsFromDefaults()
    {
        makeNotes({1});
        note(1)->txtTitle->setText(u"velha"_qs);
        note(1)->Picture1->SetBackColor(0x010203);
        note(1)->hide();
        QVERIFY(SaveNotes(0));
        DeleteNote(1, 1);
        QCOMPARE(readBytes(ListFile()), QByteArray(",\r\n"));

        QCOMPARE(int(NextNoteId()), 1);
        WritePrivateProfileString(u"Indice"_qs, u"TotalForms"_qs, u"1"_qs, IndexFile());
        LoadNotes();
        frmNote *w = note(1);
        QVERIFY(w);
        QCOMPARE(w->txtTitle->text(), QString());
        QCOMPARE(w->Picture1->BackColor(), 5433854u);
        QCOMPARE(w->txtNote->BackColor(), 8912895u);
        QVERIFY(w->isVisible());
        QCOMPARE(w->txtNote->Text(), QString());
    }

    void loadNotes_noSection_usesDefaults()
    {
        writeStore("[Indice]\r\nTotalForms=1\r\n", ",4,\r\n");
        writeFile(DataPath + u"notavex4.arl"_qs, "{\\rtf1\\ansi texto}");
        LoadNotes();
        QCOMPARE(OpenForms::count(), 2);
        frmNote *w = note(1);
        QCOMPARE(w->Tag(), u"4"_qs);
        QCOMPARE(w->txtTitle->text(), QString());
        QCOMPARE(w->Picture1->BackColor(), 5433854u);
        QCOMPARE(w->txtNote->BackColor(), 8912895u);
        QVERIFY(!w->tmrEvent.isActive());
        QVERIFY(w->isVisible());
        QCOMPARE(w->ImTop->Picture(), &w->imHot);
        QCOMPARE(w->txtNote->Text(), u"texto"_qs);
    }

    void loadNotes_offScreenCorrection_data()
    {
        QTest::addColumn<QRect>("desktop"); // all screens, pixels
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("expectedTop");  // kRandom: moved at random within the primary screen
        QTest::addColumn<int>("expectedLeft"); // likewise
        constexpr int kRandom = std::numeric_limits<int>::min();
        const QRect one(0, 0, 768, 768); // 11520 twips high
        QTest::newRow("inside stays") << one << 9520 << 9000 << 9520 << 9000;
        QTest::newRow("too low moves") << one << 20000 << 100 << kRandom << 105;
        QTest::newRow("just below the limit stays") << one << 9510 << 0 << 9510 << 0;
        QTest::newRow("too far right moves") << one << 0 << 9600 << 0 << kRandom;
        QTest::newRow("partly above and left stays") << one << -1500 << -2400 << -1500 << -2400;
        QTest::newRow("wholly above moves") << one << -50000 << 300 << kRandom << 300;
        QTest::newRow("wholly left moves") << one << 300 << -3000 << 300 << kRandom;
        const QRect two(0, 0, 768 + 1024, 768); // a second monitor to the right
        QTest::newRow("on the second monitor stays") << two << 300 << 20000 << 300 << 20000;
        QTest::newRow("beyond both moves") << two << 300 << 30000 << 300 << kRandom;
    }

    void loadNotes_offScreenCorrection()
    {
        QFETCH(QRect, desktop);
        QFETCH(int, top);
        QFETCH(int, left);
        QFETCH(int, expectedTop);
        QFETCH(int, expectedLeft);
        m_fakes->screen->size = QSize(768, 768);
        m_fakes->screen->all = desktop;
        m_fakes->random->queue({0.5, 0.5});
        writeStore(u"[Indice]\r\nTotalForms=1\r\n[1]\r\nTop=%1\r\nLeft=%2\r\n"_qs.arg(top)
                       .arg(left)
                       .toLatin1(),
                   ",1,\r\n");
        LoadNotes();
        frmNote *w = note(1);
        // Half of the span below the screen size less 3000 (top) or 2700 (left) twips, in pixels.
        const auto onScreen = [](int twips) { return qRound(twips / 15.0) * 15; };
        const int kRandom = std::numeric_limits<int>::min();
        QCOMPARE(w->Top(), onScreen(expectedTop == kRandom ? (11520 - 3000) / 2 : expectedTop));
        QCOMPARE(w->Left(), onScreen(expectedLeft == kRandom ? (11520 - 2700) / 2 : expectedLeft));
    }

    void loadNotes_damagedIndex_data()
    {
        QTest::addColumn<QByteArray>("cfg");   // "-": no Indice.cfg
        QTest::addColumn<QByteArray>("list");  // "-": no indice.dat
        QTest::addColumn<QList<int>>("files"); // content files present
        QTest::addColumn<QStringList>("tags"); // notes loaded, in order
        const auto saved = [](std::initializer_list<int> ids, const char *total) {
            QByteArray cfg = "[Indice]\r\nTotalForms=" + QByteArray(total) + "\r\n";
            for (int id : ids)
                cfg += QByteArray("[%1]\r\nTop=300\r\nLeft=300\r\nTag=%1\r\nVisivel=True\r\n")
                           .replace("%1", QByteArray::number(id));
            return cfg;
        };
        const QList<int> three{1, 2, 3};
        const QStringList all{u"1"_qs, u"2"_qs, u"3"_qs};
        QTest::newRow("in list order, unsaved new number skipped")
            << saved({6, 5}, "2") << QByteArray(",6,5,7,\r\n") << QList<int>{5, 6}
            << QStringList{u"6"_qs, u"5"_qs};
        QTest::newRow("list shorter than TotalForms")
            << saved({2}, "4") << QByteArray(",2,\r\n") << QList<int>{2} << QStringList{u"2"_qs};
        for (const char *total : {"abc", "-5", "999999999", "1", "0"})
            QTest::newRow(qPrintable(u"TotalForms "_qs + QLatin1String(total)))
                << saved({1, 2, 3}, total) << QByteArray(",1,2,3,\r\n") << three << all;
        QTest::newRow("no Indice.cfg")
            << QByteArray("-") << QByteArray(",1,2,3,\r\n") << three << all;
        QTest::newRow("no indice.dat") << saved({1, 2, 3}, "3") << QByteArray("-") << three << all;
        QTest::newRow("empty indice.dat") << saved({1, 2, 3}, "3") << QByteArray() << three << all;
        QTest::newRow("neither index") << QByteArray("-") << QByteArray("-") << three << all;
        QTest::newRow("duplicates once")
            << saved({1, 2, 3}, "4") << QByteArray(",1,1,2,3,\r\n") << three << all;
        QTest::newRow("numbers out of range skipped")
            << saved({2}, "5") << QByteArray(",0,40000,-5,x,2,\r\n") << QList<int>{2, 40000}
            << QStringList{u"2"_qs};
        QTest::newRow("unlisted file of a saved note comes back")
            << saved({1, 2, 3}, "2") << QByteArray(",3,1,\r\n") << three
            << QStringList{u"3"_qs, u"1"_qs, u"2"_qs};
        QTest::newRow("leftover file of a deleted note stays away")
            << saved({1}, "1") + "[4]\r\nTag=4\r\nTop=\r\nLeft=\r\nVisivel=\r\n"
            << QByteArray(",1,\r\n") << QList<int>{1, 4} << QStringList{u"1"_qs};
    }

    // Every note is shown once, and after a save every content file and note is still there.
    void loadNotes_damagedIndex()
    {
        QFETCH(QByteArray, cfg);
        QFETCH(QByteArray, list);
        QFETCH(QList<int>, files);
        QFETCH(QStringList, tags);
        if (cfg != "-")
            writeFile(IndexFile(), cfg);
        if (list != "-")
            writeFile(ListFile(), list);
        QMap<int, QByteArray> before;
        for (int id : files) {
            before[id] = "{\\rtf1\\ansi nota " + QByteArray::number(id) + "}";
            writeFile(DataPath + u"notavex%1.arl"_qs.arg(id), before[id]);
        }
        LoadNotes();
        QStringList got;
        for (int i = 1; i < OpenForms::count(); ++i)
            got << note(i)->Tag();
        QCOMPARE(got, tags);
        QVERIFY(TrayReady);

        QVERIFY(SaveNotes(0));
        for (int id : files)
            QCOMPARE(readBytes(DataPath + u"notavex%1.arl"_qs.arg(id)), before[id]);
        const QString line = QString::fromLatin1(readBytes(ListFile()));
        for (const QString &tag : tags)
            QVERIFY2(line.contains(u',' + tag + u','), qPrintable(line));
        QCOMPARE(ini(u"Indice"_qs, u"TotalForms"_qs), QString::number(tags.size()));
    }

    void loadNotes_onTopAndVisibility_data()
    {
        QTest::addColumn<QString>("onTop");
        QTest::addColumn<QString>("visivel");
        QTest::addColumn<bool>("pinned");
        QTest::addColumn<bool>("visible");
        const auto row = [](const char *name, const QString &onTop, const QString &visivel,
                            bool pinned, bool visible) {
            QTest::newRow(name) << onTop << visivel << pinned << visible;
        };
        row("False, shown", "False", "True", false, true);
        row("True, shown", "True", "True", true, true);
        row("lower-case false pins", "false", "True", true, true);
        row("pinned and hidden", "True", "False", true, false);
        row("Visivel verdadeiro", "False", "VERDADEIRO", false, true);
        row("Visivel 0 hides", "False", "0", false, false);
        row("empty Visivel is the default", "", "", false, true);
    }

    void loadNotes_onTopAndVisibility()
    {
        QFETCH(QString, onTop);
        QFETCH(QString, visivel);
        QFETCH(bool, pinned);
        QFETCH(bool, visible);
        writeStore(
            u"[Indice]\r\nTotalForms=1\r\n[1]\r\nOnTop=%1\r\nVisivel=%2\r\n"_qs.arg(onTop, visivel)
                .toLatin1(),
            ",1,\r\n");
        ShowWatcher watcher;
        qApp->installEventFilter(&watcher);
        LoadNotes();
        qApp->removeEventFilter(&watcher);

        frmNote *w = note(1);
        QCOMPARE(w->isVisible(), visible);
        QCOMPARE(w->ImTop->Picture() == &w->imDown, pinned);
        QCOMPARE(w->windowHandle() && w->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint),
                 pinned && visible);
        // A hidden note never shows itself while the notes load.
        QCOMPARE(watcher.shownTags.contains(u"1"_qs), visible);
    }

    void createNote_appliesNewTextFormat()
    {
        writeFile(IndexFile(),
                  "[Format]\r\nFontBold=True\r\nSelColor=255\r\nFontName=Courier New\r\n"
                  "FontSize=12\r\nFontItalic=verdadeiro\r\nFontUnderline=1\r\n");
        frmNote *w = CreateNote(u"9"_qs, QString(), false);
        QVERIFY(w->isVisible());
        RichTextBox *box = w->txtNote;
        QCOMPARE(box->SelBold(), std::optional<bool>(true));
        QCOMPARE(box->SelColor(), std::optional<quint32>(255));
        QCOMPARE(box->SelFontName(), std::optional<QString>(u"Courier New"_qs));
        QCOMPARE(box->SelFontSize(), std::optional<double>(12));
        QCOMPARE(box->SelItalic(), std::optional<bool>(true));
        QCOMPARE(box->SelUnderline(), std::optional<bool>(true));
        QCOMPARE(box->SelStrikeThru(), std::optional<bool>(false));

        // The defaults: Arial 9,75.
        QFile::remove(IndexFile());
        frmNote *e = CreateNote(u"11"_qs, QString(), false);
        QCOMPARE(e->txtNote->SelFontName(), std::optional<QString>(u"Arial"_qs));
        QCOMPARE(e->txtNote->SelFontSize(), std::optional<double>(9.75));
        QCOMPARE(e->txtNote->SelBold(), std::optional<bool>(false));
    }

    void saveNotes_manyNotes_replaceTheIndexOnce()
    {
#ifdef Q_OS_LINUX
        QList<int> ids;
        for (int i = 1; i <= 300; ++i)
            ids.append(i);
        makeNotes(ids);
        QVERIFY(SaveNotes(0));
        for (int i = 1; i < OpenForms::count(); ++i)
            note(i)->SetTop(note(i)->Top() + 150);
        note(300)->txtNote->SetText(u"mudou"_qs);

        // Every replacement of a file in the folder ends with a rename onto its name.
        const int fd = inotify_init1(IN_NONBLOCK);
        QVERIFY(fd >= 0);
        QVERIFY(inotify_add_watch(fd, QFile::encodeName(DataPath).constData(),
                                  IN_MOVED_TO | IN_CLOSE_WRITE) >= 0);
        QVERIFY(SaveNotes(0));
        QMap<QString, int> replaced;
        char buf[1 << 16];
        for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) {
            for (char *p = buf; p < buf + n;) {
                auto *ev = reinterpret_cast<inotify_event *>(p);
                if (ev->len && (ev->mask & IN_MOVED_TO))
                    replaced[QFile::decodeName(ev->name)]++;
                p += sizeof(inotify_event) + ev->len;
            }
        }
        close(fd);
        QCOMPARE(replaced.value(u"Indice.cfg"_qs), 1);
        QCOMPARE(replaced.value(u"indice.dat"_qs), 0); // the same list
        // Only the text that changed is written again.
        QCOMPARE(replaced.value(u"notavex300.arl"_qs), 1);
        QCOMPARE(replaced.value(u"notavex299.arl"_qs), 0);
        QCOMPARE(ini(u"Indice"_qs, u"TotalForms"_qs), u"300"_qs);
#else
        QSKIP("Counts replacements with inotify");
#endif
    }

    // A save that fails leaves the old files, says why, and keeps the change for the next save.
    void saveNotes_failure_keepsTheChangeAndSaysWhy()
    {
        makeNotes({1});
        note(1)->txtNote->SetText(u"antes"_qs);
        QVERIFY(SaveNotes(0));
        const QByteArray old = readBytes(ContentFile(1));
        note(1)->txtNote->SetText(QString(4000, u'x'));
        {
            TestFiles::FileSizeLimit full(1000);
            QVERIFY(!SaveNotes(0));
            QVERIFY(!SaveNotes(0));
        }
        QCOMPARE(readBytes(ContentFile(1)), old);
        QVERIFY2(SaveFailureText().contains(QDir::toNativeSeparators(DataPath)) &&
                     SaveFailureText().contains(u"grande demais"_qs),
                 qPrintable(SaveFailureText()));
        ReportSaveFailure();
        ReportSaveFailure();
        QCOMPARE(m_fakes->messageBoxes->asked.size(), 1); // once, not at every retry
        QVERIFY(note(1)->ContentNeedsSaving());
        QVERIFY(SaveNotes(0));
        QVERIFY(readBytes(ContentFile(1)).contains("xxxx"));
        QVERIFY(!note(1)->ContentNeedsSaving());
    }

    // A content file that cannot be read, or is shown only in part, is never written over.
    void loadNotes_unreadableOrHugeContent_isLeftAlone()
    {
        writeStore("[Indice]\r\nTotalForms=2\r\n", ",1,2,\r\n");
        QVERIFY(QDir().mkdir(DataPath + u"notavex1.arl"_qs)); // opens, but reads nothing
        const QByteArray huge =
            QByteArray("palavra ").repeated(RichTextBox::MaxEditableCharacters / 8 + 1);
        writeFile(DataPath + u"notavex2.arl"_qs, huge);
        LoadNotes();
        frmNote *unreadable = note(1);
        frmNote *preview = note(2);
        QVERIFY(unreadable->ContentUnreadable());
        QVERIFY(unreadable->txtNote->placeholderText().contains(u"notavex1.arl"_qs));
        QVERIFY(preview->txtNote->PreviewOf() > RichTextBox::MaxEditableCharacters);
        QVERIFY(preview->txtNote->isReadOnly());
        QVERIFY(preview->txtNote->document()->characterCount() <
                RichTextBox::PreviewCharacters + 1000);
        QVERIFY(SaveNotes(0));
        QVERIFY(QFileInfo(DataPath + u"notavex1.arl"_qs).isDir());
        QCOMPARE(readBytes(DataPath + u"notavex2.arl"_qs), huge);
        // Once the user writes in it, the note is theirs to save again.
        unreadable->txtNote->SetSelText(u"novo"_qs);
        QVERIFY(unreadable->ContentNeedsSaving());
    }

private:
    void closeNotes()
    {
        for (int i = OpenForms::count() - 1; i >= 1; --i)
            delete OpenForms::at(i);
    }

    void makeNotes(const QList<int> &ids)
    {
        for (int id : ids)
            QVERIFY(CreateNote(QString::number(id), QString(), false));
    }

    std::unique_ptr<QTemporaryDir> m_tmp;
    std::unique_ptr<FakeServices> m_fakes;
    std::unique_ptr<QWidget> m_popup;
};

QTEST_MAIN(tst_NoteStore)
#include "tst_notestore.moc"
