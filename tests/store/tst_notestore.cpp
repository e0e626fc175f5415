#include "mock/FakeServices.h"

#include "note/frmNote.h"
#include "platform/Globals.h"
#include "platform/OpenForms.h"
#include "platform/ProfileString.h"
#include "store/Ini.h"
#include "store/NoteFiles.h"
#include "store/NoteStore.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

#ifdef Q_OS_LINUX
#include <sys/inotify.h>
#include <unistd.h>
#endif

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

QString ini(const QString &section, const QString &key,
            const QString &def = QStringLiteral("<none>"))
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
    void init();
    void cleanup();

    void nextNoteId_data();
    void nextNoteId();
    void saveNotes_allNotes_writesKeysAndFlipsOrder();
    void saveNotes_oneNote_writesOnlyItsKeysButTheWholeList();
    void saveAndLoad_roundTrip();
    void deleteNote_removesNoteKeepsSectionTag();
    void deleteNote_indexZero_clearsOnlyTheAlarm();
    void deleteNote_reusedNumber_startsFromDefaults();
    void loadNotes_noSection_usesDefaults();
    void loadNotes_offScreenCorrection_data();
    void loadNotes_offScreenCorrection();
    void loadNotes_onlyTotalFormsNotes_inListOrder();
    void loadNotes_listShorterThanTotalForms_makesNoNoteZero();
    void loadNotes_onTopAndVisibility_data();
    void loadNotes_onTopAndVisibility();
    void createNote_appliesNewTextFormat();
    void saveNotes_manyNotes_replaceTheIndexOnce();

private:
    void closeNotes();
    void makeNotes(const QList<int> &ids);

    std::unique_ptr<QTemporaryDir> m_tmp;
    std::unique_ptr<FakeServices> m_fakes;
    std::unique_ptr<QWidget> m_popup;
};

void tst_NoteStore::init()
{
    m_tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tmp->isValid());
    DataPath = m_tmp->path() + QLatin1Char('/');
    m_fakes = std::make_unique<FakeServices>();
    m_popup = std::make_unique<QWidget>();
    OpenForms::add(m_popup.get());
    TrayReady = false;
}

void tst_NoteStore::cleanup()
{
    closeNotes();
    OpenForms::remove(m_popup.get());
    m_popup.reset();
    QCOMPARE(OpenForms::count(), 0);
    m_fakes.reset();
    m_tmp.reset();
}

void tst_NoteStore::closeNotes()
{
    for (int i = OpenForms::count() - 1; i >= 1; --i)
        delete OpenForms::at(i);
}

void tst_NoteStore::makeNotes(const QList<int> &ids)
{
    for (int id : ids)
        QVERIFY(CreateNote(QString::number(id), QString(), false));
}

void tst_NoteStore::nextNoteId_data()
{
    QTest::addColumn<QByteArray>("listFile"); // empty: no file
    QTest::addColumn<int>("expected");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("no file") << QByteArray() << 1 << QByteArray(",1,\r\n");
    QTest::newRow("gap is filled") << QByteArray(",1,2,4,\r\n") << 3 << QByteArray(",1,2,4,3,\r\n");
    QTest::newRow("no gap") << QByteArray(",1,2,3,\r\n") << 4 << QByteArray(",1,2,3,4,\r\n");
    QTest::newRow("empty list") << QByteArray(",\r\n") << 1 << QByteArray(",1,\r\n");
    QTest::newRow("13 does not hold 1 or 3")
        << QByteArray(",13,\r\n") << 1 << QByteArray(",13,1,\r\n");
    QTest::newRow("spaces trimmed") << QByteArray("  ,1,  \r\n") << 2 << QByteArray(",1,2,\r\n");
    QTest::newRow("only the first line counts")
        << QByteArray(",2,\r\n,1,\r\n") << 1 << QByteArray(",2,1,\r\n");
}

