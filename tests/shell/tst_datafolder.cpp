#include "mock/FakeServices.h"
#include "mock/TestFiles.h"
#include "mock/Warnings.h"

#include "base/Globals.h"
#include "shell/DataFolder.h"
#include "shell/SingleInstance.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <csignal>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>

using namespace TestFiles;

namespace {

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

// The folder's mode, then its entries' in name order.
QList<int> modes(const QString &folder)
{
    QList<int> found{modeOf(folder)};
    for (const QString &name : entries(folder))
        found.append(modeOf(folder + name));
    return found;
}

// An address in the abstract namespace, as another program would spell it.
socklen_t abstractAddress(const QByteArray &name, sockaddr_un &address)
{
    address = {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path + 1, name.constData(), size_t(name.size()));
    return socklen_t(offsetof(sockaddr_un, sun_path) + 1 + size_t(name.size()));
}

// A process of the user nobody running body; what body writes to its descriptor comes back
// through output. It ends with this object, or with the test should the test die.
struct AsNobody
{
    pid_t pid = -1;
    int output = -1;

    explicit AsNobody(const std::function<void(int out)> &body)
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return;
        pid = ::fork();
        if (pid == 0) {
            ::close(fds[0]);
            if (::prctl(PR_SET_PDEATHSIG, SIGKILL) == 0 && ::setgid(65534) == 0 &&
                ::setuid(65534) == 0)
                body(fds[1]);
            ::_exit(0);
        }
        ::close(fds[1]);
        output = fds[0];
    }
    ~AsNobody()
    {
        end();
        if (output >= 0)
            ::close(output);
    }
    void end()
    {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        pid = -1;
    }
};

} // namespace

// Where the notes are kept, what moves there, and the one copy of the program that runs on them.
class tst_DataFolder : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_tmp;
    std::optional<FakeServices> m_fakes;
    QString docs() const { return m_tmp->path() + u"/Documents"_qs; }
    QString app() const { return m_tmp->path() + u"/app/"_qs; }
    QString old() const { return app() + u"maria/"_qs; } // the older per-user folder
    QString data() const { return docs() + u"/Notavex/"_qs; }
    bool setup() const { return SetupDataFolderAt(docs(), app(), u"maria"_qs); }

