#include "platform/Globals.h"
#include "platform/ProfileString.h"
#include "store/Ini.h"
#include "store/NoteFiles.h"
#include "store/TestFiles.h"

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

        QTest::newRow("first of ,3,1,2,") << ",3,1,2,"
                                          << "," << 1 << "3"
                                          << ",3,1,2,";
        QTest::newRow("second of ,3,1,2,") << ",3,1,2,"
                                           << "," << 2 << "1"
                                           << ",3,1,2,";
        QTest::newRow("third of ,3,1,2,") << ",3,1,2,"
                                          << "," << 3 << "2"
                                          << ",3,1,2,";
        QTest::newRow("beyond the last field") << ",3,1,2,"
                                               << "," << 4 << ""
                                               << ",3,1,2,";
        QTest::newRow("far beyond the last field") << ",3,1,2,"
                                                   << "," << 9 << ""
                                                   << ",3,1,2,";
        QTest::newRow("the empty list") << ","
                                        << "," << 1 << ""
                                        << ",";
        QTest::newRow("an empty string gets framed") << ""
                                                     << "," << 1 << ""
                                                     << ",";
        QTest::newRow("unframed list gets framed") << "3,1,2"
                                                   << "," << 3 << "2"
                                                   << ",3,1,2,";
        QTest::newRow("framed at the front only") << ",7"
                                                  << "," << 1 << "7"
                                                  << ",7,";
        QTest::newRow("empty field inside") << ",4,,5,"
                                            << "," << 2 << ""
                                            << ",4,,5,";
        QTest::newRow("field after an empty one") << ",4,,5,"
                                                  << "," << 3 << "5"
                                                  << ",4,,5,";
        QTest::newRow("day of a date") << "25/12/2026"
                                       << "/" << 1 << "25"
                                       << "/25/12/2026/";
        QTest::newRow("year of a date") << "25/12/2026"
                                        << "/" << 3 << "2026"
                                        << "/25/12/2026/";
        QTest::newRow("longer separator") << "a::bb::c"
                                          << "::" << 2 << "bb"
                                          << "::a::bb::c::";
        QTest::newRow("field zero") << ",3,1,"
                                    << "," << 0 << ""
                                    << ",3,1,";
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

        QTest::newRow("remove 3 keeps 13") << ",1,3,13,"
                                           << ",3,"
                                           << ","
                                           << ",1,13,";
        QTest::newRow("remove 1 keeps 13 and 31") << ",13,1,31,"
                                                  << ",1,"
                                                  << ","
                                                  << ",13,31,";
        QTest::newRow("remove a repeated number") << ",3,3,5,3,"
                                                  << ",3,"
                                                  << ","
                                                  << ",5,";
        QTest::newRow("remove the only number") << ",7,"
                                                << ",7,"
                                                << ","
                                                << ",";
        QTest::newRow("number not listed") << ",1,2,"
                                           << ",9,"
                                           << ","
                                           << ",1,2,";
        QTest::newRow("collapse doubled commas") << "1,,,,2"
                                                 << ",,"
                                                 << ","
                                                 << "1,2";
        QTest::newRow("remove spaces") << " 1, 2 ,3 "
                                       << " "
                                       << ""
                                       << "1,2,3";
        QTest::newRow("replacement completes a new match") << "aaab"
                                                           << "ab"
                                                           << "b"
                                                           << "b";
        QTest::newRow("empty find changes nothing") << "abc"
                                                    << ""
                                                    << "x"
                                                    << "abc";
        QTest::newRow("replacement holding find ends") << "a-a"
                                                       << "a"
                                                       << "aa"
                                                       << "aa-aa";
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
        QVERIFY(writeBytes(DataPath + QStringLiteral("indice.dat"), content));
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
        QVERIFY(WriteListLine(QStringLiteral("  ,2,1,  ")));
        QCOMPARE(readBytes(DataPath + QStringLiteral("indice.dat")), QByteArray(",2,1,\r\n"));
        QVERIFY(WriteListLine(QStringLiteral(",")));
        QCOMPARE(readBytes(DataPath + QStringLiteral("indice.dat")), QByteArray(",\r\n"));
        QCOMPARE(filesInDataPath(), QStringList{QStringLiteral("indice.dat")});
    }

    // The first run writes Indice.dat, later runs ask for indice.dat: one file either way.
    void listFileOfAnotherCase()
    {
        QVERIFY(writeBytes(DataPath + QStringLiteral("Indice.dat"), ",1,\r\n"));
        QVERIFY(ListFileExists());
        QCOMPARE(ListFile(), DataPath + QStringLiteral("Indice.dat"));
        QCOMPARE(ReadListLine(), QStringLiteral(",1,"));
        QVERIFY(WriteListLine(ListAppend(ReadListLine(), 2)));
        QCOMPARE(filesInDataPath(), QStringList{QStringLiteral("Indice.dat")});
        QCOMPARE(readBytes(DataPath + QStringLiteral("Indice.dat")), QByteArray(",1,2,\r\n"));
    }

    void resolveFileCase_data()
    {
        QTest::addColumn<QStringList>("onDisk");
        QTest::addColumn<QString>("asked");
        QTest::addColumn<QString>("found");

        QTest::newRow("exact name") << QStringList{"Indice.cfg"} << "Indice.cfg"
                                    << "Indice.cfg";
        QTest::newRow("other case") << QStringList{"INDICE.CFG"} << "Indice.cfg"
                                    << "INDICE.CFG";
        QTest::newRow("exact name wins over another case")
            << QStringList{"indice.dat", "Indice.dat"} << "Indice.dat"
            << "Indice.dat";
        QTest::newRow("nothing matches") << QStringList{"other.cfg"} << "Indice.cfg"
                                         << "Indice.cfg";
        QTest::newRow("temporary files are not the file")
            << QStringList{"Indice.cfg.Ab12Cd", "indice.cfg~", "Indice.cfgx"} << "Indice.cfg"
            << "Indice.cfg";
        QTest::newRow("content file")
            << QStringList{"NotaVex12.ARL", "notavex1.arl"} << "notavex12.arl"
            << "NotaVex12.ARL";
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
        const QString asked = DataPath + QStringLiteral("Indice.cfg");
        QCOMPARE(ResolveFileCase(asked), asked);
        QVERIFY(writeBytes(DataPath + QStringLiteral("INDICE.cfg"), "x"));
        QCOMPARE(ResolveFileCase(asked), DataPath + QStringLiteral("INDICE.cfg"));
        QVERIFY(QFile::rename(DataPath + QStringLiteral("INDICE.cfg"),
                              DataPath + QStringLiteral("indice.CFG")));
        QCOMPARE(ResolveFileCase(asked), DataPath + QStringLiteral("indice.CFG"));
        QVERIFY(QFile::remove(DataPath + QStringLiteral("indice.CFG")));
        QCOMPARE(ResolveFileCase(asked), asked);
    }

    void relativePath()
    {
        const QString saved = QDir::currentPath();
        QVERIFY(QDir::setCurrent(DataPath));
        QVERIFY(writeBytes(DataPath + QStringLiteral("Indice.dat"), ",1,\r\n"));
        const QString found = ResolveFileCase(QStringLiteral("indice.dat"));
        QVERIFY(QDir::setCurrent(saved));
        QCOMPARE(found, QStringLiteral("Indice.dat"));
    }

    void indexFileOfAnotherCase()
    {
        QVERIFY(
            writeBytes(DataPath + QStringLiteral("INDICE.CFG"), "[Indice]\r\nTotalForms=4\r\n"));
        QCOMPARE(ReadIni(QStringLiteral("Indice"), QStringLiteral("TotalForms"),
                         QStringLiteral("0"), DataPath + QStringLiteral("Indice.cfg")),
                 QStringLiteral("4"));
        QVERIFY(WritePrivateProfileString(QStringLiteral("Indice"), QStringLiteral("TotalForms"),
                                          QStringLiteral("5"), IndexFile()));
        QCOMPARE(filesInDataPath(), QStringList{QStringLiteral("INDICE.CFG")});
        QCOMPARE(readBytes(DataPath + QStringLiteral("INDICE.CFG")),
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
        QVERIFY(writeBytes(DataPath + QStringLiteral("indice.dat"), ",7,8,\r\n"));
        QVERIFY(writeBytes(DataPath + QStringLiteral("NOTAVEX1.ARL"), "old"));

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
        QCOMPARE(readBytes(DataPath + QStringLiteral("NOTAVEX1.ARL")), rtf);
        QCOMPARE(readBytes(DataPath + QStringLiteral("indice.dat")), QByteArray(",1,\r\n"));
        QCOMPARE(readBytes(DataPath + QStringLiteral("Indice.cfg")),
                 "[1]\r\nOnTop=True\r\nTop=" + top + "\r\nLeft=" + left +
                     "\r\nTag=1\r\nTitulo=Bem Vindo !\r\nVisivel=True\r\nColor1=5433854\r\n"
                     "Color2=9830399\r\n[Indice]\r\nTotalForms=1\r\n");

        // What the program reads back from them.
        QCOMPARE(ReadListLine(), QStringLiteral(",1,"));
        QCOMPARE(ReadIni(QStringLiteral("1"), QStringLiteral("Top"), QString(), IndexFile()),
                 QString::fromLatin1(top));
        QCOMPARE(
            ReadIni(QStringLiteral("Indice"), QStringLiteral("TotalForms"), QString(), IndexFile()),
            QStringLiteral("1"));
    }

    void welcomeNoteOnFirstRun()
    {
        QVERIFY(WriteWelcomeNote(DataPath, QSize(1024, 768)));
        QCOMPARE(filesInDataPath(), (QStringList{"Indice.cfg", "Indice.dat", "notavex1.arl"}));
        QCOMPARE(ReadListLine(), QStringLiteral(",1,"));
        QCOMPARE(ContentFile(1), DataPath + QStringLiteral("notavex1.arl"));
    }

    void welcomeNoteIntoMissingFolderFails()
    {
        QVERIFY(!WriteWelcomeNote(DataPath + QStringLiteral("missing/"), QSize(1024, 768)));
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
                 QFile::exists(path) ? QStringList{QStringLiteral("notavex3.arl")} : QStringList());
    }
};

QTEST_GUILESS_MAIN(TestNoteFiles)
#include "tst_notefiles.moc"