void tst_NoteStore::nextNoteId()
{
    QFETCH(QByteArray, listFile);
    QFETCH(int, expected);
    QFETCH(QByteArray, after);
    if (!listFile.isEmpty())
        writeFile(DataPath + QStringLiteral("indice.dat"), listFile);
    QCOMPARE(int(NextNoteId()), expected);
    QCOMPARE(readFile(ListFile()), after);
}

void tst_NoteStore::saveNotes_allNotes_writesKeysAndFlipsOrder()
{
    makeNotes({1, 2, 3});
    frmNote *two = note(2);
    two->SetTop(1500);
    two->SetLeft(3000);
    two->txtTitle->setText(QStringLiteral("Compras ☕"));
    two->Picture1->SetBackColor(0x112233);
    two->txtNote->SetBackColor(0x445566);
    two->txtNote->SetText(QStringLiteral("leite\r\npão"));
    two->hide();

    QVERIFY(SaveNotes(0));
    QCOMPARE(readFile(ListFile()), QByteArray(",3,2,1,\r\n"));
    QCOMPARE(ini(QStringLiteral("Indice"), QStringLiteral("TotalForms")), QStringLiteral("3"));
    const QString s = QStringLiteral("2");
    QCOMPARE(ini(s, QStringLiteral("Top")), QStringLiteral("1500"));
    QCOMPARE(ini(s, QStringLiteral("Left")), QStringLiteral("3000"));
    QCOMPARE(ini(s, QStringLiteral("Tag")), QStringLiteral("2"));
    QCOMPARE(ini(s, QStringLiteral("Titulo")), QStringLiteral("Compras ☕"));
    QCOMPARE(ini(s, QStringLiteral("Visivel")), QStringLiteral("False"));
    QCOMPARE(ini(s, QStringLiteral("Color1")), QString::number(0x112233));
    QCOMPARE(ini(s, QStringLiteral("Color2")), QString::number(0x445566));
    QCOMPARE(ini(QStringLiteral("1"), QStringLiteral("Visivel")), QStringLiteral("True"));
    QVERIFY(QFile::exists(ContentFile(1)));
    QVERIFY(readFile(ContentFile(2)).startsWith("{\\rtf1"));

    // Loading ,3,2,1, creates the windows in that order; the next save flips it back.
    closeNotes();
    LoadNotes();
    QCOMPARE(OpenForms::noteIdOf(note(1)), 3);
    QCOMPARE(OpenForms::noteIdOf(note(3)), 1);
    QVERIFY(SaveNotes(0));
    QCOMPARE(readFile(ListFile()), QByteArray(",1,2,3,\r\n"));
}

void tst_NoteStore::saveNotes_oneNote_writesOnlyItsKeysButTheWholeList()
{
    makeNotes({5, 6});
    QVERIFY(SaveNotes(5));
    QCOMPARE(ini(QStringLiteral("5"), QStringLiteral("Tag")), QStringLiteral("5"));
    QCOMPARE(ini(QStringLiteral("6"), QStringLiteral("Tag")), QStringLiteral("<none>"));
    QVERIFY(QFile::exists(ContentFile(5)));
    QVERIFY(!QFile::exists(ContentFile(6)));
    QCOMPARE(readFile(ListFile()), QByteArray(",6,5,\r\n"));
    QCOMPARE(ini(QStringLiteral("Indice"), QStringLiteral("TotalForms")), QStringLiteral("2"));
}

void tst_NoteStore::saveAndLoad_roundTrip()
{
    makeNotes({1, 2});
    frmNote *a = note(1);
    a->SetTop(4500);
    a->SetLeft(6000);
    a->txtTitle->setText(QStringLiteral("Reunião"));
    a->Picture1->SetBackColor(0x73E5E5);
    a->txtNote->SetBackColor(0x87FFFF);
    a->txtNote->SetText(QStringLiteral("Ligar às 15h — Ωμέγα"));
    note(2)->hide();
    QVERIFY(SaveNotes(0));

    closeNotes();
    LoadNotes();
    QCOMPARE(OpenForms::count(), 3);
    frmNote *b = qobject_cast<frmNote *>(OpenForms::at(FindNoteFormIndex(1)));
    QVERIFY(b);
    QCOMPARE(b->Top(), 4500);
    QCOMPARE(b->Left(), 6000);
    QCOMPARE(b->txtTitle->text(), QStringLiteral("Reunião"));
    QCOMPARE(b->Picture1->BackColor(), 0x73E5E5u);
    QCOMPARE(b->txtNote->BackColor(), 0x87FFFFu);
    QCOMPARE(b->Picture2->BackColor(), 0x87FFFFu);
    QCOMPARE(b->txtNote->Text(), QStringLiteral("Ligar às 15h — Ωμέγα"));
    QVERIFY(b->isVisible());
    QVERIFY(!note(FindNoteFormIndex(2))->isVisible());
    QVERIFY(TrayReady);
}

