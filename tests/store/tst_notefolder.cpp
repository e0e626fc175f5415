#include "mock/FakeServices.h"
#include "mock/TestFiles.h"
#include "mock/Warnings.h"

#include "base/Globals.h"
#include "store/Ini.h"
#include "store/NoteFiles.h"
#include "store/NoteFolder.h"
#include "store/NoteStore.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace TestFiles;

// The data folder as other computers, synchronisation tools and people leave it.
class tst_NoteFolder : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::optional<FakeServices> m_fakes;

    QString path(const QString &name) const { return DataPath + name; }
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
        m_fakes.emplace();
    }

    // A new number is never one a note uses, however the list was lost or cut short; the list is
    // completed from the folder and written at once.
    void nextNoteId_data()
    {
        QTest::addColumn<QByteArray>("cfg");
        QTest::addColumn<QByteArray>("list");  // "-": no indice.dat
        QTest::addColumn<QStringList>("files"); // content files
        QTest::addColumn<QList<int>>("open");   // open note windows
        QTest::addColumn<int>("id");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("first note") << ""_qba << "-"_qba << QStringList{} << QList<int>{} << 1
                                    << ",1,"_qba;
        QTest::newRow("the gap in the list") << ""_qba << ",1,2,4,"_qba << QStringList{}
                                             << QList<int>{} << 3 << ",1,2,4,3,"_qba;
        QTest::newRow("list lost, files in any case")
            << ""_qba << "-"_qba << QStringList{u"notavex1.arl"_qs, u"NOTAVEX2.ARL"_qs}
            << QList<int>{} << 3 << ",1,2,3,"_qba;
        QTest::newRow("damaged list") << ""_qba << "1;x,,2\x01,3"_qba
                                      << QStringList{u"notavex1.arl"_qs} << QList<int>{} << 2
                                      << ",3,1,2,"_qba;
        QTest::newRow("short list, files beyond it")
            << ""_qba << ",1,"_qba << QStringList{u"notavex1.arl"_qs, u"notavex5.arl"_qs}
            << QList<int>{} << 2 << ",1,5,2,"_qba;
        QTest::newRow("open notes not saved yet") << ""_qba << ","_qba << QStringList{}
                                                  << QList<int>{1, 2} << 3 << ",3,"_qba;
        QTest::newRow("another computer's note, its file still on the way")
            << "[1]\r\nTitulo=de lá\r\nTop=300\r\n"_qba << ","_qba << QStringList{}
            << QList<int>{} << 2 << ",2,"_qba;
        QTest::newRow("a deleted note's number is free again")
            << "[1]\r\nTag=1\r\nTop=\r\nTitulo=\r\n"_qba << ","_qba << QStringList{}
            << QList<int>{} << 1 << ",1,"_qba;
    }

    void nextNoteId()
    {
        QFETCH(QByteArray, cfg);
        QFETCH(QByteArray, list);
        QFETCH(QStringList, files);
        QFETCH(QList<int>, open);
        QFETCH(int, id);
        QFETCH(QByteArray, written);
        QVERIFY(writeBytes(path(u"Indice.cfg"_qs), cfg));
        if (list != "-")
            QVERIFY(writeBytes(path(u"indice.dat"_qs), list));
        for (const QString &file : files)
            QVERIFY(writeBytes(path(file), "{\\rtf1 " + file.toLatin1() + '}'));
        QCOMPARE(int(NextNoteId(open)), id);
        QCOMPARE(readBytes(ListFile()), written + "\r\n");
        for (const QString &file : files)
            QCOMPARE(readBytes(path(file)), "{\\rtf1 " + file.toLatin1() + '}');
    }

    void conflictCopyOf_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("original");
        const auto row = [](const char *name, const char *original) {
            QTest::newRow(name) << QString::fromUtf8(name) << QString::fromUtf8(original);
        };
        row("notavex3.sync-conflict-20261207-101010-ABCDEFG.arl", "notavex3.arl");
        row("notavex3 (conflicted copy 2026-12-07 101010).arl", "notavex3.arl");
        row("notavex3 (Ana's conflicted copy 2026-12-07).arl", "notavex3.arl");
        row("NOTAVEX3 (Ana's conflicted copy 2026-12-07 (1)).ARL", "NOTAVEX3.ARL");
        row("Indice.sync-conflict-20261207-101010-ABCDEFG.cfg", "Indice.cfg");
        row("indice (conflicted copy 2026-12-07 101010).dat", "indice.dat");
        row("notavex3.arl", "");
        row("notavex3.arl.bak", "");
        row("notas (conflicted).txt", "");
        row("lista.sync-conflict-20261207-101010-ABCDEFG.txt", "");
        row("notavex03.sync-conflict-20261207-101010-ABCDEFG.arl", "");
    }

    void conflictCopyOf()
    {
        QFETCH(QString, name);
        QFETCH(QString, original);
        QCOMPARE(ConflictCopyOf(name), original);
    }

    // Every side of every conflict ends as a note, each once; the index keeps what both sides
    // wrote; files that are not the program's stay as they are.
    void tidyNoteFolder_keepsBothSides()
    {
        QVERIFY(writeBytes(path(u"Indice.cfg"_qs),
                           "[Indice]\r\nTotalForms=1\r\n[3]\r\nTitulo=Compras\r\nTop=1500\r\n"
                           "Left=3000\r\nColor1=255\r\nAlarme=1\r\n"));
        QVERIFY(writeBytes(path(u"Indice.sync-conflict-20261207-101010-ABCDEFG.cfg"_qs),
                           "[3]\r\nTitulo=Outro\r\nColor2=65280\r\n[9]\r\nTitulo=Nova\r\n"));
        QVERIFY(writeBytes(path(u"indice.dat"_qs), ",3,\r\n"));
        QVERIFY(writeBytes(path(u"notavex3.arl"_qs), "{\\rtf1 daqui}"));
        QVERIFY(writeBytes(path(u"notavex3.sync-conflict-20261207-101010-ABCDEFG.arl"_qs),
                           "{\\rtf1 de la}"));
        QVERIFY(writeBytes(path(u"NOTAVEX3.ARL"_qs), "{\\rtf1 maiusculas}"));
        QVERIFY(writeBytes(path(u"notavex3.arl.bak"_qs), "copia"));

        const QList<int> added = TidyNoteFolder({});
        QCOMPARE(added.size(), 2);
        QStringList texts;
        for (const int id : QList<int>{3} + added)
            texts << QString::fromLatin1(readBytes(ContentFile(id)));
        texts.sort();
        QCOMPARE(texts, (QStringList{u"{\\rtf1 daqui}"_qs, u"{\\rtf1 de la}"_qs,
                                     u"{\\rtf1 maiusculas}"_qs}));
        for (const int id : added) {
            const QString s = QString::number(id);
            QCOMPARE(ReadIni(s, u"Titulo"_qs, {}, IndexFile()), u"Compras (conflito)"_qs);
            QCOMPARE(ReadIni(s, u"Left"_qs, {}, IndexFile()), u"5880"_qs); // beside note 3
            QCOMPARE(ReadIni(s, u"Alarme"_qs, {}, IndexFile()), QString()); // rings once only
        }
        QCOMPARE(ReadIni(u"3"_qs, u"Titulo"_qs, {}, IndexFile()), u"Compras"_qs);
        QCOMPARE(ReadIni(u"3"_qs, u"Color2"_qs, {}, IndexFile()), u"65280"_qs);
        QCOMPARE(ReadIni(u"9"_qs, u"Titulo"_qs, {}, IndexFile()), u"Nova"_qs);
        QCOMPARE(NotesToLoad(), QList<int>{3} + added);
        QVERIFY(files().contains(u"notavex3.arl.bak"_qs));
        QCOMPARE(files().filter(u"conflict"_qs), QStringList());
        QVERIFY(TidyNoteFolder({}).isEmpty()); // nothing left to do
    }
};

QTEST_MAIN(tst_NoteFolder)
#include "tst_notefolder.moc"
