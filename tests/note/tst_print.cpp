#include "mock/FakeServices.h"
#include "mock/Warnings.h"

#include "note/NotePrinter.h"
#include "note/frmNote.h"
#include "platform/Globals.h"
#include "platform/OpenForms.h"

#include <QApplication>
#include <QDir>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString Ppd = u"/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd"_qs;

// A program's standard output, or nothing when it failed.
std::optional<QString> run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Where the system keeps a program; "" when it is not installed.
QString tool(const char *name)
{
    return QStandardPaths::findExecutable(
        QString::fromLatin1(name), {u"/usr/sbin"_qs, u"/usr/bin"_qs, u"/sbin"_qs, u"/bin"_qs});
}

QString settings(const QPrinter &p)
{
    return u"%1 %2 %3 %4"_qs.arg(p.printerName(), p.outputFileName())
        .arg(p.copyCount())
        .arg(p.pageLayout().orientation());
}

} // namespace

// Printing notes through a print scheduler of the test's own with two PDF queues, A (the
// default) and B; what is printed is read from Qt's own PDF output.
class tst_print : public QObject
{
    Q_OBJECT

    const QString m_dir; // the scheduler's configuration, socket, logs, spool and output
    QProcess m_cupsd;
    QString m_whyNot; // why the scheduler could not start
    std::unique_ptr<QTemporaryDir> m_tmp;
    std::optional<FakeServices> m_fakes;
    QWidget m_popup;

    QString path(const QString &name) const { return m_dir + u'/' + name; }

    // One note, title and text given, shown in its default font.
    std::unique_ptr<frmNote> note(const QString &title, const QString &text)
    {
        auto n = std::make_unique<frmNote>();
        n->SetTag(u"1"_qs);
        n->Form_Load();
        n->txtTitle->setText(title);
        n->txtNote->SetText(text);
        return n;
    }

    // The page log's jobs as "printer pages", pages counting every copy.
    QStringList jobs() const
    {
        QFile f(path(u"log/page_log"_qs));
        QStringList found;
        if (f.open(QIODevice::ReadOnly))
            for (const QString &line :
                 QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts))
                found << line.section(u' ', 0, 0) + u' ' + line.section(u' ', 6, 6);
        return found;
    }

    QString startScheduler()
    {
        if (geteuid() != 0)
            return u"the print scheduler only starts as root"_qs;
        for (const char *name : {"cupsd", "lpadmin", "unshare", "pdftotext", "pdffonts"})
            if (tool(name).isEmpty())
                return QString::fromLatin1(name) + u" is not installed"_qs;
        if (!QFile::exists(Ppd) || !QFile::exists(u"/usr/lib/cups/backend/cups-pdf"_qs))
            return u"the cups-pdf queue driver is not installed"_qs;
        // The scheduler's helpers run as lp and must reach its folders.
        QFile::setPermissions(m_dir, QFile::Permissions(0x7755));
        for (const char *sub : {"root", "state", "cache", "spool", "tmp", "log", "out", "home"})
            QDir(m_dir).mkdir(QString::fromLatin1(sub));
        // The filters write their temporary files there as lp.
        chmod(QFile::encodeName(path(u"tmp"_qs)).constData(), 01777);
        const QString files[][2] = {
            {u"cupsd.conf"_qs,
             u"Listen %1/sock\nWebInterface No\nBrowsing No\n"
             "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
             "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n"_qs},
            {u"cups-files.conf"_qs,
             u"ServerRoot %1/root\nStateDir %1/state\nCacheDir %1/cache\nRequestRoot %1/spool\n"
             "TempDir %1/tmp\nAccessLog %1/log/access_log\nErrorLog %1/log/error_log\n"
             "PageLog %1/log/page_log\nPrintcap %1/printcap\nSystemGroup root\nUser lp\nGroup lp\n"_qs},
            {u"cups-pdf.conf"_qs,
             u"Out %1/out\nSpool %1/tmp\nAnonDirName %1/out\nLog %1/log\nLabel 1\n"_qs}};
        for (const auto &[name, text] : files) {
            QFile f(path(name));
            if (!f.open(QIODevice::WriteOnly) || f.write(text.arg(m_dir).toUtf8()) < 0)
                return u"cannot write "_qs + name;
        }
        // The queue driver reads its settings only from the system's folder: the scheduler sees
        // the test's own in a mount namespace of its own, and the system's file stays as it is.
        m_cupsd.setProcessChannelMode(QProcess::MergedChannels);
        m_cupsd.start(
            tool("unshare"),
            {u"-m"_qs, u"sh"_qs, u"-c"_qs,
             u"mount --bind \"$0\" /etc/cups/cups-pdf.conf && exec \"$1\" -f -c \"$2\" -s \"$3\""_qs,
             path(u"cups-pdf.conf"_qs), tool("cupsd"), path(u"cupsd.conf"_qs),
             path(u"cups-files.conf"_qs)});
        for (int i = 0;
             i < 200 && !QFile::exists(path(u"sock"_qs)) && m_cupsd.state() != QProcess::NotRunning;
             ++i)
            QTest::qWait(50);
        if (!QFile::exists(path(u"sock"_qs)))
            return u"the print scheduler did not start: "_qs +
                   QString::fromLocal8Bit(m_cupsd.readAll());
        for (const QString &queue : {u"A"_qs, u"B"_qs})
            if (!run(tool("lpadmin"), {u"-h"_qs, path(u"sock"_qs), u"-p"_qs, queue, u"-E"_qs,
                                       u"-v"_qs, u"cups-pdf:/"_qs, u"-P"_qs, Ppd}))
                return u"lpadmin could not add a queue"_qs;
        if (!run(tool("lpadmin"), {u"-h"_qs, path(u"sock"_qs), u"-d"_qs, u"A"_qs}))
            return u"lpadmin could not choose the default queue"_qs;
        return {};
    }