void tst_NoteStore::deleteNote_removesNoteKeepsSectionTag()
{
    makeNotes({1, 3, 13});
    QVERIFY(SaveNotes(0));
    writeFile(ListFile(), ",1,3,13,\r\n");
    QVERIFY(QFile::exists(ContentFile(3)));
    const QByteArray before13 = readFile(ContentFile(13));

    DeleteNote(3, qint16(FindNoteFormIndex(3)));

    QCOMPARE(readFile(ListFile()), QByteArray(",1,13,\r\n"));
    QCOMPARE(FindNoteFormIndex(3), 0);
    QCOMPARE(OpenForms::count(), 3);
    QCOMPARE(ini(QStringLiteral("Indice"), QStringLiteral("TotalForms")), QStringLiteral("2"));
    QVERIFY(!QFile::exists(ContentFile(3)));
    QCOMPARE(readFile(ContentFile(13)), before13);
    QCOMPARE(ini(QStringLiteral("3"), QStringLiteral("Tag")), QStringLiteral("3"));
    for (const char *k : {"OnTop", "Color1", "Color2", "Top", "Left", "Visivel", "Titulo",
                          "ArquivoWave", "Alarme", "Data", "Hora", "TocouEm"}) {
        // Present with an empty value: the section stays, the values read as defaults.
        QCOMPARE(ini(QStringLiteral("3"), QString::fromLatin1(k)), QStringLiteral("<none>"));
        QVERIFY(readFile(IndexFile()).contains(QByteArray(k) + "=\r\n"));
    }
    QCOMPARE(ini(QStringLiteral("13"), QStringLiteral("Tag")), QStringLiteral("13"));
}

void tst_NoteStore::deleteNote_indexZero_clearsOnlyTheAlarm()
{
    makeNotes({7});
    note(1)->SetTop(900);
    QVERIFY(SaveNotes(0));
    const QString s = QStringLiteral("7");
    WritePrivateProfileString(s, QStringLiteral("Alarme"), QStringLiteral("1"), IndexFile());
    WritePrivateProfileString(s, QStringLiteral("Hora"), QStringLiteral("08:00:00"), IndexFile());
    const QByteArray list = readFile(ListFile());

    DeleteNote(7, 0);

    QCOMPARE(ini(s, QStringLiteral("Alarme")), QStringLiteral("<none>"));
    QCOMPARE(ini(s, QStringLiteral("Hora")), QStringLiteral("<none>"));
    QCOMPARE(ini(s, QStringLiteral("Top")), QStringLiteral("900"));
    QCOMPARE(ini(s, QStringLiteral("Color2")), QString::number(note(1)->txtNote->BackColor()));
    QVERIFY(QFile::exists(ContentFile(7)));
    QCOMPARE(readFile(ListFile()), list);
    QCOMPARE(OpenForms::count(), 2);
}

