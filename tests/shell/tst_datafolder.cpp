#include "mock/FakeServices.h"

#include "platform/Globals.h"
#include "shell/DataFolder.h"
#include "store/NoteFiles.h"
#include "mock/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_LINUX
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {

using TestFiles::modeOf;
using TestFiles::readBytes;
#define writeFile(path, data) QVERIFY2(TestFiles::writeBytes(path, data), qPrintable(path))

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// The folder's mode, then its entries' in name order.
QList<int> modes(const QString &folder)
{
    QList<int> found{modeOf(folder)};
    for (const QString &name : entries(folder))
        found.append(modeOf(folder + name));
    return found;
}

// Root passes every permission check; to see the program meet a file it cannot delete, the
// test lowers its own effective capabilities for a while.
class WithoutCapabilities
{
public:
    explicit WithoutCapabilities(std::initializer_list<int> caps)
    {
#ifdef Q_OS_LINUX
        if (geteuid() != 0)
            return;
        m_header.version = _LINUX_CAPABILITY_VERSION_3;
        m_header.pid = 0;
        if (syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct lowered[2] = {m_saved[0], m_saved[1]};
        for (int cap : caps)
            lowered[cap / 32].effective &= ~(1u << (cap % 32));
        m_active = syscall(SYS_capset, &m_header, lowered) == 0;
#else
        Q_UNUSED(caps);
#endif
    }
    ~WithoutCapabilities()
    {
#ifdef Q_OS_LINUX
        if (m_active)
            syscall(SYS_capset, &m_header, m_saved);
#endif
    }

private:
#ifdef Q_OS_LINUX
    __user_cap_header_struct m_header{};
    __user_cap_data_struct m_saved[2]{};
#endif
    bool m_active = false;
};

} // namespace

class tst_DataFolder : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
        QVERIFY(QDir().mkpath(docs()));
        QVERIFY(QDir().mkpath(app()));
        m_fakes = std::make_unique<FakeServices>();
        AppPath.clear();
        DataPath.clear();
    }

    void cleanup()
    {
        // Undo what the tests did to make files stick, so the temporary folder can go.
        if (m_tmp) {
            const QString oldFolder = old();
            if (QFileInfo(oldFolder).exists()) {
#ifdef Q_OS_UNIX
                ::chmod(QFile::encodeName(oldFolder).constData(), 0755);
                for (const QString &name : entries(oldFolder))
                    ::chmod(QFile::encodeName(oldFolder + name).constData(), 0644);
#endif
            }
        }
        m_fakes.reset();
        m_tmp.reset();
    }

    void dataPathFor_data()
    {
        QTest::addColumn<QString>("documents"); // relative to the temporary folder; "-" for none
        QTest::addColumn<QString>("expected");

        QTest::newRow("documents folder") << u"/Documents"_qs << u"/Documents/Notavex/"_qs;
        QTest::newRow("documents folder ending in a separator")
            << u"/Documents/"_qs << u"/Documents/Notavex/"_qs;
        QTest::newRow("missing documents folder uses the program folder")
            << u"/Nowhere"_qs << u"/app/Notavex/"_qs;
        QTest::newRow("no documents folder uses the program folder")
            << u"-"_qs << u"/app/Notavex/"_qs;
    }

    void dataPathFor()
    {
        QFETCH(QString, documents);
        QFETCH(QString, expected);
        const QString base = m_tmp->path();
        const QString docsArg = documents == QLatin1String("-") ? QString() : base + documents;

        QCOMPARE(DataPathFor(docsArg, app()), base + expected);
        QVERIFY(SetupDataFolderAt(docsArg, base + u"/app"_qs, u"maria"_qs));
        QCOMPARE(DataPath, base + expected);
        QCOMPARE(AppPath, app());
        QVERIFY(QFileInfo(DataPath).isDir());
    }

    void freshFolder_getsWelcomeNote_data()
    {
        QTest::addColumn<bool>("madeByAnotherCopy");
        QTest::newRow("made by this run") << false;
        // Two copies started together: the one that wins the lock fills the folder, whichever
        // of them made it.
        QTest::newRow("made a moment before by another copy") << true;
    }

    void freshFolder_getsWelcomeNote()
    {
        QFETCH(bool, madeByAnotherCopy);
        if (madeByAnotherCopy)
            QVERIFY(CreateDataFolder(data()));
        QVERIFY(setup());
        QCOMPARE(DataPath, data());
        QCOMPARE(readBytes(ResolveFileCase(data() + u"indice.dat"_qs)), QByteArray(",1,\r\n"));
        QVERIFY(readBytes(data() + u"Indice.cfg"_qs).contains("TotalForms=1\r\n"));
        QVERIFY(readBytes(data() + u"notavex1.arl"_qs).startsWith("{\\rtf1"));
        QCOMPARE(entries(data()).size(), 3);
        QVERIFY(m_fakes->messageBoxes->asked.isEmpty());
        QCOMPARE(modes(data()), (QList<int>{0700, 0600, 0600, 0600}));
        QCOMPARE(entries(docs()), QStringList{u"Notavex"_qs});

        // The next start finds the folder and leaves it as it is.
        writeFile(data() + u"notavex1.arl"_qs, "changed");
        QVERIFY(setup());
        QCOMPARE(readBytes(data() + u"notavex1.arl"_qs), QByteArray("changed"));
        QCOMPARE(entries(data()).size(), 3);
    }

    void existingFolder_isUsedUnchanged_data()
    {
        QTest::addColumn<bool>("withFile");
        QTest::addColumn<bool>("withOlderFolder");
        QTest::newRow("empty folder") << false << false;
        QTest::newRow("folder holding an unrelated file") << true << false;
        QTest::newRow("empty folder while an older folder holds notes") << false << true;
    }

    void existingFolder_isUsedUnchanged()
    {
        QFETCH(bool, withFile);
        QFETCH(bool, withOlderFolder);
        QVERIFY(QDir().mkpath(data()));
        QVERIFY(::chmod(QFile::encodeName(data()).constData(), 0755) == 0);
        if (withFile)
            writeFile(data() + u"other.txt"_qs, "x");
        if (withOlderFolder) {
            QVERIFY(QDir().mkpath(old()));
            writeFile(old() + u"notavex1.arl"_qs, "old note");
        }
        const QStringList before = entries(data());

        QVERIFY(setup());
        QCOMPARE(entries(data()), before);
        QCOMPARE(modeOf(data()), 0755);
        if (withOlderFolder)
            QCOMPARE(entries(old()), QStringList{u"notavex1.arl"_qs});
    }

    void folderThatCannotBeCreated_tellsAndFails_data()
    {
        QTest::addColumn<QString>("blocker"); // a regular file in the way
        QTest::addColumn<bool>("useDocuments");
        QTest::newRow("a file named Notavex in the documents folder")
            << "/Documents/Notavex" << true;
        QTest::newRow("program folder is a file, no documents folder") << "/appfile" << false;
    }

    void folderThatCannotBeCreated_tellsAndFails()
    {
        QFETCH(QString, blocker);
        QFETCH(bool, useDocuments);
        const QString blockerPath = m_tmp->path() + blocker;
        writeFile(blockerPath, "in the way");

        const QString appPath = useDocuments ? app() : blockerPath;
        QVERIFY(!SetupDataFolderAt(useDocuments ? docs() : QString(), appPath, u"maria"_qs));

        QCOMPARE(m_fakes->messageBoxes->asked.size(), 1);
        const FakeMessageBoxes::Question &q = m_fakes->messageBoxes->asked.first();
        QCOMPARE(q.text, u"Você deve logar como administrador"_qs);
        QCOMPARE(q.buttons, MessageBoxes::Ok);
        QCOMPARE(q.icon, MessageBoxes::NoIcon);
        QCOMPARE(q.caption, u"Notavex"_qs);
        QCOMPARE(readBytes(blockerPath), QByteArray("in the way"));
        QVERIFY(QFileInfo(blockerPath).isFile());
    }

    void olderFolder_onlyHiddenFiles_countsAsEmpty()
    {
        QVERIFY(QDir().mkpath(old() + u"sub"_qs));
        writeFile(old() + u".hidden"_qs, "secret");
        writeFile(old() + u"sub/notavex1.arl"_qs, "in a subfolder");

        QVERIFY(setup());
        QVERIFY(readBytes(data() + u"notavex1.arl"_qs).startsWith("{\\rtf1"));
        QVERIFY(!QFileInfo::exists(data() + u".hidden"_qs));
        QCOMPARE(readBytes(old() + u".hidden"_qs), QByteArray("secret"));
        QCOMPARE(readBytes(old() + u"sub/notavex1.arl"_qs), QByteArray("in a subfolder"));
    }

    void olderFolder_isMovedIntoNewFolder()
    {
        QVERIFY(QDir().mkpath(old() + u"sub"_qs));
        const QMap<QString, QByteArray> notes = {
            {u"Indice.cfg"_qs, "[Indice]\r\nTotalForms=2\r\n"},
            {u"indice.dat"_qs, ",2,5,\r\n"},
            {u"notavex2.arl"_qs, "{\\rtf1 two}"},
            {u"notavex5.arl"_qs, "{\\rtf1 five}"},
        };
        for (auto it = notes.cbegin(); it != notes.cend(); ++it) {
            writeFile(old() + it.key(), it.value());
            QVERIFY(::chmod(QFile::encodeName(old() + it.key()).constData(), 0644) == 0);
        }
        writeFile(old() + u".hidden"_qs, "stays");
        writeFile(old() + u"sub/keep.txt"_qs, "stays too");

        QVERIFY(setup());

        QStringList expectedNames = notes.keys();
        expectedNames.sort();
        QCOMPARE(entries(data()), expectedNames);
        for (auto it = notes.cbegin(); it != notes.cend(); ++it)
            QCOMPARE(readBytes(data() + it.key()), it.value());
        // Copies of readable files, yet new files of the data folder.
        QCOMPARE(modes(data()), (QList<int>{0700, 0600, 0600, 0600, 0600}));
        QCOMPARE(entries(old()), (QStringList{u".hidden"_qs, u"sub"_qs}));
        QCOMPARE(readBytes(old() + u"sub/keep.txt"_qs), QByteArray("stays too"));
    }

    void olderFolder_readOnly_deletePassEnds()
    {
        QVERIFY(QDir().mkpath(old()));
        writeFile(old() + u"indice.dat"_qs, ",1,\r\n");
        writeFile(old() + u"notavex1.arl"_qs, "{\\rtf1 mine}");
        QVERIFY(QFile::setPermissions(old(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                                 QFile::ExeGroup));
#ifdef Q_OS_LINUX
        WithoutCapabilities lowered({CAP_DAC_OVERRIDE, CAP_FOWNER});
#endif
        if (QFile(old() + u"indice.dat"_qs).remove()) {
            QSKIP("files in a read-only folder can be deleted here");
        }

        QVERIFY(setup());
        QCOMPARE(readBytes(data() + u"notavex1.arl"_qs), QByteArray("{\\rtf1 mine}"));
        QCOMPARE(readBytes(data() + u"indice.dat"_qs), QByteArray(",1,\r\n"));
        QCOMPARE(entries(data()).size(), 2);
        QCOMPARE(entries(old()).size(), 2);
    }

    void olderFolder_oneUndeletableFile_othersAreMoved()
    {
#ifndef Q_OS_LINUX
        QSKIP("needs a file owned by another user");
#else
        if (geteuid() != 0)
            QSKIP("needs root to give a file to another user");
        // In a sticky folder only a file's owner may delete it.
        const uid_t stranger = 4242;
        QVERIFY(QDir().mkpath(old()));
        writeFile(old() + u"a.arl"_qs, "a");
        writeFile(old() + u"b.arl"_qs, "b");
        writeFile(old() + u"c.arl"_qs, "c");
        const QByteArray folder = QFile::encodeName(old());
        QCOMPARE(::chown(QFile::encodeName(old() + u"b.arl"_qs).constData(), stranger, stranger),
                 0);
        QCOMPARE(::chown(folder.constData(), stranger, stranger), 0);
        QCOMPARE(::chmod(folder.constData(), 01777), 0);
        WithoutCapabilities lowered({CAP_FOWNER, CAP_DAC_OVERRIDE});
        {
            writeFile(old() + u"probe"_qs, "p");
            QFile probe(old() + u"probe"_qs);
            QVERIFY(probe.remove()); // our own file goes
        }
        if (QFile::remove(old() + u"b.arl"_qs))
            QSKIP("the sticky folder does not protect files here");

        QVERIFY(setup());
        QCOMPARE(entries(data()), (QStringList{u"a.arl"_qs, u"b.arl"_qs, u"c.arl"_qs}));
        QCOMPARE(entries(old()), QStringList{u"b.arl"_qs});
        QCOMPARE(readBytes(data() + u"b.arl"_qs), QByteArray("b"));
#endif
    }

    void olderFolder_unreadableFile_isKept()
    {
        QVERIFY(QDir().mkpath(old()));
        writeFile(old() + u"notavex1.arl"_qs, "one");
        writeFile(old() + u"notavex2.arl"_qs, "two");
        QVERIFY(QFile::setPermissions(old() + u"notavex2.arl"_qs, QFile::WriteOwner));
#ifdef Q_OS_LINUX
        WithoutCapabilities lowered({CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH});
#endif
        if (QFile(old() + u"notavex2.arl"_qs).open(QIODevice::ReadOnly))
            QSKIP("unreadable files can be read here");

        QVERIFY(setup());
        // What could not be copied must not be deleted.
        QCOMPARE(entries(old()), QStringList{u"notavex2.arl"_qs});
        QCOMPARE(readBytes(data() + u"notavex1.arl"_qs), QByteArray("one"));
        QVERIFY(!QFileInfo::exists(data() + u"notavex2.arl"_qs));
    }

    void deleteFileChecked()
    {
        const QString file = m_tmp->path() + u"/f"_qs;
        writeFile(file, "x");
        QVERIFY(DeleteFileChecked(file));
        QVERIFY(!QFileInfo::exists(file));
        QVERIFY(DeleteFileChecked(file)); // already gone

        const QString folder = m_tmp->path() + u"/d"_qs;
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(!DeleteFileChecked(folder));
    }

private:
    QString docs() const
    {
        return m_tmp->path() + u"/Documents"_qs;
    }
    QString app() const
    {
        return m_tmp->path() + u"/app/"_qs;
    }
    QString old() const
    {
        return app() + u"maria/"_qs;
    }
    QString data() const
    {
        return docs() + u"/Notavex/"_qs;
    }
    bool setup() const
    {
        return SetupDataFolderAt(docs(), app(), u"maria"_qs);
    }

    std::unique_ptr<QTemporaryDir> m_tmp;
    std::unique_ptr<FakeServices> m_fakes;
};

QTEST_GUILESS_MAIN(tst_DataFolder)
#include "tst_datafolder.moc"
