#include "platform/Cp1252.h"
#include "platform/ProfileString.h"
#include "store/Ini.h"
#include "mock/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Op = QStringList; // {"W", section, key, value} or {"D", section, key}
using namespace TestFiles;

#define writeBytesOrFail(path, bytes) QVERIFY(writeBytes(path, bytes))

// Every character 1252 has a printable glyph for.
QString printable1252()
{
    QString text;
    for (int b = 0x21; b <= 0xFF; ++b) {
        if (b == 0x7F || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D)
            continue;
        text += Cp1252::decode(QByteArray(1, char(b)));
    }
    return text;
}

// Most cases use key k of section a.
QString readK(const QString &file, const QString &fallback = u"DEF"_qs)
{
    return ReadIni(u"a"_qs, u"k"_qs, fallback, file);
}

bool writeK(const QString &file, const QString &value)
{
    return WritePrivateProfileString(u"a"_qs, u"k"_qs, value, file);
}

} // namespace

class TestProfileString : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_serial = 0;
    // A fresh file name for every case, so that no cached copy of an earlier case interferes.
    QString freshFile() { return m_dir.filePath(u"p%1.ini"_qs.arg(++m_serial)); }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void reads_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");

        const auto row = [](const char *name, const QByteArray &content, const char *section,
                            const char *key, const char *expected) {
            QTest::newRow(name) << content << QString::fromUtf8(section) << QString::fromUtf8(key)
                                << QString::fromUtf8(expected);
        };
        const QByteArray basic = "[Indice]\r\nTotalForms=3\r\n[12]\r\nTitulo=Compras\r\n";
        row("exact names", basic, "12", "Titulo", "Compras");
        row("section name in other case", basic, "INDICE", "TotalForms", "3");
        row("key name in other case", basic, "indice", "TOTALFORMS", "3");
        row("key of another section is not seen", basic, "12", "TotalForms", "DEF");
        row("accented names in other case", "[\xc1gua]\r\nT\xcdTULO=fria\r\n", "água", "Título",
            "fria");
        row("Greek names in other case", "[\xce\xb1\xce\xb2]\r\n\xce\x9a\xce\x9b=v\r\n", "ΑΒ", "κλ",
            "v");
        row("missing section", basic, "13", "Titulo", "DEF");
        row("7 and 007 are different sections", "[007]\r\nTop=1\r\n[7]\r\nTop=2\r\n", "7", "Top",
            "2");
        row("spaces around key, equals sign and value", "[a]\r\n  Key  =   some value  \r\n", "a",
            "key", "some value");
        row("value runs to the line end, equals signs included", "[a]\r\nk=x=y;z ; w\r\n", "a", "k",
            "x=y;z ; w");
        row("empty value gives the default", "[1]\r\nVisivel=\r\n", "1", "Visivel", "DEF");
        row("blank value gives the default", "[1]\r\nVisivel=   \r\n", "1", "Visivel", "DEF");
        row("first of two sections of one name", "[a]\r\nk=first\r\n[A]\r\nk=second\r\n", "a", "k",
            "first");
        row("keys of a repeated section are not merged", "[a]\r\nk=1\r\n[A]\r\nonly=later\r\n", "a",
            "only", "DEF");
        row("first of two keys of one name", "[a]\r\nk=1\r\nK=2\r\n", "a", "k", "1");
        row("comment line is no key", "[a]\r\n;k=1\r\n", "a", ";k", "DEF");
        row("key before any section belongs to none", "k=1\r\n[a]\r\n", "a", "k", "DEF");
        row("lines ending in bare LF", "[a]\nx=1\nk=v\n", "a", "k", "v");
        row("last line without line end", "[a]\r\nk=v", "a", "k", "v");
        row("spaces inside the brackets", "[ a ]\r\nk=v\r\n", "a", "k", "v");
        row("byte order mark", "\xEF\xBB\xBF[a]\r\nk=v\r\n", "a", "k", "v");
        row("value stops at a NUL byte", QByteArray("[a]\r\nk=ab\0cd\r\n", 14), "a", "k", "ab");
        row("1252 value", "[a]\r\nk=Ol\xe1 \x80\r\n", "a", "k", "Olá €");
        row("UTF-8 value", "[a]\r\nk=\xce\xb1\xce\xb2\r\n", "a", "k", "αβ");
        row("broken UTF-8 is read as 1252", "[a]\r\nk=\xc3\x28\r\n", "a", "k", "Ã(");
    }

    void reads()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        const QString file = freshFile();
        writeBytesOrFail(file, content);
        QCOMPARE(ReadIni(section, key, u"DEF"_qs, file), expected);
    }

    void writes_data()
    {
        QTest::addColumn<QByteArray>("before"); // "<none>" for a missing file
        QTest::addColumn<QList<Op>>("ops");
        QTest::addColumn<QByteArray>("after");
        const auto row = [](const char *name, const QByteArray &before, const QList<Op> &ops,
                            const QByteArray &after) {
            QTest::newRow(name) << before << ops << after;
        };

        row("creates the file and the section", "<none>",
            QList<Op>{{"W", "Indice", "TotalForms", "1"}}, "[Indice]\r\nTotalForms=1\r\n");
        row("replaces in place, keeps the key's spelling and foreign lines",
            "; notes\n[1]\nTOP=100\nLeft=2\n\n[2]\r\nTop=5\r\n",
            QList<Op>{{"W", "1", "top", "2000"}},
            "; notes\n[1]\nTOP=2000\r\nLeft=2\n\n[2]\r\nTop=5\r\n");
        row("adds after the section's last non-blank line",
            "[1]\r\nTop=1\r\n; end of 1\r\n\r\n\r\n[2]\r\nTop=2\r\n",
            QList<Op>{{"W", "1", "Left", "3"}},
            "[1]\r\nTop=1\r\n; end of 1\r\nLeft=3\r\n\r\n\r\n[2]\r\nTop=2\r\n");
        row("adds to a section without keys", "[1]\r\n\r\n[2]\r\n", QList<Op>{{"W", "1", "k", "v"}},
            "[1]\r\nk=v\r\n\r\n[2]\r\n");
        row("last line without line end gets one before an added key", "[1]\r\nTop=1",
            QList<Op>{{"W", "1", "Left", "2"}}, "[1]\r\nTop=1\r\nLeft=2\r\n");
        row("last line without line end gets one before a new section", "[1]\nTop=1",
            QList<Op>{{"W", "Indice", "TotalForms", "1"}},
            "[1]\nTop=1\r\n[Indice]\r\nTotalForms=1\r\n");
        row("first of two sections of one name is written", "[a]\r\nk=1\r\n[a]\r\nk=2\r\n",
            QList<Op>{{"W", "A", "K", "9"}}, "[a]\r\nk=9\r\n[a]\r\nk=2\r\n");
        row("first of two keys of one name is written", "[a]\r\nk=1\r\nk=2\r\n",
            QList<Op>{{"W", "a", "k", "9"}}, "[a]\r\nk=9\r\nk=2\r\n");
        row("section 7 is not 007", "[007]\r\nTop=1\r\n", QList<Op>{{"W", "7", "Top", "2"}},
            "[007]\r\nTop=1\r\n[7]\r\nTop=2\r\n");
        row("empty value is written as an empty value", "[1]\r\nAlarme=1\r\n",
            QList<Op>{{"W", "1", "Alarme", ""}}, "[1]\r\nAlarme=\r\n");
        row("line breaks in a value cannot split the line", "<none>",
            QList<Op>{{"W", "1", "Titulo", "a\r\nb=c\nd"}}, "[1]\r\nTitulo=a  b=c d\r\n");
        row("several keys keep their order", "<none>",
            QList<Op>{{"W", "1", "Top", "1"},
                      {"W", "1", "Left", "2"},
                      {"W", "2", "Top", "3"},
                      {"W", "1", "Tag", "1"}},
            "[1]\r\nTop=1\r\nLeft=2\r\nTag=1\r\n[2]\r\nTop=3\r\n");
        row("deleting a key removes only its line", "[1]\nTop=1\nLeft=2\n",
            QList<Op>{{"D", "1", "TOP"}}, "[1]\nLeft=2\n");
        row("after deleting the first of two keys the second counts", "[1]\r\nk=1\r\nk=2\r\n",
            QList<Op>{{"D", "1", "k"}, {"W", "1", "k", "3"}}, "[1]\r\nk=3\r\n");
        row("deleting a missing key changes nothing", "[1]\nTop=1",
            QList<Op>{{"D", "1", "Left"}, {"D", "9", "Top"}}, "[1]\nTop=1");
        row("1252 text stays 1252", "<none>", QList<Op>{{"W", "1", "Titulo", "Reunião às 9h – €5"}},
            "[1]\r\nTitulo=Reuni\xe3o \xe0s 9h \x96 \x80"
            "5\r\n");
        row("text 1252 cannot hold is stored as UTF-8", "<none>",
            QList<Op>{{"W", "Ωμέγα", "Titulo", "Festa 🎉"}},
            "[\xce\xa9\xce\xbc\xce\xad\xce\xb3\xce\xb1]\r\n"
            "Titulo=Festa \xf0\x9f\x8e\x89\r\n");
    }

    void writes()
    {
        QFETCH(QByteArray, before);
        QFETCH(QList<Op>, ops);
        QFETCH(QByteArray, after);
        const QString file = freshFile();
        if (before != "<none>")
            writeBytesOrFail(file, before);
        for (const Op &op : ops) {
            if (op[0] == u"W")
                QVERIFY(WritePrivateProfileString(op[1], op[2], op[3], file));
            else
                QVERIFY(DeletePrivateProfileKey(op[1], op[2], file));
        }
        QCOMPARE(readBytes(file), after);
    }

    void valueIsCut_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        const QString a300(300, QLatin1Char('a'));
        QTest::newRow("300 plain characters") << a300 << a300.left(254);
        QTest::newRow("exactly 254 characters") << a300.left(254) << a300.left(254);
        const QString accented(300, QChar(0xE9));
        QTest::newRow("300 accented characters") << accented << accented.left(254);
        const QString emoji = QString(253, QLatin1Char('x')) + QString::fromUtf8("😀😀");
        QTest::newRow("a character outside the BMP is not split")
            << emoji << QString(253, QLatin1Char('x'));
    }

    void valueIsCut()
    {
        QFETCH(QString, value);
        QFETCH(QString, expected);
        const QString file = freshFile();
        QVERIFY(WritePrivateProfileString(u"1"_qs, u"Titulo"_qs, value, file));
        QCOMPARE(ReadIni(u"1"_qs, u"Titulo"_qs, QString(), file), expected);
        // The file keeps the whole value.
        QVERIFY(StoredText::decode(readBytes(file)).contains(value));
    }

    void strToBool_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("expected");
        for (const char *t : {"True", "true", "TRUE", "Verdadeiro", "vErDaDeIrO", "1"})
            QTest::newRow(t) << QString::fromLatin1(t) << true;
        for (const char *t : {"False", "-1", "yes", " true", "true ", "01", ""})
            QTest::newRow(*t ? t : "empty") << QString::fromLatin1(t) << false;
    }

    void strToBool()
    {
        QFETCH(QString, text);
        QFETCH(bool, expected);
        QCOMPARE(StrToBool(text), expected);
    }

    void iniNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("decimal") << "8912895" << qint64(8912895);
        QTest::newRow("negative position") << "-150" << qint64(-150);
        QTest::newRow("hexadecimal default of Color1") << "&H52E9FE" << qint64(5433854);
        QTest::newRow("lower-case prefix") << "&hff" << qint64(255);
        QTest::newRow("decimal comma rounds half to even") << "9,5" << qint64(10);
        QTest::newRow("half to even downwards") << "8.5" << qint64(8);
        QTest::newRow("spaces") << " 12 " << qint64(12);
        QTest::newRow("not a number") << "abc" << qint64(-7);
        QTest::newRow("empty") << "" << qint64(-7);
        QTest::newRow("prefix without digits") << "&H" << qint64(-7);
        QTest::newRow("bad hexadecimal") << "&HXY" << qint64(-7);
    }

    void iniNumber()
    {
        QFETCH(QString, text);
        QFETCH(qint64, expected);
        QCOMPARE(IniNumber(text, -7), expected);
    }

    void missingOrUnreadableFileGivesDefaults()
    {
        const QString missing = m_dir.filePath(u"missing.ini"_qs);
        QCOMPARE(ReadIni(u"Indice"_qs, u"TotalForms"_qs, u"0"_qs, missing), u"0"_qs);
        QVERIFY(!QFile::exists(missing));

        // A folder where the file should be cannot be read and cannot be replaced.
        const QString folder = m_dir.filePath(u"folder.ini"_qs);
        QVERIFY(QDir().mkdir(folder));
        QCOMPARE(readK(folder, u"d"_qs), u"d"_qs);
        QVERIFY(!writeK(folder, u"v"_qs));
        QVERIFY(QFileInfo(folder).isDir());
    }

    void writeIntoMissingFolderFails()
    {
        const QString file = m_dir.filePath(u"no/such/folder/Indice.cfg"_qs);
        QVERIFY(!writeK(file, u"v"_qs));
        QCOMPARE(readK(file, u"d"_qs), u"d"_qs);
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("stays1252");
        QTest::newRow("every printable 1252 character") << printable1252() << true;
        QTest::newRow("Portuguese") << u"Ação às 7h: café & pão"_qs << true;
        QTest::newRow("Greek") << u"Καλημέρα"_qs << false;
        QTest::newRow("emoji") << QString::fromUtf8("Aniversário 🎂 da Ana") << false;
        QTest::newRow("1252 text that is also valid UTF-8") << u"Ã©tÃ©"_qs << false;
    }

    void roundTrip()
    {
        QFETCH(QString, text);
        QFETCH(bool, stays1252);
        const QString file = freshFile();
        // The text names the section and the key too.
        const QString section = text.left(20).trimmed();
        const QString key = QLatin1Char('k') + text.left(10).remove(QLatin1Char('=')).trimmed();
        QVERIFY(WritePrivateProfileString(section, key, text, file));
        QVERIFY(WritePrivateProfileString(u"x"_qs, u"y"_qs, u"z"_qs, file));
        const QByteArray disk = readBytes(file);
        if (stays1252) {
            QVERIFY(Cp1252::canEncode(text));
            QVERIFY(disk.contains('=' + Cp1252::encode(text) + "\r\n"));
        } else {
            QVERIFY(disk.contains('=' + text.toUtf8() + "\r\n"));
        }
        QCOMPARE(ReadIni(section, key, QString(), file), text);
        // A reader that never saw the write finds the same.
        const QString copy = freshFile();
        writeBytesOrFail(copy, disk);
        QCOMPARE(ReadIni(section, key, QString(), copy), text);
    }

    void changeBehindTheCacheIsSeen_data()
    {
        QTest::addColumn<QByteArray>("changed"); // empty: the file is deleted
        QTest::addColumn<bool>("inPlace");
        QTest::addColumn<QString>("expected");
        QTest::newRow("same size, same inode, at once")
            << QByteArray("[a]\r\nk=new\r\n") << true << "new";
        QTest::newRow("longer, in place") << QByteArray("[a]\r\nk=longer\r\n") << true << "longer";
        QTest::newRow("replaced by another file")
            << QByteArray("[a]\r\nk=bis\r\n") << false << "bis";
        QTest::newRow("deleted") << QByteArray() << false << "DEF";
    }

    void changeBehindTheCacheIsSeen()
    {
        QFETCH(QByteArray, changed);
        QFETCH(bool, inPlace);
        QFETCH(QString, expected);
        const QString file = freshFile();
        QVERIFY(writeK(file, u"old"_qs));
        QCOMPARE(readK(file), u"old"_qs);
        if (changed.isEmpty()) {
            QVERIFY(QFile::remove(file));
        } else if (inPlace) {
            writeBytesOrFail(file, changed);
        } else {
            const QString other = file + u".new"_qs;
            writeBytesOrFail(other, changed);
            QVERIFY(::rename(QFile::encodeName(other).constData(),
                             QFile::encodeName(file).constData()) == 0);
        }
        QCOMPARE(readK(file), expected);

        // Once the file is no longer fresh, its time stamp alone must tell a change.
        if (!changed.isEmpty()) {
            QTest::qWait(60);
            QCOMPARE(readK(file), expected);
            writeBytesOrFail(file, QByteArray(changed).replace("k=", "k:"));
            QCOMPARE(readK(file), u"DEF"_qs);
        }
    }

    void writeAfterOutsideChangeKeepsIt()
    {
        const QString file = freshFile();
        QVERIFY(writeK(file, u"1"_qs));
        writeBytesOrFail(file, "[a]\r\nk=1\r\n[b]\r\nfrom=editor\r\n");
        QVERIFY(writeK(file, u"2"_qs));
        QCOMPARE(readBytes(file), QByteArray("[a]\r\nk=2\r\n[b]\r\nfrom=editor\r\n"));
    }

    void writeKeepsPermissions()
    {
        const QString file = freshFile();
        writeBytesOrFail(file, "[a]\r\nk=1\r\n");
        QVERIFY(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ReadGroup));
        const auto before = QFile::permissions(file);
        QVERIFY(writeK(file, u"2"_qs));
        QCOMPARE(readBytes(file), QByteArray("[a]\r\nk=2\r\n"));
        QCOMPARE(QFile::permissions(file), before);
    }

    void writeThroughSymbolicLink()
    {
        const QString target = freshFile();
        writeBytesOrFail(target, "[a]\r\nk=1\r\n");
        const QString link = freshFile();
        QVERIFY(QFile::link(target, link));
        QVERIFY(writeK(link, u"2"_qs));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(readBytes(target), QByteArray("[a]\r\nk=2\r\n"));
    }

    void batchWritesOnce_data()
    {
        QTest::addColumn<int>("notes");
        QTest::addColumn<bool>("nested");
        QTest::newRow("one note") << 1 << false;
        QTest::newRow("1000 notes") << 1000 << false;
        QTest::newRow("nested batches") << 20 << true;
    }

    void batchWritesOnce()
    {
        QFETCH(int, notes);
        QFETCH(bool, nested);
        const QString file = freshFile();
        writeBytesOrFail(file, "; kept\r\n[Indice]\r\nTotalForms=0\r\n");
        const quint64 inodeBefore = inodeOf(file);
        const QByteArray bytesBefore = readBytes(file);
        {
            ProfileBatch batch(file);
            for (int n = 1; n <= notes; ++n) {
                const QString section = QString::number(n);
                if (nested) {
                    ProfileBatch inner(file);
                    QVERIFY(WritePrivateProfileString(section, u"Top"_qs, QString::number(n * 10),
                                                      file));
                    QVERIFY(inner.commit());
                } else {
                    QVERIFY(WritePrivateProfileString(section, u"Top"_qs, QString::number(n * 10),
                                                      file));
                }
                QVERIFY(
                    WritePrivateProfileString(section, u"Titulo"_qs, u"Nota %1"_qs.arg(n), file));
                // Reads inside the batch see what it gathered; the disk does not yet.
                QCOMPARE(ReadIni(section, u"Top"_qs, QString(), file), QString::number(n * 10));
                QCOMPARE(inodeOf(file), inodeBefore);
                QCOMPARE(readBytes(file), bytesBefore);
            }
            QVERIFY(WritePrivateProfileString(u"Indice"_qs, u"TotalForms"_qs,
                                              QString::number(notes), file));
            QVERIFY(batch.commit());
            const quint64 inodeAfter = inodeOf(file);
            QVERIFY(inodeAfter != inodeBefore);
            QVERIFY(batch.commit()); // a second commit writes nothing
            QCOMPARE(inodeOf(file), inodeAfter);
        }
        const QByteArray disk = readBytes(file);
        QVERIFY(disk.startsWith("; kept\r\n[Indice]\r\nTotalForms=" + QByteArray::number(notes) +
                                "\r\n[1]\r\nTop=10\r\nTitulo=Nota 1\r\n"));
        QVERIFY(disk.endsWith("[" + QByteArray::number(notes) +
                              "]\r\nTop=" + QByteArray::number(notes * 10) + "\r\nTitulo=Nota " +
                              QByteArray::number(notes) + "\r\n"));
        QCOMPARE(disk.count("\r\n"), 3 + 3 * notes);
    }

    void batchCommitsWhenItEnds()
    {
        const QString file = freshFile();
        {
            ProfileBatch batch(file);
            QVERIFY(writeK(file, u"v"_qs));
            QVERIFY(!QFile::exists(file));
        }
        QCOMPARE(readBytes(file), QByteArray("[a]\r\nk=v\r\n"));
    }

    void failedWritesLeaveOldFile_data()
    {
        QTest::addColumn<bool>("batched");
        QTest::newRow("single key") << false;
        QTest::newRow("batch") << true;
    }

    // A file size limit stands in for a full disk.
    void failedWritesLeaveOldFile()
    {
        QFETCH(bool, batched);
        const QString file = freshFile();
        const QByteArray old = "[a]\r\nk=old\r\n";
        writeBytesOrFail(file, old);
        QCOMPARE(readK(file, QString()), u"old"_qs);

        const QString big(100000, QLatin1Char('x'));
        bool ok = true;
        {
            FileSizeLimit limit(4096);
            if (batched) {
                ProfileBatch batch(file);
                QVERIFY(writeK(file, u"new"_qs));
                QVERIFY(WritePrivateProfileString(u"a"_qs, u"big"_qs, big, file));
                ok = batch.commit();
            } else {
                ok = WritePrivateProfileString(u"a"_qs, u"big"_qs, big, file);
            }
        }
        QVERIFY(!ok);
        QCOMPARE(readBytes(file), old);
        QCOMPARE(readK(file, QString()), u"old"_qs);
        QCOMPARE(ReadIni(u"a"_qs, u"big"_qs, u"none"_qs, file), u"none"_qs);
        QCOMPARE(QDir(m_dir.path())
                     .entryList({QFileInfo(file).fileName() + QLatin1Char('*')}, QDir::Files),
                 QStringList{QFileInfo(file).fileName()});
    }
};

QTEST_GUILESS_MAIN(TestProfileString)
#include "tst_profilestring.moc"
