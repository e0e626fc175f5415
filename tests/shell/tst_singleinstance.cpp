#include "mock/TestFiles.h"
#include "mock/Warnings.h"

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

class tst_SingleInstance : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_tmp;
    QString data() const { return m_tmp->path() + u"/Notavex/"_qs; }

private slots:
    void init()
    {
        FailOnUnexpectedWarnings();
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir().mkpath(data()));
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
        QByteArray impostorGot(64, '\0');
        impostorGot.resize(qMax<ssize_t>(0, ::read(impostor.output, impostorGot.data(), 64)));
        QCOMPARE(impostorGot, QByteArray());
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

QTEST_GUILESS_MAIN(tst_SingleInstance)
#include "tst_singleinstance.moc"