void tst_NoteStore::deleteNote_reusedNumber_startsFromDefaults()
{
    makeNotes({1});
    note(1)->txtTitle->setText(QStringLiteral("velha"));
    note(1)->Picture1->SetBackColor(0x010203);
    note(1)->hide();
    QVERIFY(SaveNotes(0));
    DeleteNote(1, 1);
    QCOMPARE(readFile(ListFile()), QByteArray(",\r\n"));

    QCOMPARE(int(NextNoteId()), 1);
    WritePrivateProfileString(QStringLiteral("Indice"), QStringLiteral("TotalForms"),
                              QStringLiteral("1"), IndexFile());
    LoadNotes();
    frmNote *w = note(1);
    QVERIFY(w);
    QCOMPARE(w->txtTitle->text(), QString());
    QCOMPARE(w->Picture1->BackColor(), 5433854u);
    QCOMPARE(w->txtNote->BackColor(), 8912895u);
    QVERIFY(w->isVisible());
    QCOMPARE(w->txtNote->Text(), QString());
}

void tst_NoteStore::loadNotes_noSection_usesDefaults()
{
    writeFile(DataPath + QStringLiteral("Indice.cfg"), "[Indice]\r\nTotalForms=1\r\n");
    writeFile(DataPath + QStringLiteral("indice.dat"), ",4,\r\n");
    writeFile(DataPath + QStringLiteral("notavex4.arl"), "{\\rtf1\\ansi texto}");
    LoadNotes();
    QCOMPARE(OpenForms::count(), 2);
    frmNote *w = note(1);
    QCOMPARE(w->Tag(), QStringLiteral("4"));
    QCOMPARE(w->txtTitle->text(), QString());
    QCOMPARE(w->Picture1->BackColor(), 5433854u);
    QCOMPARE(w->txtNote->BackColor(), 8912895u);
    QVERIFY(!w->tmrEvent.isActive());
    QVERIFY(w->isVisible());
    QCOMPARE(w->ImTop->Picture(), &w->imHot);
    QCOMPARE(w->txtNote->Text(), QStringLiteral("texto"));
}

void tst_NoteStore::loadNotes_offScreenCorrection_data()
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
    QTest::newRow("negative stays") << one << -3000 << -4500 << -3000 << -4500;
    const QRect two(0, 0, 768 + 1024, 768); // a second monitor to the right
    QTest::newRow("on the second monitor stays") << two << 300 << 20000 << 300 << 20000;
    QTest::newRow("beyond both moves") << two << 300 << 30000 << 300 << kRandom;
}

void tst_NoteStore::loadNotes_offScreenCorrection()
{
    QFETCH(QRect, desktop);
    QFETCH(int, top);
    QFETCH(int, left);
    QFETCH(int, expectedTop);
    QFETCH(int, expectedLeft);
    m_fakes->screen->size = QSize(768, 768);
    m_fakes->screen->all = desktop;
    m_fakes->random->queue({0.5, 0.5});
    writeFile(DataPath + QStringLiteral("Indice.cfg"),
              QStringLiteral("[Indice]\r\nTotalForms=1\r\n[1]\r\nTop=%1\r\nLeft=%2\r\n")
                  .arg(top)
                  .arg(left)
                  .toLatin1());
    writeFile(DataPath + QStringLiteral("indice.dat"), ",1,\r\n");
    LoadNotes();
    frmNote *w = note(1);
    // Half of the span below the screen size less 3000 (top) or 2700 (left) twips, in pixels.
    const auto onScreen = [](int twips) { return qRound(twips / 15.0) * 15; };
    const int kRandom = std::numeric_limits<int>::min();
    QCOMPARE(w->Top(), onScreen(expectedTop == kRandom ? (11520 - 3000) / 2 : expectedTop));
    QCOMPARE(w->Left(), onScreen(expectedLeft == kRandom ? (11520 - 2700) / 2 : expectedLeft));
}

void tst_NoteStore::loadNotes_onlyTotalFormsNotes_inListOrder()
{
    writeFile(DataPath + QStringLiteral("Indice.cfg"), "[Indice]\r\nTotalForms=2\r\n");
    writeFile(DataPath + QStringLiteral("indice.dat"), ",6,5,7,\r\n");
    LoadNotes();
    QCOMPARE(OpenForms::count(), 3);
    QCOMPARE(note(1)->Tag(), QStringLiteral("6"));
    QCOMPARE(note(2)->Tag(), QStringLiteral("5"));
    QCOMPARE(FindNoteFormIndex(7), 0);
}

