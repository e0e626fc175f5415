#include "mock/TestFiles.h"
#include "mock/Warnings.h"

#include "base/Cp1252.h"
#include "base/ProfileString.h"
#include "store/Ini.h"

#include <QFileInfo>
#include <QTemporaryDir>

using namespace TestFiles;

namespace {

// A file in UTF-16 LE with its byte-order mark; lone surrogates stay as they are.
QByteArray utf16(const QString &text)
{
    QByteArray out = "\xFF\xFE";
    for (const QChar c : text)
        out += char(c.unicode() & 0xFF) + QByteArray(1, char(c.unicode() >> 8));
    return out;
}

} // namespace

// The stored files were designed around the Windows profile-string functions: these tables
// hold what those do, case by case.
class tst_ProfileString : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_serial = 0;
    // A fresh file name for every case, so that no cached copy of an earlier case interferes.
    QString freshFile() { return m_dir.filePath(u"p%1.ini"_qs.arg(++m_serial)); }
    static QString readK(const QString &f) { return ReadIni(u"a"_qs, u"k"_qs, u"DEF"_qs, f); }
    static bool writeK(const QString &f, const QString &v)
    {
        return WritePrivateProfileString(u"a"_qs, u"k"_qs, v, f);
    }

private slots:
    void init() { FailOnUnexpectedWarnings(); }

    // A missing file gives defaults and is not made.
    void read_asWindowsDoes_data()
    {
        QTest::addColumn<QByteArray>("content"); // "-": no file
        QTest::addColumn<QString>("sectionAndKey");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const QByteArray &content, const char *sectionAndKey,
                            const QByteArray &expected) {
            QTest::newRow(name) << content << QString::fromUtf8(sectionAndKey)
                                << QString::fromUtf8(expected);
        };
        row("accented names in another case", "[\xc1gua]\r\nT\xcdTULO=fria\r\n", "água Título",
            "fria");
        row("7 and 007 are different sections", "[007]\r\nTop=1\r\n[7]\r\nTop=2\r\n", "7 Top", "2");
        row("spaces around key, equals sign and value", "[a]\r\n  K  =   some value  \r\n", "a k",
            "some value");
        row("the value runs to the line end", "[a]\r\nk=x=y;z ; w\r\n", "a k", "x=y;z ; w");
        row("keys of a repeated section are not merged", "[a]\r\nk=1\r\n[A]\r\nonly=2\r\n",
            "a only", "DEF");
        row("the first of two keys of one name", "[a]\r\nk=1\r\nK=2\r\n", "a k", "1");
        row("a key before any section belongs to none", "k=1\r\n[a]\r\n", "a k", "DEF");
        row("bare LF, a last line without line end", "[a]\nx=1\nk=v", "a k", "v");
        row("a byte order mark, spaces inside the brackets", "\xEF\xBB\xBF[ a ]\r\nk=v\r\n", "a k",
            "v");
        row("the value stops at a NUL byte", QByteArray("[a]\r\nk=ab\0cd\r\n", 14), "a k", "ab");
        row("not UTF-8: 1252", "[a]\r\nk=\xc3\x28 Ol\xe1 \x80\r\n", "a k", "Ã( Olá €");
        row("no file", "-", "a k", "DEF");
        row("CR alone ends a line", "[b]\rk=1\r[a]\rk=v\r", "a k", "v");
        row("mixed line ends", "[b]\r\nk=1\n[a]\rx=\r\nk=v\n", "a k", "v");
        row("UTF-16 LE with its byte-order mark", utf16(u"[Água]\r\nTítulo=Ċafé € 🎂\r\n"_qs),
            "água Título", "Ċafé € 🎂");
        row("no-break spaces around names are part of them", "[\xa0\x61]\r\n\xa0k\xa0=v\r\n",
            "\u00a0a \u00a0k\u00a0", "v");
        // Characters, not bytes, and no character split in two.
        const QByteArray cut = QByteArray("\xc3\xa9").repeated(250) + "abcd";
        row("a value is cut at 254 characters", "[a]\r\nk=" + cut + "\xf0\x9f\x98\x80", "a k", cut);
        row("cut before a pair of surrogates",
            "[a]\r\nk=" + QByteArray(253, 'x') + "\xf0\x9f\x98\x80", "a k", QByteArray(253, 'x'));
    }

    void read_asWindowsDoes()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, sectionAndKey);
        QFETCH(QString, expected);
        const QString file = freshFile();
        QVERIFY(content == "-" || writeBytes(file, content));
        const QStringList names = sectionAndKey.split(u' ');
        QCOMPARE(ReadIni(names[0], names[1], u"DEF"_qs, file), expected);
        QCOMPARE(QFile::exists(file), content != "-");
    }

    void write_asWindowsDoes_data()
    {
        QTest::addColumn<QByteArray>("before"); // "-": no file
        // "section|key|value" writes, "section|key" deletes; "!" before one that must fail
        QTest::addColumn<QStringList>("ops");
        QTest::addColumn<QByteArray>("after");
        const auto row = [](const char *name, const QByteArray &before, const QStringList &ops,
                            const QByteArray &after) {
            QTest::newRow(name) << before << ops << after;
        };
        row("replaces in place, keeps the key's spelling, its line end and foreign lines",
            "; notes\n[1]\nTOP=100\nLeft=2\n\n[2]\r\nTop=5\r\n", {u"1|top|2000"_qs},
            "; notes\n[1]\nTOP=2000\nLeft=2\n\n[2]\r\nTop=5\r\n");
        row("adds after the section's last non-blank line",
            "[1]\r\nTop=1\r\n; end of 1\r\n\r\n\r\n[2]\r\nTop=2\r\n", {u"1|Left|3"_qs},
            "[1]\r\nTop=1\r\n; end of 1\r\nLeft=3\r\n\r\n\r\n[2]\r\nTop=2\r\n");
        row("ends a last line before a new section, as the file's lines end", "[1]\nTop=1",
            {u"Indice|TotalForms|1"_qs}, "[1]\nTop=1\n[Indice]\nTotalForms=1\n");
        row("CR alone: new lines end so too", "[1]\rTop=1\r; c\r\n\r[2]\rA=1",
            {u"1|Top|5"_qs, u"1|Left|3"_qs, u"2|B|2"_qs, u"3|Tag|3"_qs},
            "[1]\rTop=5\r; c\r\nLeft=3\r\r[2]\rA=1\rB=2\r[3]\rTag=3\r");
        row("mixed: new lines end as most lines do", "[1]\r\nTop=1\n; c\r\n[2]\nA=1\n",
            {u"2|B|2"_qs}, "[1]\r\nTop=1\n; c\r\n[2]\nA=1\nB=2\n");
        const QString lone = u"; "_qs + QChar(0xD800) + u"\r\n"_qs;
        row("UTF-16 LE stays so, odd lines untouched",
            utf16(lone + u"[1]\r\nTitulo=café\r\nTop=1\r\n"_qs),
            {u"1|Titulo|Aniversário 🎂"_qs, u"1|Left|5"_qs, u"2|Tag|2"_qs},
            utf16(lone + u"[1]\r\nTitulo=Aniversário 🎂\r\nTop=1\r\nLeft=5\r\n[2]\r\nTag=2\r\n"_qs));
        row("UTF-16 LE: a key that starts with U+FEFF keeps it", utf16(u"[1]\r\n\uFEFF[x=1\r\n"_qs),
            {u"1|\uFEFF[x|2"_qs}, utf16(u"[1]\r\n\uFEFF[x=2\r\n"_qs));
        row("writes an empty value as such", "[1]\r\nAlarme=1\r\n", {u"1|Alarme|"_qs},
            "[1]\r\nAlarme=\r\n");
        row("a new file; line breaks in a value cannot split the line", "-",
            {u"1|Titulo|a\r\nb=c\nd"_qs}, "[1]\r\nTitulo=a  b=c d\r\n");
        row("deleting a key removes its lines only", "[1]\nTop=1\nLeft=2\ntop=3\n", {u"1|TOP"_qs},
            "[1]\nLeft=2\n");
        row("CR alone before the LF of an empty line is not taken for CR LF",
            "[1]\rA=1\n\n[2]\rB=2\n\n[3]\rC=3\rD=4\r", {u"1|E|5"_qs, u"2|B"_qs},
            "[1]\rA=1\nE=5\r\n\n[2]\r\n\n[3]\rC=3\rD=4\r");
        row("refuses keys that would read as another key, a section or a comment",
            "[1]\r\nTop=1\r\n", {u"!1|a=b|v"_qs, u"!1| [2]|v"_qs, u"!1|;c|v"_qs, u"!1| |v"_qs},
            "[1]\r\nTop=1\r\n");
        row("a value longer than a read gives is written whole", "-",
            {u"1|Titulo|"_qs + QString(300, u'é')},
            "[1]\r\nTitulo=" + QByteArray(300, '\xe9') + "\r\n");
    }

    void write_asWindowsDoes()
    {
        QFETCH(QByteArray, before);
        QFETCH(QStringList, ops);
        QFETCH(QByteArray, after);
        const QString file = freshFile();
        QVERIFY(before == "-" || writeBytes(file, before));
        for (const QString &op : ops) {
            const QStringList f = QString(op).remove(0, op.startsWith(u'!')).split(u'|');
            QVERIFY2((f.size() == 3
                          ? WritePrivateProfileString(f[0], f[1], f[2], file)
                          : DeletePrivateProfileKey(f[0], f[1], file)) != op.startsWith(u'!'),
                     qPrintable(op));
        }
        QCOMPARE(readBytes(file), after);
    }

    void write_readBack_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("stays1252");
        QString every1252; // every character 1252 has a printable glyph for
        for (int b = 0x21; b <= 0xFF; ++b)
            if (b != 0x7F && b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 && b != 0x9D)
                every1252 += Cp1252::decode(QByteArray(1, char(b)));
        QTest::newRow("every printable 1252 character") << every1252 << true;
        QTest::newRow("an emoji") << u"Aniversário 🎂 da Ana"_qs << false;
        // Written as 1252 it would read back as "été".
        QTest::newRow("1252 text that is also valid UTF-8") << u"Ã©tÃ©"_qs << false;
        QTest::newRow("byte-order marks at the start") << u"\uFEFF\uFEFFReunião"_qs << false;
    }

    // The text names section and key too; a reader that never saw the write finds the same.
    void write_readBack()
    {
        QFETCH(QString, text);
        QFETCH(bool, stays1252);
        const QString file = freshFile(), section = text.left(20).trimmed(),
                      key = u'k' + text.left(10).remove(u'=').trimmed();
        QVERIFY(WritePrivateProfileString(section, key, text, file));
        const QByteArray disk = readBytes(file);
        QVERIFY(disk.contains('=' + (stays1252 ? Cp1252::encode(text) : text.toUtf8()) + "\r\n"));
        const QString copy = freshFile();
        QVERIFY(writeBytes(copy, disk));
        QCOMPARE(ReadIni(section, key, QString(), copy), text);
    }

    void iniValues_boolsAndNumbers()
    {
        for (const char *t : {"True", "true", "TRUE", "Verdadeiro", "vErDaDeIrO", "1"})
            QVERIFY2(StrToBool(QString::fromLatin1(t)), t);
        for (const char *t : {"False", "-1", "yes", " true", "true ", "01", ""})
            QVERIFY2(!StrToBool(QString::fromLatin1(t)), t);
        const QList<std::pair<const char *, qint64>> numbers{
            {"8912895", 8912895}, {"-150", -150}, {"&H52E9FE", 5433854}, {"&hff", 255}, {"9,5", 10},
            {"8.5", 8},           {" 12 ", 12},   {"abc", -7},           {"", -7},      {"&H", -7},
            {"&HXY", -7}};
        for (const auto &[text, value] : numbers)
            QVERIFY2(IniNumber(QString::fromLatin1(text), -7) == value, text);
    }

    // Changes made behind the cache's back: the same size and inode at once, then once the file
    // is no longer fresh (its time stamp alone must tell), then the file deleted.
    void read_changeBehindTheCache()
    {
        const QString file = freshFile();
        QVERIFY(writeK(file, u"old"_qs));
        QCOMPARE(readK(file), u"old"_qs);
        QVERIFY(writeBytes(file, "[a]\r\nk=new\r\n"));
        QCOMPARE(readK(file), u"new"_qs);
        QTest::qWait(60);
        QCOMPARE(readK(file), u"new"_qs);
        QVERIFY(writeBytes(file, "[a]\r\nk:new\r\n"));
        QCOMPARE(readK(file), u"DEF"_qs);
        // A write keeps what an editor added.
        QVERIFY(writeBytes(file, "[a]\r\nk=new\r\n[b]\r\nfrom=editor\r\n"));
        QVERIFY(writeK(file, u"2"_qs));
        QCOMPARE(readBytes(file), QByteArray("[a]\r\nk=2\r\n[b]\r\nfrom=editor\r\n"));
        QVERIFY(QFile::remove(file));
        QCOMPARE(readK(file), u"DEF"_qs);
    }

    // A file is replaced in its own mode, and through a link the link's target is.
    void write_keepsModeAndLink()
    {
        const QString target = freshFile(), link = freshFile();
        QVERIFY(writeBytes(target, "[a]\r\nk=1\r\n"));
        QVERIFY(::chmod(qPrintable(target), 0640) == 0);
        QVERIFY(QFile::link(target, link));
        QVERIFY(writeK(link, u"2"_qs));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(readBytes(target), QByteArray("[a]\r\nk=2\r\n"));
        QCOMPARE(modeOf(target), 0640);
    }

    // However many keys, one replacement of the file when the batch ends, even without a commit.
    void batch_writesOnce()
    {
        const QString file = freshFile();
        QVERIFY(writeBytes(file, "; kept\r\n[Indice]\r\nTotalForms=0\r\n"));
        const quint64 inode = inodeOf(file);
        const QByteArray before = readBytes(file);
        {
            ProfileBatch batch(file);
            for (int n = 1; n <= 1000; ++n) {
                const QString section = QString::number(n);
                QVERIFY(WritePrivateProfileString(section, u"Top"_qs, section + u'0', file));
                // Reads inside the batch see what it gathered; the disk does not yet.
                QCOMPARE(ReadIni(section, u"Top"_qs, QString(), file), section + u'0');
                QVERIFY(inodeOf(file) == inode && readBytes(file) == before);
            }
        }
        QVERIFY(inodeOf(file) != inode);
        const QByteArray disk = readBytes(file);
        QVERIFY(disk.startsWith("; kept\r\n[Indice]\r\nTotalForms=0\r\n[1]\r\nTop=10\r\n[2]\r\n"));
        QCOMPARE(disk.count("\r\n"), 3 + 2 * 1000);
    }

    // A synchronisation tool that puts its version in place while a batch gathers keys: the batch's
    // keys go on top of that version, whose other keys and sections stay.
    void batch_keepsAVersionWrittenMeanwhile()
    {
        const QString file = freshFile();
        QVERIFY(writeBytes(file, "[1]\r\nTop=1\r\nTitulo=um\r\n"));
        {
            ProfileBatch batch(file);
            QVERIFY(WritePrivateProfileString(u"1"_qs, u"Top"_qs, u"2"_qs, file));
            QVERIFY(writeBytes(file, "[1]\r\nTop=9\r\nTitulo=outro\r\n[5]\r\nTitulo=cinco\r\n"));
            QVERIFY(WritePrivateProfileString(u"1"_qs, u"Left"_qs, u"3"_qs, file));
            QVERIFY(batch.commit());
        }
        QCOMPARE(readBytes(file),
                 QByteArray("[1]\r\nTop=2\r\nTitulo=outro\r\nLeft=3\r\n[5]\r\nTitulo=cinco\r\n"));
    }

    // A single key, then a batch: a file size limit stands in for a full disk. A missing folder
    // is not made.
    void write_failureLeavesTheOldFile()
    {
        const QByteArray old = "[a]\r\nk=old\r\n";
        for (const bool batched : {false, true}) {
            const QString file = freshFile();
            QVERIFY(writeBytes(file, old));
            QCOMPARE(readK(file), u"old"_qs);
            {
                FileSizeLimit limit(4096);
                std::optional<ProfileBatch> batch;
                if (batched) {
                    batch.emplace(file);
                    QVERIFY(writeK(file, u"new"_qs));
                }
                const bool ok =
                    WritePrivateProfileString(u"a"_qs, u"big"_qs, QString(100000, u'x'), file);
                QVERIFY(!(batch ? batch->commit() : ok));
            }
            QCOMPARE(readBytes(file), old);
            QCOMPARE(readK(file), u"old"_qs);
            QCOMPARE(ReadIni(u"a"_qs, u"big"_qs, u"none"_qs, file), u"none"_qs);
        }
        QVERIFY(!writeK(m_dir.filePath(u"no/such/folder/Indice.cfg"_qs), u"v"_qs));
    }
};

QTEST_GUILESS_MAIN(tst_ProfileString)
#include "tst_profilestring.moc"
