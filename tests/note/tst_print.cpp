#include "mock/FakeServices.h"
#include "mock/Warnings.h"

#include "base/Globals.h"
#include "note/CupsPrintSystem.h"
#include "note/NotePrinter.h"
#include "note/frmNote.h"

#include "store/NoteFiles.h"

#include <QApplication>
#include <QDir>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

const QString Path = u"PATH=$PATH:/usr/sbin:/sbin; "_qs;

// A shell command's standard output, or nothing when it failed.
std::optional<QString> sh(const QString &command)
{
    QProcess p;
    p.start(u"sh"_qs, {u"-c"_qs, Path + command});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

// Printing a note through a print scheduler of the test's own with two PDF queues, A (the
// default) and B; the text is read back from Qt's own PDF output, which a queue's re-encoded
// PDF does not give.
class tst_print : public QObject
{
    Q_OBJECT

    const QString m_dir; // the scheduler's configuration, state, socket and logs
    QProcess m_cupsd;
    QString m_whyNot; // why the scheduler could not start
    std::unique_ptr<QTemporaryDir> m_tmp;
    std::optional<FakeServices> m_fakes;
    std::unique_ptr<frmNote> m_note; // "Compras", holding "leite"

    QString startScheduler()
    {
        const QString ppd = u"/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd"_qs;
        if (geteuid() != 0 || !sh(u"which cupsd lpadmin unshare pdftotext pdffonts && test -f "_qs +
                                  ppd + u" && test -x /usr/lib/cups/backend/cups-pdf"_qs))
            return u"needs root, cupsd, lpadmin, unshare, poppler-utils and the cups-pdf queue"_qs;
        // The PDF queues' driver reads its settings only from the system's folder: the scheduler
        // sees the test's own in a mount namespace of its own, the system's file stays as it is.
        // Its helpers run as lp and write their temporary files in tmp.
        m_cupsd.setProcessChannelMode(QProcess::MergedChannels);
        m_cupsd.start(
            u"sh"_qs,
            {u"-c"_qs,
             Path +
                 u"cd %1 && mkdir -p -m 1777 tmp && mkdir -p out && chmod 755 . && printf 'Listen "
                 "%1/sock\n<Policy default>\n<Limit All>\n</Limit>\n</Policy>\n' >cupsd.conf "
                 "&& printf 'ServerRoot %1\nStateDir %1\nCacheDir %1\nRequestRoot %1/spool\n"
                 "TempDir %1/tmp\nPageLog %1/page_log\nPrintcap %1/printcap\nAccessLog "
                 "stderr\nErrorLog stderr\nUser lp\nGroup lp\n' >files.conf && printf 'Out "
                 "%1/out\nSpool %1/tmp\nAnonDirName %1/out\nLog %1\n' >cups-pdf.conf && exec "
                 "unshare -m sh -c 'mount --bind %1/cups-pdf.conf /etc/cups/cups-pdf.conf && "
                 "exec cupsd -f -c %1/cupsd.conf -s %1/files.conf'"_qs.arg(m_dir)});
        if (!sh(u"for i in $(seq 100); do test -S $CUPS_SERVER && break; sleep 0.1; done; "
                "for q in A B; do lpadmin -p $q -E -v cups-pdf:/ -P %1 || exit; done; "
                "lpadmin -d A"_qs.arg(ppd)))
            return u"the print scheduler did not start: "_qs +
                   QString::fromLocal8Bit(m_cupsd.readAll());
        return {};
    }

public:
    explicit tst_print(const QString &dir) : m_dir(dir) {}

private slots:
    void initTestCase() { m_whyNot = startScheduler(); }

    void cleanup() { Services::setPrintSystem(nullptr); }

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
        Services::setPrintSystem(MakeCupsPrintSystem());
        m_note = std::make_unique<frmNote>();
        m_note->SetTag(u"1"_qs);
        // A slow printout outlasts the typing pause: its save is not what is tested here.
        m_note->SetSaver([](qint16) { return true; });
        m_note->Form_Load();
        m_note->txtTitle->setText(u"Compras"_qs);
        m_note->txtNote->SetText(u"leite"_qs);
        // Only the printer tests need the scheduler.
        if (!m_whyNot.isEmpty() && QByteArray(QTest::currentTestFunction()).startsWith("printer_"))
            QSKIP(qPrintable(u"No print scheduler: "_qs + m_whyNot));
    }

    // The printer and copies chosen hold for every later printout; a cancel changes nothing and
    // prints nothing. A title longer than a job name may be still prints.
    void printer_chosenLastIsUsed()
    {
        m_note->txtTitle->setText(u"Compras ção "_qs.repeated(30));
        QCOMPARE(CurrentPrinter().printerName(), u"A"_qs); // the system's default at first
        int asked = 0; // B with 2 copies, then A with 3 cancelled, then as it was
        SetPrinterDialogAnswer([&](QPrinter &p) {
            if (++asked < 3) {
                p.setPrinterName(asked == 1 ? u"b"_qs : u"A"_qs); // the print service ignores case
                p.setCopyCount(asked + 1);
            }
            return asked != 2;
        });
        for (int i = 0; i < 3; ++i)
            m_note->Imprimir();
        // The page log's queue and copies of each job.
        QTRY_COMPARE_WITH_TIMEOUT(
            sh(u"cut -d' ' -f1,7 %1/page_log"_qs.arg(m_dir)).value_or(QString()), u"B 2\nB 2\n"_qs,
            30000);
        // The queue made its PDF (the second, of the same title, takes the first one's name).
        QTRY_COMPARE_WITH_TIMEOUT(sh(u"ls %1/out | wc -l"_qs.arg(m_dir)).value_or(QString()),
                                  u"1\n"_qs, 30000);
        const auto &shown = m_fakes->messageBoxes->asked;
        QVERIFY2(shown.isEmpty(), qPrintable(shown.value(0).caption + u": "_qs + shown.value(0).text));
    }

    // A scheduler gone after the dialog is reported: nothing is printed. (A queue that rejects
    // jobs is tried end to end.)
    void printer_schedulerGone()
    {
        SetPrinterDialogAnswer([&](QPrinter &) {
            m_cupsd.terminate();
            return m_cupsd.waitForFinished();
        });
        const QString before = sh(u"cat %1/page_log"_qs.arg(m_dir)).value_or(QString());
        m_note->Imprimir();
        const bool restored = startScheduler().isEmpty();
        const auto &asked = m_fakes->messageBoxes->asked;
        QVERIFY(asked.size() == 1 && asked[0].caption == u"imprimir");
        QCOMPARE(asked[0].text,
                 u"Aviso: Não foi possível localizar uma impressora padrão existente."_qs);
        QTest::qWait(1000); // a job would be logged by now
        QCOMPARE(sh(u"cat %1/page_log"_qs.arg(m_dir)).value_or(QString()), before);
        QVERIFY(restored);
    }

    // Without a printer the dialog offers a PDF file named after the note, never one that exists;
    // a note shown only in part is not printed as if it were whole.
    void withoutPrinter()
    {
        Services::setPrintSystem(nullptr); // none installed
        const QString docs = QDir::home().filePath(u"Documents"_qs);
        QVERIFY(QDir().mkpath(docs));
        QStringList offered;
        SetPrinterDialogAnswer([&](QPrinter &p) {
            offered << p.outputFileName();
            return true;
        });
        m_note->Imprimir();
        m_note->Imprimir();
        QCOMPARE(offered, QStringList({docs + u"/Compras.pdf"_qs, docs + u"/Compras (2).pdf"_qs}));
        QCOMPARE(sh(u"pdftotext '%1' -"_qs.arg(offered[1])).value_or(QString()).simplified(),
                 u"Compras leite"_qs);
        // A title of 90 three-byte characters, or of 60 four-byte ones cut between the halves of
        // one, still gives a name a file can have.
        for (const QString &title : {u"漢"_qs.repeated(90), u"a"_qs + u"😀"_qs.repeated(60)}) {
            m_note->txtTitle->setText(title);
            m_note->Imprimir();
            const QString name = QFileInfo(offered.last()).fileName();
            QVERIFY2(QFile::exists(offered.last()), qPrintable(name));
            QVERIFY(title.startsWith(name.chopped(4)) && name.endsWith(u".pdf"_qs));
            QCOMPARE(QFile::decodeName(QFile::encodeName(name)), name); // no half character
        }
        offered = offered.mid(0, 2);
        m_note->txtTitle->setText(u"Compras"_qs);
        m_note->txtNote->LoadData(QByteArray(RichTextBox::MaxEditableCharacters + 1, 'x'));
        m_note->Imprimir();
        QCOMPARE(offered.size(), 2);
        QCOMPARE(m_fakes->messageBoxes->asked.value(0).text,
                 u"Esta nota é grande demais para ser impressa pelo Notavex. O texto inteiro dela "
                 u"está em \"%1\"."_qs.arg(ContentFile(1)));
    }

    // Title, an empty line and the text, long lines wrapped and pages added; a printout that
    // cannot be written is reported.
    void printedText()
    {
        QString text = u"leite\npão\n"_qs + u"palavra "_qs.repeated(60);
        for (int i = 1; i <= 100; ++i)
            text += u"\nitem %1"_qs.arg(i);
        m_note->txtNote->SetText(text);
        // Bold serif at the selection's start, plain sans after it: the start's font prints.
        RichTextBox *box = m_note->txtNote;
        box->selectAll();
        box->SetSelFontName(u"DejaVu Sans"_qs);
        box->SetSelStart(0);
        box->SetSelLength(3);
        box->SetSelFontName(u"DejaVu Serif"_qs);
        box->SetSelBold(true);
        box->SetSelLength(int(text.size()));
        QString pdf = m_tmp->filePath(u"note.pdf"_qs);
        SetPrinterDialogAnswer([&](QPrinter &p) {
            p.setOutputFileName(pdf);
            return true;
        });
        m_note->Imprimir();
        QString printed = sh(u"pdftotext -layout %1 -"_qs.arg(pdf)).value_or(QString());
        QCOMPARE(printed.count(u'\f'), 2);
        const QStringList got = printed.remove(u'\f').trimmed().split(u'\n');
        QCOMPARE(got.mid(0, 4), QStringList({u"Compras"_qs, QString(), u"leite"_qs, u"pão"_qs}));
        QCOMPARE(got.join(u' ').simplified(), (u"Compras "_qs + text).simplified());
        QVERIFY2(got.size() > 105 && got.count(QString()) == 1, qPrintable(printed)); // wrapped
        const QString fonts = sh(u"pdffonts "_qs + pdf).value_or(QString());
        QVERIFY2(fonts.count(u'\n') == 3 && fonts.contains(u"DejaVuSerif-Bold"), qPrintable(fonts));
        pdf = m_tmp->filePath(u"no/note.pdf"_qs);
        QTest::ignoreMessage(QtWarningMsg, "QPainter::begin(): Returned false");
        m_note->Imprimir();
        const auto &asked = m_fakes->messageBoxes->asked;
        QVERIFY(asked.size() == 1 && asked[0].caption == u"imprimir" &&
                asked[0].icon == MessageBoxes::Information);
        QCOMPARE(asked[0].text,
                 u"Aviso: Não foi possível localizar uma impressora padrão existente."_qs);
    }
};

int main(int argc, char **argv)
{
    // The print service finds its scheduler before the first printer is made; the user's own
    // printer choices are left out.
    QTemporaryDir dir;
    qputenv("CUPS_SERVER", QFile::encodeName(dir.filePath(u"sock"_qs)));
    qputenv("HOME", QFile::encodeName(dir.filePath(u"home"_qs)));
    QApplication app(argc, argv);
    tst_print test(dir.path());
    return QTest::qExec(&test, argc, argv);
}

#include "tst_print.moc"
