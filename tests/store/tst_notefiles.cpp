#include "platform/Globals.h"
#include "platform/ProfileString.h"
#include "store/Ini.h"
#include "store/NoteFiles.h"
#include "mock/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace TestFiles;

class TestNoteFiles : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;

    QStringList filesInDataPath() const
    {
        return QDir(DataPath).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        DataPath = m_dir->path() + QLatin1Char('/');
    }

    void getField_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("listAfter");

        const auto row = [](const char *name, const char *list, const char *sep, int n,
                            const char *field, const char *after) {
            QTest::newRow(name) << QString::fromLatin1(list) << QString::fromLatin1(sep) << n
                                << QString::fromLatin1(field) << QString::fromLatin1(after);
        };
        row("first of ,3,1,2,", ",3,1,2,", ",", 1, "3", ",3,1,2,");
        row("third of ,3,1,2,", ",3,1,2,", ",", 3, "2", ",3,1,2,");
        row("beyond the last field", ",3,1,2,", ",", 4, "", ",3,1,2,");
        row("the empty list", ",", ",", 1, "", ",");
        row("an empty string gets framed", "", ",", 1, "", ",");
        row("unframed list gets framed", "3,1,2", ",", 3, "2", ",3,1,2,");
        row("framed at the front only", ",7", ",", 1, "7", ",7,");
        row("empty field inside", ",4,,5,", ",", 2, "", ",4,,5,");
        row("field after an empty one", ",4,,5,", ",", 3, "5", ",4,,5,");
        row("day of a date", "25/12/2026", "/", 1, "25", "/25/12/2026/");
        row("longer separator", "a::bb::c", "::", 2, "bb", "::a::bb::c::");
        row("field zero", ",3,1,", ",", 0, "", ",3,1,");
    }

    void getField()
    {
        QFETCH(QString, list);
        QFETCH(QString, separator);
        QFETCH(int, n);
        QFETCH(QString, field);
        QFETCH(QString, listAfter);
        QCOMPARE(GetField(list, separator, n), field);
        QCOMPARE(list, listAfter);
    }

    void replaceAll_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("find");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QString>("expected");

        const auto row = [](const char *name, const char *text, const char *find,
                            const char *replacement, const char *expected) {
            QTest::newRow(name) << QString::fromLatin1(text) << QString::fromLatin1(find)
                                << QString::fromLatin1(replacement)
                                << QString::fromLatin1(expected);
        };
        row("remove 3 keeps 13", ",1,3,13,", ",3,", ",", ",1,13,");
        row("remove 1 keeps 13 and 31", ",13,1,31,", ",1,", ",", ",13,31,");
        row("remove a repeated number", ",3,3,5,3,", ",3,", ",", ",5,");
        row("remove the only number", ",7,", ",7,", ",", ",");
        row("number not listed", ",1,2,", ",9,", ",", ",1,2,");
        row("collapse doubled commas", "1,,,,2", ",,", ",", "1,2");
        row("remove spaces", " 1, 2 ,3 ", " ", "", "1,2,3");
        row("replacement completes a new match", "aaab", "ab", "b", "b");
        row("empty find changes nothing", "abc", "", "x", "abc");
        row("replacement holding find ends", "a-a", "a", "aa", "aa-aa");
    }

    void replaceAll()
    {
        QFETCH(QString, text);
        QFETCH(QString, find);
        QFETCH(QString, replacement);
        QFETCH(QString, expected);
        QCOMPARE(ReplaceAll(text, find, replacement), expected);
    }

    void listLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("id");
        QTest::addColumn<bool>("contains");
        QTest::addColumn<QString>("appended");

        QTest::newRow("listed first") << ",1,13," << 1 << true << ",1,13,1,";
        QTest::newRow("listed last") << ",1,13," << 13 << true << ",1,13,13,";
        QTest::newRow("3 is not 13") << ",1,13," << 3 << false << ",1,13,3,";
        QTest::newRow("1 is not 11") << ",11," << 1 << false << ",11,1,";
        QTest::newRow("empty list") << "," << 1 << false << ",1,";
        QTest::newRow("spaces around") << "  ,5,  " << 6 << false << ",5,6,";
        QTest::newRow("empty line keeps the frame") << "" << 1 << false << ",1,";
        QTest::newRow("damaged line keeps the frame") << "5,6" << 7 << false << ",5,6,7,";
    }

    void listLine()
    {
        QFETCH(QString, line);
        QFETCH(int, id);
        QFETCH(bool, contains);
        QFETCH(QString, appended);
        QCOMPARE(ListContains(line, id), contains);
        const QString after = ListAppend(line, id);
        QCOMPARE(after, appended);
        QVERIFY(ListContains(after, id));
    }

    void readListLine_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("line");
        QTest::newRow("usual") << QByteArray(",3,1,2,\r\n") << ",3,1,2,";
        QTest::newRow("only the first line, trimmed")
            << QByteArray("  ,1,2,  \r\n,9,\r\n") << ",1,2,";
        QTest::newRow("bare LF") << QByteArray(",4,\n,5,\n") << ",4,";
        QTest::newRow("bare CR") << QByteArray(",4,\r,5,") << ",4,";
        QTest::newRow("no line end") << QByteArray(",8,") << ",8,";
        QTest::newRow("empty file") << QByteArray() << "";
    }

    void readListLine()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, line);
        QVERIFY(writeBytes(DataPath + u"indice.dat"_qs, content));
        QVERIFY(ListFileExists());
        QCOMPARE(ReadListLine(), line);
    }

    void missingListFile()
    {
        QVERIFY(!ListFileExists());
        QCOMPARE(ReadListLine(), QString());
    }

    void writeListLine()
    {
        QVERIFY(WriteListLine(u"  ,2,1,  "_qs));
        QCOMPARE(readBytes(DataPath + u"indice.dat"_qs), QByteArray(",2,1,\r\n"));
        QVERIFY(WriteListLine(u","_qs));
        QCOMPARE(readBytes(DataPath + u"indice.dat"_qs), QByteArray(",\r\n"));
        QCOMPARE(filesInDataPath(), QStringList{u"indice.dat"_qs});
    }

    // The first run writes Indice.dat, later runs ask for indice.dat: one file either way.
    void listFileOfAnotherCase()
    {
        QVERIFY(writeBytes(DataPath + u"Indice.dat"_qs, ",1,\r\n"));
        QVERIFY(ListFileExists());
        QCOMPARE(ListFile(), DataPath + u"Indice.dat"_qs);
        QCOMPARE(ReadListLine(), u",1,"_qs);
        QVERIFY(WriteListLine(ListAppend(ReadListLine(), 2)));
        QCOMPARE(filesInDataPath(), QStringList{u"Indice.dat"_qs});
        QCOMPARE(readBytes(DataPath + u"Indice.dat"_qs), QByteArray(",1,2,\r\n"));
    }

    void resolveFileCase_data()
    {
        QTest::addColumn<QStringList>("onDisk");
        QTest::addColumn<QString>("asked");
        QTest::addColumn<QString>("found");
        const auto row = [](const char *name, const QStringList &onDisk, const QString &asked,
                            const QString &found) {
            QTest::newRow(name) << onDisk << asked << found;
        };

        row("exact name", QStringList{"Indice.cfg"}, "Indice.cfg", "Indice.cfg");
        row("other case", QStringList{"INDICE.CFG"}, "Indice.cfg", "INDICE.CFG");
        row("exact name wins over another case", QStringList{"indice.dat", "Indice.dat"},
            "Indice.dat", "Indice.dat");
        row("nothing matches", QStringList{"other.cfg"}, "Indice.cfg", "Indice.cfg");
        row("temporary files are not the file",
            QStringList{"Indice.cfg.Ab12Cd", "indice.cfg~", "Indice.cfgx"}, "Indice.cfg",
            "Indice.cfg");
        row("content file", QStringList{"NotaVex12.ARL", "notavex1.arl"}, "notavex12.arl",
            "NotaVex12.ARL");
    }

    void resolveFileCase()
    {
        QFETCH(QStringList, onDisk);
        QFETCH(QString, asked);
        QFETCH(QString, found);
        for (const QString &name : onDisk)
            QVERIFY(writeBytes(DataPath + name, "x"));
        QCOMPARE(ResolveFileCase(DataPath + asked), DataPath + found);
        // Asked again, from the remembered answer.
        QCOMPARE(ResolveFileCase(DataPath + asked), DataPath + found);
    }

    void resolutionFollowsTheFolder()
    {
        const QString asked = DataPath + u"Indice.cfg"_qs;
        QCOMPARE(ResolveFileCase(asked), asked);
        QVERIFY(writeBytes(DataPath + u"INDICE.cfg"_qs, "x"));
        QCOMPARE(ResolveFileCase(asked), DataPath + u"INDICE.cfg"_qs);
        QVERIFY(QFile::rename(DataPath + u"INDICE.cfg"_qs, DataPath + u"indice.CFG"_qs));
        QCOMPARE(ResolveFileCase(asked), DataPath + u"indice.CFG"_qs);
        QVERIFY(QFile::remove(DataPath + u"indice.CFG"_qs));
        QCOMPARE(ResolveFileCase(asked), asked);
    }

    void relativePath()
    {
        const QString saved = QDir::currentPath();
        QVERIFY(QDir::setCurrent(DataPath));
        QVERIFY(writeBytes(DataPath + u"Indice.dat"_qs, ",1,\r\n"));
        const QString found = ResolveFileCase(u"indice.dat"_qs);
        QVERIFY(QDir::setCurrent(saved));
        QCOMPARE(found, u"Indice.dat"_qs);
    }

    void indexFileOfAnotherCase()
    {
        QVERIFY(writeBytes(DataPath + u"INDICE.CFG"_qs, "[Indice]\r\nTotalForms=4\r\n"));
        QCOMPARE(ReadIni(u"Indice"_qs, u"TotalForms"_qs, u"0"_qs, DataPath + u"Indice.cfg"_qs),
                 u"4"_qs);
        QVERIFY(WritePrivateProfileString(u"Indice"_qs, u"TotalForms"_qs, u"5"_qs, IndexFile()));
        QCOMPARE(filesInDataPath(), QStringList{u"INDICE.CFG"_qs});
        QCOMPARE(readBytes(DataPath + u"INDICE.CFG"_qs),
                 QByteArray("[Indice]\r\nTotalForms=5\r\n"));
    }

    void welcomeNote_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QByteArray>("top");
        QTest::addColumn<QByteArray>("left");
        QTest::newRow("1024x768") << QSize(1024, 768) << QByteArray("5236") << QByteArray("8533");
        QTest::newRow("1920x1080")
            << QSize(1920, 1080) << QByteArray("7364") << QByteArray("16000");
        QTest::newRow("5120 wide is held at the largest position")
            << QSize(5120, 2880) << QByteArray("19636") << QByteArray("32767");
        QTest::newRow("both too big")
            << QSize(7680, 5760) << QByteArray("32767") << QByteArray("32767");
        QTest::newRow("no screen") << QSize(0, 0) << QByteArray("0") << QByteArray("0");
    }

    void welcomeNote()
    {
        QFETCH(QSize, screen);
        QFETCH(QByteArray, top);
        QFETCH(QByteArray, left);
        // Files from an earlier run, in other letter cases, are replaced rather than doubled.
        QVERIFY(writeBytes(DataPath + u"indice.dat"_qs, ",7,8,\r\n"));
        QVERIFY(writeBytes(DataPath + u"NOTAVEX1.ARL"_qs, "old"));

        QVERIFY(WriteWelcomeNote(m_dir->path(), screen));

        QCOMPARE(filesInDataPath(), (QStringList{"Indice.cfg", "NOTAVEX1.ARL", "indice.dat"}));
        const QByteArray rtf =
            "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1046{\\fonttbl{\\f0\\froman\\fprq2"
            "\\fcharset0 Times New Roman;}{\\f1\\fnil\\fcharset0 Arial;}}\r\n"
            "{\\colortbl ;\\red128\\green0\\blue0;\\red0\\green0\\blue128;}\r\n"
            "\\viewkind4\\uc1\\pard\\cf1\\i\\f0\\fs20\r\n"
            "\\par Agora voc\\'ea tem um aplicativo que lhe ajudar\\'e1 a gerenciar os seus "
            "recados e compromissos de forma simples.\r\n"
            "\\par\r\n"
            "\\par O \\b Notavex\\b0  \\'e9 simples e eficiente;  f\\'e1cil de operar e muito "
            "\\'fatil no seu dia a dia. \\cf2\r\n"
            "\\par \\cf0\\i0\\f1\r\n"
            "\\par }\r\n";
        QCOMPARE(readBytes(DataPath + u"NOTAVEX1.ARL"_qs), rtf);
        QCOMPARE(readBytes(DataPath + u"indice.dat"_qs), QByteArray(",1,\r\n"));
        QCOMPARE(readBytes(DataPath + u"Indice.cfg"_qs),
                 "[1]\r\nOnTop=True\r\nTop=" + top + "\r\nLeft=" + left +
                     "\r\nTag=1\r\nTitulo=Bem Vindo !\r\nVisivel=True\r\nColor1=5433854\r\n"
                     "Color2=9830399\r\n[Indice]\r\nTotalForms=1\r\n");

        // What the program reads back from them.
        QCOMPARE(ReadListLine(), u",1,"_qs);
        QCOMPARE(ReadIni(u"1"_qs, u"Top"_qs, QString(), IndexFile()), QString::fromLatin1(top));
        QCOMPARE(ReadIni(u"Indice"_qs, u"TotalForms"_qs, QString(), IndexFile()), u"1"_qs);
    }

    void welcomeNoteOnFirstRun()
    {
        QVERIFY(WriteWelcomeNote(DataPath, QSize(1024, 768)));
        QCOMPARE(filesInDataPath(), (QStringList{"Indice.cfg", "Indice.dat", "notavex1.arl"}));
        QCOMPARE(ReadListLine(), u",1,"_qs);
        QCOMPARE(ContentFile(1), DataPath + u"notavex1.arl"_qs);
    }

    void welcomeNoteIntoMissingFolderFails()
    {
        QVERIFY(!WriteWelcomeNote(DataPath + u"missing/"_qs, QSize(1024, 768)));
    }

    void writeFileAtomic_data()
    {
        QTest::addColumn<QByteArray>("old"); // empty: no file yet
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("fits");
        QTest::newRow("new file") << QByteArray() << QByteArray("{\\rtf1 x}") << true;
        QTest::newRow("replaces a file") << QByteArray("old text") << QByteArray("new") << true;
        QTest::newRow("empty content") << QByteArray("old text") << QByteArray() << true;
        QTest::newRow("disk full keeps the old file")
            << QByteArray("old text") << QByteArray(64 * 1024, 'x') << false;
        QTest::newRow("disk full creates nothing")
            << QByteArray() << QByteArray(64 * 1024, 'x') << false;
    }

    void writeFileAtomic()
    {
        QFETCH(QByteArray, old);
        QFETCH(QByteArray, data);
        QFETCH(bool, fits);
        const QString path = ContentFile(3);
        if (!old.isEmpty())
            QVERIFY(writeBytes(path, old));
        bool ok;
        {
            FileSizeLimit limit(fits ? RLIM_INFINITY : 4096);
            ok = WriteFileAtomic(path, data);
        }
        QCOMPARE(ok, fits);
        if (fits) {
            QCOMPARE(readBytes(path), data);
        } else if (old.isEmpty()) {
            QVERIFY(!QFile::exists(path));
        } else {
            QCOMPARE(readBytes(path), old);
        }
        // No half-written companion is left beside it.
        QCOMPARE(filesInDataPath(),
                 QFile::exists(path) ? QStringList{u"notavex3.arl"_qs} : QStringList());
    }

    void writeFileAtomic_newFilesAreOwnersAlone()
    {
        const QString fresh = ContentFile(1);
        QVERIFY(WriteFileAtomic(fresh, "{\\rtf1 new}"));
        QCOMPARE(modeOf(fresh), 0600);

        // The mode its user gave a file outlives the file's replacement.
        const QString kept = ContentFile(2);
        QVERIFY(writeBytes(kept, "old"));
        QVERIFY(::chmod(QFile::encodeName(kept).constData(), 0640) == 0);
        QVERIFY(WriteFileAtomic(kept, "new"));
        QCOMPARE(readBytes(kept), QByteArray("new"));
        QCOMPARE(modeOf(kept), 0640);
    }
};

QTEST_GUILESS_MAIN(TestNoteFiles)
#include "tst_notefiles.moc"