void tst_NoteStore::loadNotes_listShorterThanTotalForms_makesNoNoteZero()
{
    writeFile(DataPath + QStringLiteral("Indice.cfg"), "[Indice]\r\nTotalForms=4\r\n");
    writeFile(DataPath + QStringLiteral("indice.dat"), ",2,\r\n");
    LoadNotes();
    QCOMPARE(OpenForms::count(), 2);
    QCOMPARE(note(1)->Tag(), QStringLiteral("2"));
    QVERIFY(TrayReady);
}

void tst_NoteStore::loadNotes_onTopAndVisibility_data()
{
    QTest::addColumn<QString>("onTop");
    QTest::addColumn<QString>("visivel");
    QTest::addColumn<bool>("pinned");
    QTest::addColumn<bool>("visible");
    QTest::newRow("False, shown") << "False"
                                  << "True" << false << true;
    QTest::newRow("True, shown") << "True"
                                 << "True" << true << true;
    QTest::newRow("lower-case false pins") << "false"
                                           << "True" << true << true;
    QTest::newRow("pinned and hidden") << "True"
                                       << "False" << true << false;
    QTest::newRow("Visivel verdadeiro") << "False"
                                        << "VERDADEIRO" << false << true;
    QTest::newRow("Visivel 0 hides") << "False"
                                     << "0" << false << false;
    QTest::newRow("empty Visivel is the default") << ""
                                                  << "" << false << true;
}

void tst_NoteStore::loadNotes_onTopAndVisibility()
{
    QFETCH(QString, onTop);
    QFETCH(QString, visivel);
    QFETCH(bool, pinned);
    QFETCH(bool, visible);
    writeFile(DataPath + QStringLiteral("Indice.cfg"),
              QStringLiteral("[Indice]\r\nTotalForms=1\r\n[1]\r\nOnTop=%1\r\nVisivel=%2\r\n")
                  .arg(onTop, visivel)
                  .toLatin1());
    writeFile(DataPath + QStringLiteral("indice.dat"), ",1,\r\n");
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
    QCOMPARE(watcher.shownTags.contains(QStringLiteral("1")), visible);
}

void tst_NoteStore::createNote_appliesNewTextFormat()
{
    writeFile(DataPath + QStringLiteral("Indice.cfg"),
              "[Format]\r\nFontBold=True\r\nSelColor=255\r\nFontName=Courier New\r\n"
              "FontSize=12\r\nFontItalic=verdadeiro\r\nFontUnderline=1\r\n");
    frmNote *w = CreateNote(QStringLiteral("9"), QString(), false);
    QVERIFY(w->isVisible());
    RichTextBox *box = w->txtNote;
    QCOMPARE(box->SelBold(), std::optional<bool>(true));
    QCOMPARE(box->SelColor(), std::optional<quint32>(255));
    QCOMPARE(box->SelFontName(), std::optional<QString>(QStringLiteral("Courier New")));
    QCOMPARE(box->SelFontSize(), std::optional<double>(12));
    QCOMPARE(box->SelItalic(), std::optional<bool>(true));
    QCOMPARE(box->SelUnderline(), std::optional<bool>(true));
    QCOMPARE(box->SelStrikeThru(), std::optional<bool>(false));

    // The defaults: Arial 9,75.
    frmNote *d = CreateNote(QStringLiteral("10"), QString(), false);
    Q_UNUSED(d);
    QFile::remove(IndexFile());
    frmNote *e = CreateNote(QStringLiteral("11"), QString(), false);
    QCOMPARE(e->txtNote->SelFontName(), std::optional<QString>(QStringLiteral("Arial")));
    QCOMPARE(e->txtNote->SelFontSize(), std::optional<double>(9.75));
    QCOMPARE(e->txtNote->SelBold(), std::optional<bool>(false));
}

void tst_NoteStore::saveNotes_manyNotes_replaceTheIndexOnce()
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

QTEST_MAIN(tst_NoteStore)
#include "tst_notestore.moc"
