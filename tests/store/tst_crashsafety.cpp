// A writer killed at any moment leaves the index file either as it was or as it became after a
// completed write, never a mix: the child process writes keys in a loop and is killed with
// SIGKILL at random moments, many times over.

#include "mock/TestFiles.h"
#include "mock/Warnings.h"

#include "platform/ProfileString.h"
#include "store/NoteFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace TestFiles;

namespace {

constexpr int kKeys = 20;
constexpr int kFillerSections = 300;

QString keyName(int i)
{
    return u"k%1"_qs.arg(i);
}

QByteArray fillerBytes()
{
    QByteArray out = "; other notes, which no write may disturb\n";
    for (int s = 1; s <= kFillerSections; ++s) {
        out += "[" + QByteArray::number(s) + "]\r\nTop=" + QByteArray::number(s * 15) +
               "\r\nLeft=" + QByteArray::number(s * 30) + "\r\nTitulo=Nota n\xfamero " +
               QByteArray::number(s) + "\r\nVisivel=True\r\n\r\n";
    }
    return out;
}

QByteArray sectionBytes(const QStringList &values)
{
    QByteArray out = "[crash]\r\n";
    for (int i = 0; i < kKeys; ++i)
        out += keyName(i).toLatin1() + '=' + values[i].toLatin1() + "\r\n";
    return out;
}

struct Step
{
    int key; // -1: a whole batch, every key at once
    QString value;
};

} // namespace

class tst_CrashSafety : public QObject
{
    Q_OBJECT

private:
    QString m_tool;
    QRandomGenerator m_random;

private slots:
    void initTestCase()
    {
        m_tool = QStringLiteral(NOTAVEX_BUILD_DIR "/tools/profile-cli");
        if (!QFileInfo(m_tool).isExecutable())
            QFAIL(qPrintable(u"%1 is missing; build the tools first"_qs.arg(m_tool)));
        quint32 seed = QRandomGenerator::global()->generate();
        if (qEnvironmentVariableIsSet("NOTAVEX_CRASH_SEED"))
            seed = qEnvironmentVariableIntValue("NOTAVEX_CRASH_SEED");
        qInfo("random seed %u (set NOTAVEX_CRASH_SEED to repeat)", seed);
        m_random.seed(seed);
    }

    void init() { FailOnUnexpectedWarnings(); }

    void killedWriter_data()
    {
        QTest::addColumn<bool>("batches");
        QTest::addColumn<int>("kills");
        QTest::newRow("single-key writes") << false << 90;
        QTest::newRow("batches of every key") << true << 90;
    }

    void killedWriter()
    {
        QFETCH(bool, batches);
        QFETCH(int, kills);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString file = dir.filePath(u"Indice.cfg"_qs);
        const QByteArray filler = fillerBytes();
        QStringList values;
        for (int i = 0; i < kKeys; ++i)
            values << u"init"_qs;
        QVERIFY(writeBytes(file, filler + sectionBytes(values)));

        int landedMidway = 0;   // kills after some writes, before the script's end
        int unacknowledged = 0; // a write was on disk but the kill came before it was reported
        QElapsedTimer clock;
        clock.start();
        for (int run = 0; run < kills; ++run) {
            // The script: hundreds of writes, far more than the child gets done before the kill.
            QList<Step> steps;
            QByteArray script;
            const int count = batches ? 300 : 1000;
            for (int n = 0; n < count; ++n) {
                const QString pad(int(m_random.bounded(40)), QLatin1Char('p'));
                if (batches) {
                    script += "BEGIN\n";
                    for (int i = 0; i < kKeys; ++i) {
                        script += "W\tcrash\t" + keyName(i).toLatin1() + '\t' +
                                  u"r%1b%2-%3%4"_qs.arg(run).arg(n).arg(i).arg(pad).toLatin1() +
                                  '\n';
                    }
                    script += "COMMIT\nR\tcrash\tk0\t-\n";
                    steps.append({-1, u"r%1b%2-"_qs.arg(run).arg(n) + QLatin1Char('%') + pad});
                } else {
                    const int key = int(m_random.bounded(kKeys));
                    const QString value = u"r%1w%2%3"_qs.arg(run).arg(n).arg(pad);
                    script += "W\tcrash\t" + keyName(key).toLatin1() + '\t' + value.toLatin1() +
                              "\nR\tcrash\t" + keyName(key).toLatin1() + "\t-\n";
                    steps.append({key, value});
                }
            }

            const QString scriptFile = dir.filePath(u"script.txt"_qs);
            QVERIFY(writeBytes(scriptFile, script));
            QProcess child;
            child.setStandardInputFile(scriptFile);
            child.start(m_tool, {file});
            QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
            QThread::usleep(10000 + m_random.bounded(140000));
            child.kill();
            QVERIFY(child.waitForFinished(5000));
            const QList<QByteArray> acks = child.readAllStandardOutput().split('\n');
            const int acknowledged = int(acks.size()) - 1; // the last piece is unfinished

            // The file must be the state after some number of completed steps, no fewer than
            // the child reported done.
            const QByteArray disk = readBytes(file);
            QVERIFY2(disk.startsWith(filler), "other sections were disturbed");
            const QByteArray section = disk.mid(filler.size());
            int matched = -1;
            QStringList state = values;
            for (int done = 0; done <= steps.size(); ++done) {
                if (done > 0) {
                    const Step &step = steps[done - 1];
                    if (step.key >= 0) {
                        state[step.key] = step.value;
                    } else {
                        for (int i = 0; i < kKeys; ++i)
                            state[i] =
                                QString(step.value).replace(QLatin1Char('%'), QString::number(i));
                    }
                }
                if (section == sectionBytes(state)) {
                    matched = done;
                    break;
                }
            }
            QVERIFY2(matched >= 0, qPrintable(QStringLiteral("run %1: the file holds no state of "
                                                             "the write sequence:\n%2")
                                                  .arg(run)
                                                  .arg(QString::fromLatin1(section))));
            QVERIFY2(matched >= acknowledged,
                     qPrintable(u"run %1: %2 writes reported done, %3 on disk"_qs.arg(run)
                                    .arg(acknowledged)
                                    .arg(matched)));
            if (matched > 0 && matched < steps.size())
                ++landedMidway;
            if (matched > acknowledged)
                ++unacknowledged;
            values = state;

            // The library reads the same, and no leftover of the kill passes for the file.
            QCOMPARE(ResolveFileCase(dir.filePath(u"INDICE.CFG"_qs)), file);
            for (int i = 0; i < kKeys; ++i) {
                QCOMPARE(GetPrivateProfileString(u"crash"_qs, keyName(i), QString(), file),
                         values[i]);
            }
            QCOMPARE(GetPrivateProfileString(QString::number(kFillerSections), u"Titulo"_qs,
                                             QString(), file),
                     u"Nota número %1"_qs.arg(kFillerSections));
        }
        const QStringList leftovers =
            QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter(u"Indice.cfg."_qs);
        qInfo("%d kills in %lld ms: %d after some writes, %d right after a write it could not "
              "report; %lld temporary files left",
              kills, clock.elapsed(), landedMidway, unacknowledged, qint64(leftovers.size()));
        // Most kills must hit a writer at work, or the test proves little.
        QVERIFY2(landedMidway > kills / 2, "the kills came too early or too late");
    }
};

QTEST_GUILESS_MAIN(tst_CrashSafety)
#include "tst_crashsafety.moc"
