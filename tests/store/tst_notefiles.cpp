#include "mock/TestFiles.h"
#include "mock/Warnings.h"

#include "base/Globals.h"
#include "store/NoteFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace TestFiles;

class tst_NoteFiles : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    QStringList files() const
    {
        return QDir(DataPath).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

private slots:
    void init()
    {
        FailOnUnexpectedWarnings();
        m_dir = std::make_unique<QTemporaryDir>();
        ResetProgramState(m_dir->path());
    }

    // The list is ",3,1,2,": every number between commas, so 3 is never found in 13.
    void listLine_readAndAppend_data()
    {
        QTest::addColumn<QByteArray>("file"); // "-": no file
        QTest::addColumn<int>("id");
        QTest::addColumn<bool>("listed");
        QTest::addColumn<QString>("appended");
        QTest::newRow("listed first") << QByteArray(",1,13,\r\n") << 1 << true << ",1,13,1,";
        QTest::newRow("3 is not 13") << QByteArray(",1,13,\r\n") << 3 << false << ",1,13,3,";
        QTest::newRow("the first line only, trimmed")
            << QByteArray("  ,5,  \r\n,6,\r\n") << 6 << false << ",5,6,";
        QTest::newRow("an empty file keeps the frame") << QByteArray() << 1 << false << ",1,";
        QTest::newRow("no file") << QByteArray("-") << 1 << false << ",1,";
        QTest::newRow("a damaged line gets its frame")
            << QByteArray("5,6\r\n") << 7 << false << ",5,6,7,";
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
        QTest::newRow("1024x768") << QSize(1024, 768) << QByteArray("5236\r\nLeft=8533");
        QTest::newRow("5120 wide, held at the largest position")
            << QSize(5120, 2880) << QByteArray("19636\r\nLeft=32767");
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
};

QTEST_GUILESS_MAIN(tst_NoteFiles)
#include "tst_notefiles.moc"