private slots:
    void init()
    {
        FailOnUnexpectedWarnings();
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir().mkpath(docs()) && QDir().mkpath(app()));
        ResetProgramState();
        m_fakes.emplace(); // the old fakes go first
    }

    // Even empty, an existing folder is the user's: nothing is added, nothing moved into it.
    // Nor when a sync tool brought the mark of a folder still to be filled along with the notes.
    void existingFolder_isUsedUnchanged()
    {
        QVERIFY(QDir().mkpath(data()) && ::chmod(qPrintable(data()), 0755) == 0);
        QVERIFY(QDir().mkpath(old()) && writeBytes(old() + u"notavex1.arl"_qs, ""));
        QVERIFY(setup());
        QCOMPARE(entries(data()), QStringList());
        QCOMPARE(modeOf(data()), 0755);
        QCOMPARE(entries(old()), QStringList{u"notavex1.arl"_qs});

        QVERIFY(writeBytes(data() + u".notavex.new"_qs, "") &&
                writeBytes(data() + u"notavex1.arl"_qs, "{\\rtf1 mine}"));
        QVERIFY(setup());
        QCOMPARE(entries(data()), QStringList{u"notavex1.arl"_qs});
        QCOMPARE(readBytes(data() + u"notavex1.arl"_qs), QByteArray("{\\rtf1 mine}"));
    }

    // Notes kept in the home folder's Notavex before there was a documents folder move there
    // whole: renamed on one file system, copied and checked across two. Whatever stops that
    // leaves every file where it was, and the home folder is used.
    void homeFolder_data()
    {
        // also: an "existing" data folder, "only hidden" files at home, a "subfolder" at home.
        // sizeLimit: for each file written meanwhile, 0 for none. outcome: "moved", used at
        // "home", or the two folders kept "apart".
        QTest::addColumn<bool>("otherFileSystem");
        QTest::addColumn<QString>("also");
        QTest::addColumn<int>("sizeLimit");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("same file system: renamed") << false << QString() << 0 << u"moved"_qs;
        QTest::newRow("other file system: copied") << true << QString() << 0 << u"moved"_qs;
        QTest::newRow("a copy fails: nothing moves") << true << QString() << 4096 << u"home"_qs;
        QTest::newRow("documents folder has its own")
            << false << u"existing"_qs << 0 << u"apart"_qs;
        QTest::newRow("no notes at home") << false << u"only hidden"_qs << 0 << u"apart"_qs;
        QTest::newRow("a subfolder at home") << false << u"subfolder"_qs << 0 << u"home"_qs;
    }

    void homeFolder()
    {
        QFETCH(bool, otherFileSystem);
        QFETCH(QString, also);
        QFETCH(int, sizeLimit);
        QFETCH(QString, outcome);
        std::unique_ptr<QTemporaryDir> otherDisk;
        QString documents = docs();
        if (otherFileSystem) {
            otherDisk = std::make_unique<QTemporaryDir>(u"/dev/shm/notavex-XXXXXX"_qs);
            struct stat a, b;
            if (!otherDisk->isValid() || ::stat("/dev/shm", &a) != 0 ||
                ::stat(QFile::encodeName(m_tmp->path()).constData(), &b) != 0 ||
                a.st_dev == b.st_dev)
                QSKIP("needs /dev/shm on a file system of its own");
            documents = otherDisk->path();
        }
        const QString home = m_tmp->path() + u"/home/Notavex/"_qs;
        const QString target = documents + u"/Notavex/"_qs;
        QMap<QString, QByteArray> files{{u".notavex-0badc0de.lock"_qs, ""},
                                        {u"indice.dat"_qs, ",1,2,\r\n"},
                                        {u"notavex1.arl"_qs, "{\\rtf1 um}"},
                                        {u"notavex2.arl"_qs, QByteArray(64 * 1024, 'x')}};
        if (also == u"only hidden")
            files = {{u".notavex-0badc0de.lock"_qs, ""}};
        QVERIFY(QDir().mkpath(home + (also == u"subfolder" ? u".stfolder"_qs : QString())));
        for (auto it = files.cbegin(); it != files.cend(); ++it)
            QVERIFY(writeBytes(home + it.key(), it.value()));
        QVERIFY(also != u"existing" ||
                (QDir().mkpath(target) && writeBytes(target + u"notavex1.arl"_qs, "{\\rtf1 seu}")));
        const QStringList before = entries(home);
        const quint64 inode = inodeOf(home);

        QString used;
        {
            std::optional<FileSizeLimit> full;
            if (sizeLimit)
                full.emplace(rlim_t(sizeLimit));
            used = AdoptHomeFolder(home, target);
        }
        QCOMPARE(used, outcome == u"home" ? home : target);
        const QString holder = outcome == u"moved" ? target : home;
        QCOMPARE(entries(holder), before);
        for (auto it = files.cbegin(); it != files.cend(); ++it)
            QCOMPARE(readBytes(holder + it.key()), it.value());
        QCOMPARE(QFileInfo::exists(home), outcome != u"moved");
        if (outcome == u"moved")
            QCOMPARE(inodeOf(target) == inode, !otherFileSystem);
        else if (also == u"existing")
            QCOMPARE(entries(target), QStringList{u"notavex1.arl"_qs});
        else
            QCOMPARE(entries(documents), QStringList()); // nothing half made
    }

    // A file named Notavex where the folder should be: the program says so and ends.
    void folderThatCannotBeMade_tellsAndFails()
    {
        QVERIFY(writeBytes(docs() + u"/Notavex"_qs, "in the way"));
        QVERIFY(!setup());
        QCOMPARE(m_fakes->messageBoxes->asked.size(), 1);
        QCOMPARE(m_fakes->messageBoxes->asked[0].text, u"Você deve logar como administrador"_qs);
        QCOMPARE(readBytes(docs() + u"/Notavex"_qs), QByteArray("in the way"));
    }

    // The files of the older per-user folder move into a new data folder; what could not be
    // copied (here, past a full disk) stays, as do hidden files and subfolders, and a folder
    // holding only those counts as empty.
    void olderFolder_isMovedIntoTheNewFolder()
    {
        const QMap<QString, QByteArray> notes{{u"Indice.cfg"_qs, "[Indice]\r\nTotalForms=2\r\n"},
                                              {u"indice.dat"_qs, ",2,5,\r\n"},
                                              {u"notavex2.arl"_qs, "{\\rtf1 two}"},
                                              {u"notavex5.arl"_qs, "{\\rtf1 five}"}};
        QVERIFY(QDir().mkpath(old() + u"sub"_qs));
        for (auto it = notes.cbegin(); it != notes.cend(); ++it)
            QVERIFY(writeBytes(old() + it.key(), it.value()));
        const QByteArray big(64 * 1024, 'x');
        QVERIFY(writeBytes(old() + u"notavex9.arl"_qs, big));
        QVERIFY(writeBytes(old() + u".hidden"_qs, "stays"));
        QVERIFY(writeBytes(old() + u"sub/notavex1.arl"_qs, "stays too"));
        {
            FileSizeLimit full(4096);
            QVERIFY(setup());
        }
        QCOMPARE(entries(data()), notes.keys());
        for (auto it = notes.cbegin(); it != notes.cend(); ++it)
            QCOMPARE(readBytes(data() + it.key()), it.value());
        // Copies of readable files, yet new files of the data folder.
        QCOMPARE(modes(data()), (QList<int>{0700, 0600, 0600, 0600, 0600}));
        QCOMPARE(entries(old()), (QStringList{u".hidden"_qs, u"notavex9.arl"_qs, u"sub"_qs}));
        QCOMPARE(readBytes(old() + u"notavex9.arl"_qs), big);

        QVERIFY(QFile::remove(old() + u"notavex9.arl"_qs));
        QVERIFY(QDir(data()).removeRecursively());
        QVERIFY(setup());
        QVERIFY(readBytes(data() + u"notavex1.arl"_qs).startsWith("{\\rtf1"));
        QCOMPARE(readBytes(old() + u"sub/notavex1.arl"_qs), QByteArray("stays too"));
    }

    // One copy per folder on this computer whatever the second copy's environment or its way to
    // the folder; the running copy hears both requests, also on a folder it cannot write, and
    // once it ends the folder is free again. (Locks left by other computers, sync conflicts and
    // an earlier version: e2e/startup.sh.)
    void secondCopy_data()
    {
        QTest::addColumn<QString>("runtime"); // the second copy's XDG_RUNTIME_DIR; "-": none
        QTest::addColumn<bool>("throughLink");
        QTest::addColumn<bool>("readOnly");
        const QString same = qEnvironmentVariable("XDG_RUNTIME_DIR");
        QTest::newRow("same environment") << same << false << false;
        QTest::newRow("another runtime folder") << u"run2"_qs << false << false;
        QTest::newRow("no runtime folder") << u"-"_qs << false << false;
        QTest::newRow("folder reached through a link") << same << true << false;
        QTest::newRow("read-only folder") << same << false << true;
    }

    void secondCopy()
    {
        QFETCH(QString, runtime);
        QFETCH(bool, throughLink);
        QFETCH(bool, readOnly);
        QVERIFY(QDir().mkpath(data()));
        const QString second = throughLink ? m_tmp->path() + u"/link/"_qs : data();
        QVERIFY(!throughLink || QFile::link(data(), m_tmp->path() + u"/link"_qs));
        std::optional<ReadOnlyFolder> frozen;
        if (readOnly) {
            frozen.emplace(data());
            QVERIFY(frozen->isValid());
        }

        auto first = std::make_unique<SingleInstance>(data());
        QVERIFY(first->acquire());
        QSignalSpy closes(first.get(), &SingleInstance::closeRequested);
        QSignalSpy shows(first.get(), &SingleInstance::showRequested);
        const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
        if (runtime == u"-")
            qunsetenv("XDG_RUNTIME_DIR");
        else if (runtime == u"run2")
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_tmp->path()));
        const bool refused = !SingleInstance(second).acquire();
        const bool heard =
            SingleInstance::requestShow(second) && SingleInstance::requestClose(second);
        qputenv("XDG_RUNTIME_DIR", saved);
        QVERIFY(refused);
        QVERIFY(heard);
        QTRY_COMPARE(shows.size(), 1);
        QTRY_COMPARE(closes.size(), 1);

        first.reset();
        QVERIFY(SingleInstance(second).acquire());
    }

    // Another user may take the running copy's name first, or knock on it: that user is neither
    // taken for the running copy nor heard by it.
    void anotherUser_isNotTheRunningCopy()
    {
        if (::geteuid() != 0)
            QSKIP("acting as another user needs root");
        QVERIFY(QDir().mkpath(data()));
        struct stat st;
        QVERIFY(::stat(QFile::encodeName(data()).constData(), &st) == 0);
        const QByteArray key = QByteArray::number(::geteuid()) + '-' +
                               QByteArray::number(quint64(st.st_dev)) + '-' +
                               QByteArray::number(quint64(st.st_ino));
        sockaddr_un address;
        const socklen_t size = abstractAddress("notavex-" + key, address);

        // Holding the name first, it reports every byte it is sent.
        AsNobody impostor([&](int out) {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            if (::bind(fd, reinterpret_cast<sockaddr *>(&address), size) != 0 ||
                ::listen(fd, 8) != 0 || ::write(out, "+", 1) != 1)
                return;
            for (int client; (client = ::accept(fd, nullptr, nullptr)) >= 0; ::close(client)) {
                char buf[64];
                for (ssize_t n; (n = ::read(client, buf, sizeof buf)) > 0;)
                    [[maybe_unused]] const ssize_t w = ::write(out, buf, size_t(n));
            }
        });
        char ready = 0;
        QVERIFY(impostor.pid > 0 && ::read(impostor.output, &ready, 1) == 1 && ready == '+');
        {
            SingleInstance copy(data());
            QSignalSpy closes(&copy, &SingleInstance::closeRequested);
            QVERIFY(copy.acquire());
            QVERIFY(!SingleInstance(data()).acquire());
            QVERIFY(SingleInstance::requestClose(data()));
            QTRY_COMPARE(closes.size(), 1);
        }
        impostor.end();
        char got[64];
        QCOMPARE(::read(impostor.output, got, sizeof got), ssize_t(0)); // it was sent nothing
        QFile::remove(u"/tmp/notavex-0/"_qs + QString::fromLatin1(key) + u".lock"_qs);

        // Knocking on the running copy's name.
        SingleInstance copy(data());
        QSignalSpy closes(&copy, &SingleInstance::closeRequested);
        QSignalSpy shows(&copy, &SingleInstance::showRequested);
        QVERIFY(copy.acquire());
        AsNobody knocker([&](int) {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            if (::connect(fd, reinterpret_cast<sockaddr *>(&address), size) == 0) {
                [[maybe_unused]] const ssize_t w = ::write(fd, "close\nshow\n", 11);
            }
            ::close(fd);
        });
        QVERIFY(knocker.pid > 0);
        ::waitpid(knocker.pid, nullptr, 0);
        knocker.pid = -1;
        // The copy's own user is heard after it, so the other's request had its turn.
        QVERIFY(SingleInstance::requestShow(data()));
        QTRY_COMPARE(shows.size(), 1);
        QCOMPARE(closes.size(), 0);
    }
};

QTEST_GUILESS_MAIN(tst_DataFolder)
#include "tst_datafolder.moc"
