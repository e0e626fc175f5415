#include "mock/FakeServices.h"
#include "mock/TestFiles.h"
#include "mock/Warnings.h"

#include "base/Globals.h"
#include "shell/DataFolder.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

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

} // namespace

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
};

QTEST_GUILESS_MAIN(tst_DataFolder)
#include "tst_datafolder.moc"