public:
    explicit tst_print(const QString &dir) : m_dir(dir) {}

private slots:
    void initTestCase()
    {
        OpenForms::add(&m_popup);
        m_whyNot = startScheduler();
    }

    void cleanupTestCase()
    {
        m_cupsd.terminate();
        m_cupsd.waitForFinished();
    }

    void init()
    {
        FailOnUnexpectedWarnings();
        m_tmp = std::make_unique<QTemporaryDir>();
        ResetProgramState(m_tmp->path());
        m_fakes.emplace();
        if (!m_whyNot.isEmpty() &&
            QTest::currentTestFunction() != QByteArrayLiteral("noPrinter_endsSilently"))
            QSKIP(qPrintable(u"No print scheduler: "_qs + m_whyNot));
    }

    // The choice of a printer and its copies holds for every later printout of every note.
    void printer_chosenLastIsUsed()
    {
        QCOMPARE(CurrentPrinter().printerName(), u"A"_qs); // the system's default at first
        SetPrinterDialogAnswer([](QPrinter &p) {
            p.setPrinterName(u"b"_qs); // as the print service, without case
            p.setCopyCount(2);
            return true;
        });
        note(u"Compras"_qs, u"leite"_qs)->Imprimir();
        QTRY_COMPARE_WITH_TIMEOUT(jobs(), QStringList{u"B 2"_qs}, 30000);
        SetPrinterDialogAnswer([](QPrinter &) { return true; });
        note(u"Outra"_qs, u"nota"_qs)->Imprimir();
        QTRY_COMPARE_WITH_TIMEOUT(jobs(), QStringList({u"B 2"_qs, u"B 2"_qs}), 30000);
        QTRY_COMPARE(QDir(path(u"out"_qs)).entryList(QDir::Files).size(), 2); // the queue's PDFs
        QVERIFY(m_fakes->messageBoxes->asked.isEmpty());
    }

    void printedText_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("lines"); // lines printed, title and empty line included
        QTest::addColumn<int>("pages");
        QStringList words, items;
        for (int i = 1; i <= 60; ++i)
            words << u"palavra%1"_qs.arg(i);
        for (int i = 1; i <= 120; ++i)
            items << u"item %1"_qs.arg(i);
        QTest::newRow("title, empty line, text") << u"Compras"_qs << u"leite\npão"_qs << 4 << 1;
        QTest::newRow("long line wraps")
            << u"Longa"_qs << words.join(u' ') + u"\nacabou"_qs << -1 << 1;
        QTest::newRow("long text goes on") << u"Lista"_qs << items.join(u'\n') << 122 << 2;
        QTest::newRow("font at selection start") << u"Fonte"_qs << u"negrito normal"_qs << 3 << 1;
    }

    void printedText()
    {
        QFETCH(QString, title);
        QFETCH(QString, text);
        QFETCH(int, lines);
        QFETCH(int, pages);
        auto n = note(title, text);
        // Bold serif at the selection's start, plain sans after it.
        RichTextBox *box = n->txtNote;
        box->selectAll();
        box->SetSelFontName(u"DejaVu Sans"_qs);
        box->SetSelStart(0);
        box->SetSelLength(7);
        box->SetSelFontName(u"DejaVu Serif"_qs);
        box->SetSelBold(true);
        box->SetSelStart(2);
        box->SetSelLength(int(text.size()) - 2);
        const QString pdf = m_tmp->filePath(u"note.pdf"_qs);
        SetPrinterDialogAnswer([&](QPrinter &p) {
            p.setOutputFileName(pdf);
            return true;
        });
        n->Imprimir();
        QVERIFY(m_fakes->messageBoxes->asked.isEmpty());
        QString printed = run(tool("pdftotext"), {u"-layout"_qs, pdf, u"-"_qs}).value_or(QString());
        QCOMPARE(printed.count(u'\f'), pages);
        const QStringList got = printed.remove(u'\f').trimmed().split(u'\n');
        QCOMPARE(got.mid(0, 2), QStringList({title, QString()}));
        // Every word in its order; wrapping only breaks lines.
        QCOMPARE(got.join(u' ').simplified(), (title + u' ' + text).simplified());
        QVERIFY2(lines > 0 ? got.size() == lines : got.size() > 4, qPrintable(printed));
        const QString fonts = run(tool("pdffonts"), {pdf}).value_or(QString());
        QCOMPARE(fonts.split(u'\n', Qt::SkipEmptyParts).size(), 3); // one font, under a header
        QVERIFY2(fonts.contains(u"DejaVuSerif-Bold"_qs), qPrintable(fonts));
    }

    void failureOrCancel_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("output");
        QTest::addColumn<bool>("message");
        QTest::newRow("output cannot be written") << true << u"missing/note.pdf"_qs << true;
        QTest::newRow("cancel") << false << u"note.pdf"_qs << false;
    }

    void failureOrCancel()
    {
        QFETCH(bool, ok);
        QFETCH(QString, output);
        QFETCH(bool, message);
        const QString before = settings(CurrentPrinter());
        SetPrinterDialogAnswer([&](QPrinter &p) {
            p.setPrinterName(u"B"_qs);
            p.setCopyCount(3);
            p.setPageOrientation(QPageLayout::Landscape);
            p.setOutputFileName(m_tmp->filePath(output));
            return ok;
        });
        if (message)
            QTest::ignoreMessage(QtWarningMsg, "QPainter::begin(): Returned false");
        note(u"Compras"_qs, u"leite"_qs)->Imprimir();
        QVERIFY(!QFile::exists(m_tmp->filePath(output)));
        QCOMPARE(settings(CurrentPrinter()) == before, !ok);
        const auto &asked = m_fakes->messageBoxes->asked;
        QCOMPARE(asked.size(), message ? 1 : 0);
        QVERIFY(!message ||
                (asked[0].text == u"Aviso: Não foi possível localizar uma impressora "
                                  u"padrão existente."_qs &&
                 asked[0].caption == u"imprimir"_qs && asked[0].icon == MessageBoxes::Information &&
                 asked[0].buttons == MessageBoxes::Ok));
    }

    // Runs last: it stops the scheduler, if there is one.
    void noPrinter_endsSilently()
    {
        cleanupTestCase();
        int asked = 0;
        SetPrinterDialogAnswer([&](QPrinter &) { return ++asked > 0; });
        note(u"Compras"_qs, u"leite"_qs)->Imprimir();
        QCOMPARE(asked, 0);
        QVERIFY(m_fakes->messageBoxes->asked.isEmpty());
    }
};

int main(int argc, char **argv)
{
    // The print service is asked where its scheduler is before the first printer is made; the
    // user's own printer choices are left out.
    QTemporaryDir dir;
    qputenv("CUPS_SERVER", QFile::encodeName(dir.filePath(u"sock"_qs)));
    qputenv("HOME", QFile::encodeName(dir.filePath(u"home"_qs)));
    QApplication app(argc, argv);
    tst_print test(dir.path());
    return QTest::qExec(&test, argc, argv);
}

#include "tst_print.moc"
