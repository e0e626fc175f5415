#include "mock/FakeServices.h"
#include "mock/TestFiles.h"
#include "mock/Warnings.h"

#include "base/FileAccess.h"
#include "base/Globals.h"
#include "store/AlarmRules.h"
#include "store/Ini.h"
#include "store/NoteFiles.h"
#include "store/NoteFolder.h"
#include "store/NoteStore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/stat.h>

using namespace TestFiles;

namespace {

QString ini(int section, const char *key)
{
    return ReadIni(section ? QString::number(section) : u"Indice"_qs, QString::fromLatin1(key),
                   u"<none>"_qs, IndexFile());
}

QStringList files()
{
    return QDir(DataPath).entryList(QDir::Files | QDir::Hidden, QDir::Name);
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

// The data folder's files as this program, other computers, synchronisation tools and people
// leave them.
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

    // The list is ",3,1,2,": every number between commas, so 3 is never found in 13.
    void listLine_readAndAppend_data()
    {
        QTest::addColumn<QByteArray>("file"); // "-": no file
        QTest::addColumn<int>("id");
        QTest::addColumn<bool>("listed");
        QTest::addColumn<QString>("appended");
        QTest::newRow("listed first") << ",1,13,\r\n"_qba << 1 << true << ",1,13,1,";
        QTest::newRow("3 is not 13") << ",1,13,\r\n"_qba << 3 << false << ",1,13,3,";
        QTest::newRow("the first line only, trimmed")
            << "  ,5,  \r\n,6,\r\n"_qba << 6 << false << ",5,6,";
        QTest::newRow("an empty file keeps the frame") << QByteArray() << 1 << false << ",1,";
        QTest::newRow("no file") << "-"_qba << 1 << false << ",1,";
        QTest::newRow("a damaged line gets its frame") << "5,6\r\n"_qba << 7 << false << ",5,6,7,";
    }

    void listLine_readAndAppend()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, id);
        QFETCH(bool, listed);
        QFETCH(QString, appended);
        QVERIFY(file == "-" || writeBytes(ListFile(), file));
        QCOMPARE(ListFileExists(), file != "-");
        const QString line = ReadListLine();
        QCOMPARE(ListContains(line, id), listed);
        QVERIFY(WriteListLine(u"  "_qs + ListAppend(line, id) + u"  "_qs));
        QCOMPARE(readBytes(ListFile()), appended.toLatin1() + "\r\n");
        QCOMPARE(files(), QStringList{u"indice.dat"_qs});
    }

    // Another letter case is found, the exact name wins, temporary files are not the file; the
    // folder is watched, so a file that is renamed or goes away is looked for again.
    void resolveFileCase_findsAnotherCase()
    {
        const QString asked = DataPath + u"Indice.cfg"_qs;
        QVERIFY(writeBytes(asked + u".Ab12Cd"_qs, "") && writeBytes(asked + u"x"_qs, ""));
        QVERIFY(writeBytes(DataPath + u"indice.cfg~"_qs, ""));
        QCOMPARE(ResolveFileCase(asked), asked);
        QVERIFY(writeBytes(DataPath + u"INDICE.cfg"_qs, "x"));
        QCOMPARE(ResolveFileCase(asked), DataPath + u"INDICE.cfg"_qs);
        QVERIFY(QFile::rename(DataPath + u"INDICE.cfg"_qs, DataPath + u"indice.CFG"_qs));
        QCOMPARE(ResolveFileCase(asked), DataPath + u"indice.CFG"_qs);
        QVERIFY(writeBytes(asked, "x"));
        QCOMPARE(ResolveFileCase(asked), asked);
        QVERIFY(QFile::remove(asked) && QFile::remove(DataPath + u"indice.CFG"_qs));
        QCOMPARE(ResolveFileCase(asked), asked);
    }

    void welcomeNote_bytes_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QByteArray>("topAndLeft");
        QTest::newRow("1024x768") << QSize(1024, 768) << "5236\r\nLeft=8533"_qba;
        QTest::newRow("5120 wide, held at the largest position")
            << QSize(5120, 2880) << "19636\r\nLeft=32767"_qba;
    }

    // The welcome note's files, byte for byte; those of an earlier run, in other letter cases,
    // are replaced rather than doubled.
    void welcomeNote_bytes()
    {
        QFETCH(QSize, screen);
        QFETCH(QByteArray, topAndLeft);
        QVERIFY(writeBytes(DataPath + u"indice.dat"_qs, ",7,8,\r\n"));
        QVERIFY(writeBytes(DataPath + u"NOTAVEX1.ARL"_qs, "old"));
        QVERIFY(WriteWelcomeNote(m_dir->path(), screen));
        QCOMPARE(files(), (QStringList{"Indice.cfg", "NOTAVEX1.ARL", "indice.dat"}));
        QCOMPARE(readBytes(DataPath + u"NOTAVEX1.ARL"_qs),
                 readBytes(QStringLiteral(NOTAVEX_TEST_DATA "/rtf/welcome.rtf")));
        QCOMPARE(readBytes(DataPath + u"indice.dat"_qs), QByteArray(",1,\r\n"));
        QCOMPARE(readBytes(DataPath + u"Indice.cfg"_qs),
                 "[1]\r\nOnTop=True\r\nTop=" + topAndLeft +
                     "\r\nTag=1\r\nTitulo=Bem Vindo !\r\nVisivel=True\r\nColor1=5433854\r\n"
                     "Color2=9830399\r\n[Indice]\r\nTotalForms=1\r\n");
        QVERIFY(!WriteWelcomeNote(DataPath + u"missing/"_qs, screen));
    }

    // A new number is never one a note uses, however the list was lost or cut short; the list is
    // completed from the folder and written at once. A deleted note's number is given out again.
    void nextNoteId_data()
    {
        QTest::addColumn<QByteArray>("cfg");
        QTest::addColumn<QByteArray>("list");   // "-": no indice.dat
        QTest::addColumn<QStringList>("files"); // content files
        QTest::addColumn<QList<int>>("open");   // open note windows
        QTest::addColumn<int>("id");
        QTest::addColumn<QByteArray>("written");
        const auto row = [](const char *name, const QByteArray &cfg, const QByteArray &list,
                            const char *files, const QList<int> &open, int id,
                            const QByteArray &written) {
            QTest::newRow(name) << cfg << list
                                << QString::fromLatin1(files).split(u' ', Qt::SkipEmptyParts)
                                << open << id << written;
        };
        row("first note", "", "-", "", {}, 1, ",1,");
        row("the gap in the list", "", ",1,2,4,", "", {}, 3, ",1,2,4,3,");
        row("list lost, files in any case", "", "-", "notavex1.arl NOTAVEX2.ARL", {}, 3, ",1,2,3,");
        row("damaged list", "", "1;x,,2\x01,3", "notavex1.arl", {}, 2, ",3,1,2,");
        row("short list, files beyond it", "", ",1,", "notavex1.arl notavex5.arl", {}, 2,
            ",1,5,2,");
        row("open notes not saved yet", "", ",", "", {1, 2}, 3, ",3,");
        row("another computer's note, its file still on the way",
            "[1]\r\nTitulo=de lá\r\nTop=300\r\n", ",", "", {}, 2, ",2,");
    }

    void nextNoteId()
    {
        QFETCH(QByteArray, cfg);
        QFETCH(QByteArray, list);
        QFETCH(QStringList, files);
        QFETCH(QList<int>, open);
        QFETCH(int, id);
        QFETCH(QByteArray, written);
        QVERIFY(writeBytes(IndexFile(), cfg));
        QVERIFY(list == "-" || writeBytes(ListFile(), list));
        for (const QString &file : files)
            QVERIFY(writeBytes(DataPath + file, "{\\rtf1 " + file.toLatin1() + '}'));
        QCOMPARE(int(NextNoteId(open)), id);
        QCOMPARE(readBytes(ListFile()), written + "\r\n");
        for (const QString &file : files)
            QCOMPARE(readBytes(DataPath + file), "{\\rtf1 " + file.toLatin1() + '}');
    }

    // Each name with the original it is a conflict copy of, or with none.
    void conflictCopyOf()
    {
        const QList<std::pair<const char *, const char *>> names{
            {"notavex3.sync-conflict-20261207-101010-ABCDEFG.arl", "notavex3.arl"},
            {"notavex3 (conflicted copy 2026-12-07 101010).arl", "notavex3.arl"},
            {"notavex3 (Ana's conflicted copy 2026-12-07).arl", "notavex3.arl"},
            {"NOTAVEX3 (Ana's conflicted copy 2026-12-07 (1)).ARL", "NOTAVEX3.ARL"},
            {"Indice.sync-conflict-20261207-101010-ABCDEFG.cfg", "Indice.cfg"},
            {"indice (conflicted copy 2026-12-07 101010).dat", "indice.dat"}};
        for (const auto &[name, original] : names)
            QVERIFY2(ConflictCopyOf(QString::fromLatin1(name)) == QString::fromLatin1(original),
                     name);
        for (const char *other : {"notavex3.arl", "notavex3.arl.bak", "notas (conflicted).txt",
                                  "lista.sync-conflict-20261207-101010-ABCDEFG.txt",
                                  "notavex03.sync-conflict-20261207-101010-ABCDEFG.arl"})
            QVERIFY2(ConflictCopyOf(QString::fromLatin1(other)).isEmpty(), other);
    }

    // Every side of every conflict ends as a note, each once; the index keeps what both sides
    // wrote; files that are not the program's stay as they are.
    void tidyNoteFolder_keepsBothSides()
    {
        const QMap<QString, QByteArray> written{
            {u"Indice.cfg"_qs, "[Indice]\r\nTotalForms=1\r\n[3]\r\nTitulo=Compras\r\nTop=1500\r\n"
                               "Left=3000\r\nColor1=255\r\nAlarme=1\r\n"},
            {u"Indice.sync-conflict-20261207-101010-ABCDEFG.cfg"_qs,
             "[3]\r\nTitulo=Outro\r\nColor2=65280\r\n[9]\r\nTitulo=Nova\r\nLonga=" +
                 QByteArray(300, 'x') + "\r\n"},
            {u"indice.dat"_qs, ",3,\r\n"},
            {u"notavex3.arl"_qs, "{\\rtf1 daqui}"},
            {u"notavex3.sync-conflict-20261207-101010-ABCDEFG.arl"_qs, "{\\rtf1 de la}"},
            {u"NOTAVEX3.ARL"_qs, "{\\rtf1 maiusculas}"},
            {u"notavex3.arl.bak"_qs, "copia"}};
        for (auto it = written.cbegin(); it != written.cend(); ++it)
            QVERIFY(writeBytes(DataPath + it.key(), it.value()));

        const QList<int> added = TidyNoteFolder({});
        QCOMPARE(added.size(), 2);
        QStringList texts;
        for (const int id : QList<int>{3} + added)
            texts << QString::fromLatin1(readBytes(ContentFile(id)));
        texts.sort();
        QCOMPARE(texts, (QStringList{u"{\\rtf1 daqui}"_qs, u"{\\rtf1 de la}"_qs,
                                     u"{\\rtf1 maiusculas}"_qs}));
        for (const int id : added) { // beside note 3, ringing once only
            QCOMPARE(ini(id, "Titulo") + ini(id, "Left"), u"Compras (conflito)5880"_qs);
            QCOMPARE(ReadIni(QString::number(id), u"Alarme"_qs, {}, IndexFile()), QString());
        }
        QCOMPARE(ini(3, "Titulo") + ini(3, "Color2") + ini(9, "Titulo"), u"Compras65280Nova"_qs);
        QVERIFY(readBytes(IndexFile()).contains("Longa=" + QByteArray(300, 'x') + "\r\n"));
        QCOMPARE(NotesToLoad(), QList<int>{3} + added);
        QVERIFY(files().contains(u"notavex3.arl.bak"_qs));
        QCOMPARE(files().filter(u"conflict"_qs), QStringList());
        // The index copy's other title is not lost: the copy is in the Trash.
        QVERIFY(readBytes(m_fakes->trash() + u"/files/Indice.sync-conflict-20261207-101010-"
                                             u"ABCDEFG.cfg"_qs)
                    .contains("Titulo=Outro"));
        QVERIFY(TidyNoteFolder({}).isEmpty()); // nothing left to do
    }

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
        QVERIFY(kind == u"FIFO"                ? ::mkfifo(name, 0600) == 0
                : kind == u"link to /dev/zero" ? QFile::link(u"/dev/zero"_qs, path)
                : kind == u"folder"            ? QDir().mkdir(path)
                : kind == u"dangling link"
                    ? QFile::link(path + u".gone"_qs, path)
                    : writeBytes(path, "x") && ::truncate(name, qint64(2) << 30) == 0);
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
        // The files first: a file written after the deletion was put back (see the delete test).
        for (int id : files)
            QVERIFY(writeBytes(ContentFile(id), "{\\rtf1 nota " + QByteArray::number(id) + '}'));
        QVERIFY(cfg == "-" || writeBytes(IndexFile(), cfg));
        QVERIFY(list == "-" || writeBytes(ListFile(), list));

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
        // The file went to the Trash, which knows where it came from.
        const QString trashed = m_fakes->trash() + u"/files/notavex3.arl"_qs;
        QCOMPARE(readBytes(trashed), QByteArray("{\\rtf1 three}"));
        QVERIFY(readBytes(m_fakes->trash() + u"/info/notavex3.arl.trashinfo"_qs)
                    .contains("\nPath=" + QFile::encodeName(ContentFile(3)) + '\n'));
        // Put back as a file manager does, it is a note again at the next start.
        QVERIFY(QFile::rename(trashed, ContentFile(3)));
        QCOMPARE(NotesToLoad(), (QList<int>{1, 2, 13, 3}));
        QVERIFY(QFile::remove(ContentFile(3)));
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

    // A note the desktop (all screens) does not show moves at random within the primary screen
    // of 768 x 768 pixels, along the lost axis only.
    void keepOnScreen_bringsBackLostNotes()
    {
        m_fakes->screen->size = QSize(768, 768);
        // Half of the primary screen less 2700 twips across or 3000 down.
        const int x = (11520 - 2700) / 2, y = (11520 - 3000) / 2;
        const QRect one(0, 0, 768, 768), two(0, 0, 768 + 1024, 768);
        const QList<std::tuple<QRect, QPoint, QPoint>> cases{
            {one, {9000, 9520}, {9000, 9520}},     // at the lower limit stays
            {one, {100, 9521}, {100, y}},          // one twip lower moves
            {one, {-2400, -1500}, {-2400, -1500}}, // partly above and left stays
            {two, {20000, 300}, {20000, 300}},     // on the second monitor stays
            {two, {30000, 300}, {x, 300}}};        // beyond both monitors moves
        for (const auto &[desktop, twips, kept] : cases) {
            m_fakes->screen->all = desktop;
            QCOMPARE(KeepOnScreen(twips), kept);
        }
    }

    // One evaluation of an alarm's stored keys, HoraAntes made from Hora as the dialog makes it,
    // and whether a ring is the schedule's last. Saturday 5 December 2026, 10:00:30, unless a row
    // says otherwise.
    void alarmRules_evaluate_data()
    {
        using AlarmRules::Due;
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("hora");
        QTest::addColumn<QString>("tocouEm");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<int>("due");
        QTest::addColumn<bool>("final");
        const auto row = [](const char *name, const char *data, const char *hora, Due due,
                            bool final = false, const char *rang = "",
                            QDateTime now = {QDate(2026, 12, 5), QTime(10, 0, 30)}) {
            QTest::newRow(name) << QString::fromUtf8(data) << QString::fromUtf8(hora)
                                << QString::fromUtf8(rang) << now << int(due) << final;
        };
        const Due No = Due::No, Near = Due::Near, Ring = Due::Ring;
        row("daily, time passed", "Diariamente", "08:00:00", Ring);
        row("daily, rung today", "Diariamente", "08:00:00", No, false, "05/12/2026");
        row("after midnight the day counts again", "Diariamente", "00:00:00", Ring, false,
            "05/12/2026", {QDate(2026, 12, 6), QTime(0, 0, 10)});
        row("later today", "Diariamente", "11:00:00", No);
        row("the minute before", "Diariamente", "10:01:00", Near);
        row("the minute itself", "Diariamente", "10:00:59", Ring);
        row("empty time rings at once", "Diariamente", "", Ring);
        row("empty schedule never", "", "", No);
        row("date, the last", "5/12/2026", "", Ring, true);
        row("leading zero never matches", "05/12/2026", "", No);
        row("every month of 2026, in November", "1/0/2026", "", Ring, false, "",
            {QDate(2026, 11, 1), QTime(10, 0)});
        row("every month of 2026, in December: the last", "1/0/2026", "", Ring, true, "",
            {QDate(2026, 12, 1), QTime(10, 0)});
        row("every year", "5/12/Todos", "", Ring);
        row("days of the month", "DiaMes:,1,5,31,", "", Ring);
        row(",15, is not the 5th", "DiaMes:,1,15,", "", No);
        row("Saturday is 7", "DiaSemana:,2,7,", "", Ring);
        row("Saturday not ticked", "DiaSemana:,2,4,6,", "", No);
    }

    void alarmRules_evaluate()
    {
        using namespace AlarmRules;
        QFETCH(QString, data);
        QFETCH(QString, hora);
        QFETCH(QString, tocouEm);
        QFETCH(QDateTime, now);
        QFETCH(int, due);
        QFETCH(bool, final);
        QCOMPARE(int(Evaluate(data, tocouEm, hora, UmMinutoAntes(hora), now)), due);
        if (due == int(Due::Ring))
            QCOMPARE(IsFinal(data, now.date()), final);
    }

    // The hour borrows; midnight has no minute before it on the same day and stays as it is.
    void alarmRules_umMinutoAntes()
    {
        QCOMPARE(AlarmRules::UmMinutoAntes(u"14:00:15"_qs) +
                     AlarmRules::UmMinutoAntes(u"00:00:00"_qs),
                 u"13:59:1500:00:00"_qs);
    }
};

QTEST_GUILESS_MAIN(tst_NoteStore)
#include "tst_notestore.moc"
