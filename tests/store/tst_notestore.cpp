#include "mock/FakeServices.h"
#include "mock/TestFiles.h"
#include "mock/Warnings.h"

#include "base/FileAccess.h"
#include "base/Globals.h"
#include "store/Ini.h"
#include "store/NoteFiles.h"
#include "store/NoteStore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <sys/stat.h>

using namespace TestFiles;

namespace {

QString ini(int section, const char *key)
{
    return ReadIni(section ? QString::number(section) : u"Indice"_qs, QString::fromLatin1(key),
                   u"<none>"_qs, IndexFile());
}

// A save of the listed notes, unchanged: their keys as read, no content to write.
bool save(const QList<qint16> &ids)
{
    QList<NoteRecord> records;
    for (const qint16 id : ids)
        records.append(ReadNoteRecord(id));
    for (NoteRecord &r : records)
        r.content.reset();
    return SaveNoteRecords(ids, records);
}

} // namespace

class tst_NoteStore : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::optional<FakeServices> m_fakes;

private slots:
    void init()
    {
        FailOnUnexpectedWarnings();
        m_dir = std::make_unique<QTemporaryDir>();
        ResetProgramState(m_dir->path());
        m_fakes.emplace(); // the old fakes go first
    }

    void cleanup() { ::alarm(0); }

    // Whatever stands in a data file's place is not waited for, not read whole and not written
    // over: a note says why, Indice.cfg and indice.dat give defaults, are named in one message
    // and refuse the save.
    void hostileFiles_data()
    {
        QTest::addColumn<QString>("file"); // "note": notavex1.arl
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("why"); // words of the reason given
        for (const char *file : {"note", "Indice.cfg", "indice.dat"}) {
            const auto row = [&](const char *kind, const char *why) {
                QTest::addRow("%s %s", kind, file)
                    << QString::fromLatin1(file) << QString::fromLatin1(kind)
                    << QString::fromUtf8(why);
            };
            row("FIFO", "pipe (FIFO)");
            row("link to /dev/zero", "dispositivo");
            row("folder", "pasta");
            row("dangling link", "que não existe");
            row("2 GiB sparse file", "2,0 GB");
        }
    }

    void hostileFiles()
    {
        QFETCH(QString, file);
        QFETCH(QString, kind);
        QFETCH(QString, why);
        QVERIFY(writeBytes(IndexFile(), "[Indice]\r\nTotalForms=1\r\n[1]\r\nTitulo=um\r\n"));
        QVERIFY(writeBytes(ListFile(), ",1,\r\n"));
        QVERIFY(writeBytes(ContentFile(1), "{\\rtf1 um}"));
        const QString path = file == u"note"         ? ContentFile(1)
                             : file == u"Indice.cfg" ? IndexFile()
                                                     : ListFile();
        const QByteArray name = QFile::encodeName(path);
        QVERIFY(QFile::remove(path));
        if (kind == u"FIFO")
            QVERIFY(::mkfifo(name, 0600) == 0);
        else if (kind == u"link to /dev/zero")
            QVERIFY(QFile::link(u"/dev/zero"_qs, path));
        else if (kind == u"folder")
            QVERIFY(QDir().mkdir(path));
        else if (kind == u"dangling link")
            QVERIFY(QFile::link(path + u".gone"_qs, path));
        else
            QVERIFY(writeBytes(path, "x") && ::truncate(name, qint64(2) << 30) == 0);
        struct stat before;
        QVERIFY(::lstat(name, &before) == 0);

        // A regression blocks or swamps the test instead of failing it: the alarm ends it.
        ::alarm(10);
        rusage usage;
        ::getrusage(RUSAGE_SELF, &usage);
        const long peakKb = usage.ru_maxrss;
        QElapsedTimer took;
        took.start();
        QList<NoteRecord> records{ReadNoteRecord(1)};
        const QList<int> ids = NotesToLoad();
        QVERIFY2(took.elapsed() < 1000, qPrintable(QString::number(took.elapsed())));
        ::getrusage(RUSAGE_SELF, &usage);
        QVERIFY(usage.ru_maxrss - peakKb < 64 * 1024);

        QCOMPARE(ids, QList<int>{1});
        const NoteRecord &r = records[0];
        QCOMPARE(r.title, file == u"Indice.cfg" ? QString() : u"um"_qs);
        if (file == u"note") {
            QVERIFY(!r.content);
            QVERIFY2(r.contentProblem.contains(why), qPrintable(r.contentProblem));
        } else {
            QCOMPARE(r.content.value_or(QByteArray()), QByteArray("{\\rtf1 um}"));
            ShowRefusedFiles();
            QCOMPARE(m_fakes->messageBoxes->asked.size(), 1);
            const QString said = m_fakes->messageBoxes->asked[0].text;
            QVERIFY2(said.contains(QDir::toNativeSeparators(path)) && said.contains(why),
                     qPrintable(said));
        }
        QCOMPARE(SaveNoteRecords({1}, records), file == u"note");
        if (file != u"note")
            QVERIFY2(SaveFailureText().contains(why), qPrintable(SaveFailureText()));
        struct stat after;
        QVERIFY(::lstat(name, &after) == 0);
        QVERIFY(after.st_ino == before.st_ino && after.st_mode == before.st_mode &&
                after.st_size == before.st_size);
    }

    void notesToLoad_damagedIndex_data()
    {
        QTest::addColumn<QByteArray>("cfg");   // "-": no Indice.cfg
        QTest::addColumn<QByteArray>("list");  // "-": no indice.dat
        QTest::addColumn<QList<int>>("files"); // content files present
        QTest::addColumn<QList<int>>("ids");   // notes to load, in order
        const auto saved = [](std::initializer_list<int> ids, const char *total) {
            QByteArray cfg = "[Indice]\r\nTotalForms=" + QByteArray(total) + "\r\n";
            for (int id : ids)
                cfg += QByteArray("[%1]\r\nTop=300\r\nLeft=300\r\nTag=%1\r\nVisivel=True\r\n")
                           .replace("%1", QByteArray::number(id));
            return cfg;
        };
        const auto row = [](const char *name, const QByteArray &cfg, const QByteArray &list,
                            const QList<int> &files, const QList<int> &ids) {
            QTest::newRow(name) << cfg << list << files << ids;
        };
        const QList<int> three{1, 2, 3};
        row("list order, a new number never saved skipped", saved({6, 5}, "2"), ",6,5,7,\r\n",
            {5, 6}, {6, 5});
        row("list shorter than TotalForms", saved({2}, "4"), ",2,\r\n", {2}, {2});
        row("a saved note without content stays", saved({3, 2, 1}, "3"), ",3,2,1,\r\n", {1, 2},
            {3, 2, 1});
        for (const char *total : {"abc", "-5", "999999999", "1", "0"})
            row(qPrintable(u"TotalForms "_qs + QLatin1String(total)), saved({1, 2, 3}, total),
                ",1,2,3,\r\n", three, three);
        row("no Indice.cfg", "-", ",1,2,3,\r\n", three, three);
        row("no indice.dat", saved({1, 2, 3}, "3"), "-", three, three);
        row("an empty indice.dat", saved({1, 2, 3}, "3"), "", three, three);
        row("neither index", "-", "-", three, three);
        row("duplicates once", saved({1, 2, 3}, "4"), ",1,1,2,3,\r\n", three, three);
        row("numbers out of range skipped", saved({2}, "5"), ",0,40000,-5,x,2,\r\n", {2, 40000},
            {2});
        row("an unlisted file of a saved note comes back", saved({1, 2, 3}, "2"), ",3,1,\r\n",
            three, {3, 1, 2});
        row("the leftover file of a deleted note stays away",
            saved({1}, "1") + "[4]\r\nTag=4\r\nTop=\r\nLeft=\r\nVisivel=\r\n", ",1,\r\n", {1, 4},
            {1});
    }

    // After a save of what was loaded, every content file is as it was and every note is listed.
    void notesToLoad_damagedIndex()
    {
        QFETCH(QByteArray, cfg);
        QFETCH(QByteArray, list);
        QFETCH(QList<int>, files);
        QFETCH(QList<int>, ids);
        if (cfg != "-")
            QVERIFY(writeBytes(IndexFile(), cfg));
        if (list != "-")
            QVERIFY(writeBytes(ListFile(), list));
        for (int id : files)
            QVERIFY(writeBytes(ContentFile(id), "{\\rtf1 nota " + QByteArray::number(id) + '}'));

        QCOMPARE(NotesToLoad(), ids);
        QVERIFY(save(QList<qint16>(ids.begin(), ids.end())));
        for (int id : files)
            QCOMPARE(readBytes(ContentFile(id)), "{\\rtf1 nota " + QByteArray::number(id) + '}');
        QCOMPARE(NotesToLoad(), ids);
        QCOMPARE(ini(0, "TotalForms"), QString::number(ids.size()));
    }

    void deleteNoteData_wholeNote()
    {
        QVERIFY(NextNoteId() == 1 && readBytes(ListFile()) == ",1,\r\n"); // no list yet
        QVERIFY(writeBytes(ContentFile(3), "{\\rtf1 three}"));
        QVERIFY(writeBytes(ContentFile(13), "{\\rtf1 thirteen}"));
        QVERIFY(save({1, 2, 3, 13}));

        DeleteNoteData(3, true);
        UnlistNote(3, 3);
        QCOMPARE(readBytes(ListFile()), QByteArray(",1,2,13,\r\n"));
        QCOMPARE(ini(0, "TotalForms"), u"3"_qs);
        QVERIFY(!QFile::exists(ContentFile(3)));
        QCOMPARE(readBytes(ContentFile(13)), QByteArray("{\\rtf1 thirteen}"));
        // The section keeps its Tag; every other key stays with an empty value.
        QCOMPARE(ini(3, "Tag"), u"3"_qs);
        for (const char *k : {"OnTop", "Color1", "Color2", "Top", "Left", "Visivel", "Titulo",
                              "ArquivoWave", "Alarme", "Data", "Hora", "TocouEm"})
            QVERIFY2(readBytes(IndexFile()).contains("\r\n" + QByteArray(k) + "=\r\n"), k);
        QCOMPARE(NotesToLoad(), (QList<int>{1, 2, 13}));
        // Its number is given out again and starts from the defaults.
        QCOMPARE(int(NextNoteId()), 3);
        QCOMPARE(ReadNoteRecord(3).color1, 5433854u);
    }

    // A save that fails leaves the old files, says why, and tells the user once until a save
    // works again.
    void saveNoteRecords_failure()
    {
        QList<NoteRecord> records{ReadNoteRecord(1)};
        records[0].content = "{\\rtf1 antes}";
        QVERIFY(SaveNoteRecords({1}, records));
        records[0].content = QByteArray(4000, 'x');
        {
            FileSizeLimit full(1000);
            QVERIFY(!SaveNoteRecords({1}, records));
        }
        QVERIFY(!records[0].contentSaved);
        QCOMPARE(readBytes(ContentFile(1)), QByteArray("{\\rtf1 antes}"));
        const QString why = SaveFailureText();
        QVERIFY2(why.contains(QDir::toNativeSeparators(DataPath)) && why.contains(u"grande demais"),
                 qPrintable(why));
        ReportSaveFailure();
        ReportSaveFailure();
        QCOMPARE(m_fakes->messageBoxes->asked.size(), 1);

        QVERIFY(SaveNoteRecords({1}, records));
        QVERIFY(records[0].contentSaved);
        QCOMPARE(SaveFailureText(), QString());
        // Another program's version, written since, is not replaced; once it is known, it is.
        QVERIFY(writeBytes(ContentFile(1), "{\\rtf1 deles}"));
        records[0].content = "{\\rtf1 nosso}";
        QVERIFY(SaveNoteRecords({1}, records));
        QVERIFY(!records[0].contentSaved && records[0].contentChangedOutside);
        QCOMPARE(readBytes(ContentFile(1)), QByteArray("{\\rtf1 deles}"));
        records[0].contentStamp = FileStamp::of(ContentFile(1));
        QVERIFY(SaveNoteRecords({1}, records));
        QVERIFY(records[0].contentSaved && !records[0].contentChangedOutside);
        QCOMPARE(records[0].contentStamp, FileStamp::of(ContentFile(1)));
        QCOMPARE(readBytes(ContentFile(1)), QByteArray("{\\rtf1 nosso}"));
        // A data folder that went away is made again, owner-only.
        QVERIFY(QDir(DataPath).removeRecursively());
        QVERIFY(SaveNoteRecords({1}, records));
        QCOMPARE(modeOf(DataPath), 0700);
        QCOMPARE(readBytes(ListFile()), QByteArray(",1,\r\n"));
    }

    void keepOnScreen_bringsBackLostNotes_data()
    {
        QTest::addColumn<QRect>("desktop"); // all screens, pixels; the primary is 768x768
        QTest::addColumn<QPoint>("twips");
        QTest::addColumn<QPoint>("kept"); // -1: moved at random within the primary screen
        const QRect one(0, 0, 768, 768), two(0, 0, 768 + 1024, 768);
        const auto row = [](const char *name, QRect desktop, QPoint twips, QPoint kept) {
            QTest::newRow(name) << desktop << twips << kept;
        };
        row("at the lower limit stays", one, {9000, 9520}, {9000, 9520});
        row("one twip lower moves", one, {100, 9521}, {100, -1});
        row("partly above and left stays", one, {-2400, -1500}, {-2400, -1500});
        row("on the second monitor stays", two, {20000, 300}, {20000, 300});
        row("beyond both monitors moves", two, {30000, 300}, {-1, 300});
    }

    void keepOnScreen_bringsBackLostNotes()
    {
        QFETCH(QRect, desktop);
        QFETCH(QPoint, twips);
        QFETCH(QPoint, kept);
        m_fakes->screen->size = QSize(768, 768);
        m_fakes->screen->all = desktop;
        // Half of the primary screen less 2700 twips across or 3000 down.
        const QPoint random((11520 - 2700) / 2, (11520 - 3000) / 2);
        QCOMPARE(KeepOnScreen(twips), QPoint(kept.x() == -1 ? random.x() : kept.x(),
                                             kept.y() == -1 ? random.y() : kept.y()));
    }
};

QTEST_GUILESS_MAIN(tst_NoteStore)
#include "tst_notestore.moc"
