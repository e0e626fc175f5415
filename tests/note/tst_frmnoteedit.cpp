#include "mock/FakeServices.h"
#include "mock/TestFiles.h"
#include "mock/Warnings.h"

#include "note/FontDialog.h"
#include "note/frmNote.h"
#include "platform/Globals.h"
#include "platform/OpenForms.h"
#include "shell/FrmPopup.h"
#include "store/NoteFiles.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFontDatabase>
#include <QGroupBox>
#include <QMimeData>
#include <QPushButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace TestFiles;

namespace {

class TestNote : public frmNote
{
public:
    explicit TestNote(int id, const QString &text)
    {
        SetTag(QString::number(id));
        Form_Load();
        txtNote->SetText(text);
        // As loaded from its file: only a change makes the note need saving.
        QDir().mkpath(DataPath);
        writeBytes(ContentFile(qint16(id)), "{\\rtf1 }");
        ContentLoaded();
    }
    bool SaveNote(qint16 Id) override
    {
        saved << Id;
        return true;
    }
    QList<qint16> saved;
};

// "Arial|11|b-u-|0000ff": face, points, bold italic underline strikeout, Windows colour.
QString fmt(const QString &name, double size, bool b, bool i, bool u, bool s, quint32 color)
{
    return u"%1|%2|%3%4%5%6|%7"_qs.arg(name)
        .arg(size)
        .arg(QChar(b ? u'b' : u'-'))
        .arg(QChar(i ? u'i' : u'-'))
        .arg(QChar(u ? u'u' : u'-'))
        .arg(QChar(s ? u's' : u'-'))
        .arg(color, 6, 16, QChar(u'0'));
}

QString describe(const FontRecord &r)
{
    return fmt(r.Name, r.Size, r.Bold, r.Italic, r.Underline, r.StrikeThru, r.Color);
}

FontRecord parse(const QString &text)
{
    const QStringList f = text.split(u'|');
    return {f[0],
            qint16(f[1].toInt()),
            f[2][0] == u'b',
            f[2][1] == u'i',
            f[2][2] == u'u',
            f[2][3] == u's',
            f[3].toUInt(nullptr, 16),
            {}};
}

// Each character's format, space-joined.
QString formats(RichTextBox &box)
{
    QStringList all;
    for (int i = 0; i < box.document()->characterCount() - 1; ++i) {
        box.SetSelStart(i);
        box.SetSelLength(1);
        all << fmt(*box.SelFontName(), *box.SelFontSize(), *box.SelBold(), *box.SelItalic(),
                   *box.SelUnderline(), *box.SelStrikeThru(), *box.SelColor());
    }
    return all.join(u' ');
}

} // namespace

// The note's editing commands: the font of the selection, the text loaded from and saved to a
// file, the keys of the text box, and the menu items and link that reach them.
class tst_frmNoteEdit : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::optional<FakeServices> m_fakes;
    QWidget m_popup; // OpenForms index 0 is the main window
    QString path(const QString &name) const { return m_dir->path() + u'/' + name; }

private slots:
    void initTestCase() { OpenForms::add(&m_popup); }

    void init()
    {
        FailOnUnexpectedWarnings();
        m_dir = std::make_unique<QTemporaryDir>();
        ResetProgramState(m_dir->path() + u"/data/"_qs);
        m_fakes.emplace();
    }

    // The dialog itself: preset from the record, every field changed, OK gives it back; the
    // effects part hidden and kept when not offered; a cancel changes nothing.
    void fontDialog_data()
    {
        QTest::addColumn<bool>("noEffects");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("result");
        const QString family = QFontDatabase::families().constFirst();
        QTest::newRow("every field") << false << true << family + u"|14|-i-s|ff8000"_qs;
        QTest::newRow("no effects") << true << true << family + u"|14|-iu-|0000ff"_qs;
        QTest::newRow("cancel") << false << false << family;
    }

    void fontDialog()
    {
        QFETCH(bool, noEffects);
        QFETCH(bool, ok);
        QFETCH(QString, result);
        const QString preset = u"Fonte Inexistente|11|b-u-|0000ff"_qs;
        FontChoice = parse(preset);
        QWidget owner;
        FontChoice.Owner = &owner;
        QString seen;
        QTimer::singleShot(0, this, [&] {
            auto *d = qobject_cast<FontDialog *>(QApplication::activeModalWidget());
            QVERIFY(d && d->parentWidget() == &owner && d->lblAmostra->font().bold());
            QCOMPARE(d->fraEfeitos->isHidden(), noEffects);
            seen = describe(d->Choice());
            d->cboFonte->setCurrentIndex(d->cboFonte->findText(result.section(u'|', 0, 0)));
            d->txtTamanho->setValue(14);
            for (QCheckBox *box : {d->chkNegrito, d->chkItalico, d->chkSublinhado, d->chkRiscado})
                box->click();
            if (!noEffects) {
                QTimer::singleShot(0, this, [] {
                    auto *c = qobject_cast<QColorDialog *>(QApplication::activeModalWidget());
                    QVERIFY(c);
                    c->setCurrentColor(QColor(0x00, 0x80, 0xff));
                    c->accept();
                });
                d->cmdCor->click();
            }
            d->Botoes->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
        });
        QCOMPARE(ShowFontDialog(noEffects), ok);
        QCOMPARE(seen, preset);
        QCOMPARE(describe(FontChoice), ok ? result : preset);
        QCOMPARE(FontChoice.Owner, &owner);
    }

    // Fonte presets the dialog from the selection "ab" (a mixed field keeps the record's older
    // value) and writes the record back, also after a cancel, in whole points.
    void fonte_data()
    {
        QTest::addColumn<QString>("before"); // the format of "a" and of "b"
        QTest::addColumn<QString>("preset");
        QTest::addColumn<QString>("answer"); // "": cancel
        QTest::addColumn<QString>("after");
        const QString red = u"Arial|11|b---|0000ff"_qs;
        const QString redItalic = u"Arial|11|bi--|0000ff"_qs;
        const QString blue = u"Tahoma|8|-ius|ff0000"_qs;
        const QString older = u"Verdana|20|-iu-|00ff00"_qs; // the record before
        const QString chosen = u"Courier|14|---s|808080"_qs;
        const auto both = [](const QString &f) { return f + u' ' + f; };
        QTest::newRow("uniform, cancel") << both(red) << red << QString() << both(red);
        QTest::newRow("uniform, confirm") << both(red) << red << chosen << both(chosen);
        QTest::newRow("all mixed, cancel")
            << red + u' ' + blue << older << QString() << both(older);
        QTest::newRow("all mixed, confirm") << red + u' ' + blue << older << chosen << both(chosen);
        QTest::newRow("italic mixed, cancel")
            << red + u' ' + redItalic << redItalic << QString() << both(redItalic);
        QTest::newRow("9.75 pt is 10")
            << both(u"Arial|9.75|----|000000"_qs) << u"Arial|10|----|000000"_qs << QString()
            << both(u"Arial|10|----|000000"_qs);
    }

    void fonte()
    {
        QFETCH(QString, before);
        QFETCH(QString, preset);
        QFETCH(QString, answer);
        QFETCH(QString, after);
        TestNote note(4, u"ab"_qs);
        RichTextBox &box = *note.txtNote;
        for (int i = 0; i < 2; ++i) {
            const QString f = before.section(u' ', i, i);
            const FontRecord r = parse(f);
            box.SetSelStart(i);
            box.SetSelLength(1);
            box.SetSelFontName(r.Name);
            box.SetSelFontSize(f.section(u'|', 1, 1).toDouble());
            box.SetSelBold(r.Bold);
            box.SetSelItalic(r.Italic);
            box.SetSelUnderline(r.Underline);
            box.SetSelStrikeThru(r.StrikeThru);
            box.SetSelColor(r.Color);
        }
        FontChoice = parse(u"Verdana|20|-iu-|00ff00"_qs);
        QString seen;
        SetFontDialogAnswer([&](const FontRecord &r, bool noEffects) -> std::optional<FontRecord> {
            seen = describe(r) + (noEffects ? u" no effects"_qs : QString());
            return answer.isEmpty() ? std::nullopt : std::optional(parse(answer));
        });
        box.SetSelStart(0);
        box.SetSelLength(2);
        note.Fonte();
        QCOMPARE(seen, preset);
        QCOMPARE(formats(box), after);
        QCOMPARE(box.Text(), u"ab"_qs);
        if (!answer.isEmpty()) {
            note.Desfazer(); // one step takes it all back
            QCOMPARE(formats(box), before);
        }
    }

    // Salvar and Abrir through the file dialog's answer. A file that cannot be read or written
    // leaves the note as it was, and one message names the file.
    void files_data()
    {
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("chosen");    // "": cancel
        QTest::addColumn<QByteArray>("input");  // save: the note's text; open: the file's bytes
        QTest::addColumn<QString>("written");   // save: the file written; a failure: the one named
        QTest::addColumn<QByteArray>("result"); // save: the file's bytes; open: text, 1st format
        const QByteArray text = "Ol\xc3\xa1 \xe2\x82\xac\nmundo";
        const QByteArray bytes = "Ol\xc3\xa1 \xe2\x82\xac\r\nmundo\r\n";
        const auto save = [&](const char *row, const QString &chosen, const QString &written) {
            QTest::newRow(row) << true << chosen << text << written << bytes;
        };
        save("lista", u"lista"_qs, u"lista.txt"_qs);
        save("lista.doc", u"lista.doc"_qs, u"lista.txt"_qs);
        save("lista.txt replaced", u"lista.txt"_qs, u"lista.txt"_qs);
        save("folder with a dot", u"notas.old/lista"_qs, u"notas.old/lista.txt"_qs);
        save("hidden name", u".lista"_qs, u".lista.txt"_qs);
        QTest::newRow("empty note")
            << true << u"vazia"_qs << QByteArray() << u"vazia.txt"_qs << QByteArray("\r\n");
        QTest::newRow("save cancelled") << true << QString() << text << QString() << QByteArray();
        QTest::newRow("save, missing folder")
            << true << u"sem/lista"_qs << text << u"sem/lista.txt"_qs << QByteArray();
        QTest::newRow("save, folder in the way")
            << true << u"pasta.txt"_qs << text << u"pasta.txt"_qs << QByteArray();
        const auto open = [](const char *row, const QByteArray &input, const char *result) {
            QTest::newRow(row) << false << u"in.txt"_qs << input << QString() << QByteArray(result);
        };
        open("rtf", "{\\rtf1{\\fonttbl{\\f0 Tahoma;}}\\f0\\fs28\\b Ol\\'e1}",
             "Ol\xc3\xa1 Tahoma|14|b---|000000");
        open("utf-8", "Ol\xc3\xa1 \xe2\x82\xac\r\nfim",
             "Ol\xc3\xa1 \xe2\x82\xac\r\nfim Arial|9.75|----|000000");
        open("1252", "Ol\xe1 \x80", "Ol\xc3\xa1 \xe2\x82\xac Arial|9.75|----|000000");
        QTest::newRow("open cancelled") << false << QString() << QByteArray() << QString()
                                        << QByteArray("nota Arial|9.75|----|000000");
        QTest::newRow("open, missing file")
            << false << u"nada.txt"_qs << QByteArray() << u"nada.txt"_qs << QByteArray();
        QTest::newRow("open, a folder")
            << false << u"pasta"_qs << QByteArray() << u"pasta"_qs << QByteArray();
    }

    void files()
    {
        QFETCH(bool, save);
        QFETCH(QString, chosen);
        QFETCH(QByteArray, input);
        QFETCH(QString, written);
        QFETCH(QByteArray, result);
        for (const char *folder : {"notas.old", "pasta", "pasta.txt"})
            QVERIFY(QDir().mkpath(path(QString::fromLatin1(folder))));
        QVERIFY(writeBytes(path(u"lista.txt"_qs), "old") && writeBytes(path(u"in.txt"_qs), input));
        FileDialogSettings.InitDir = u"/algum"_qs;
        TestNote note(6, save ? QString::fromUtf8(input) : u"nota"_qs);
        const QString before = note.txtNote->Text();
        SetNextFileName(chosen.isEmpty() ? QString() : path(chosen));
        save ? note.Salvar() : note.Abrir();
        QCOMPARE(FileDialogSettings.Filter + FileDialogSettings.InitDir,
                 u"Documentos de texto (*.txt)|*.txt/algum"_qs);
        QCOMPARE(FileDialogSettings.Flags, 5);
        const bool failed = !written.isEmpty() && result.isEmpty();
        const auto &asked = m_fakes->messageBoxes->asked;
        QCOMPARE(asked.size(), int(failed));
        if (failed) {
            QVERIFY2(asked[0].text.contains(u'"' + path(written) + u'"'),
                     qPrintable(asked[0].text));
            QCOMPARE(asked[0].caption, u"Notavex"_qs);
        }
        const bool changed = !save && !failed && !chosen.isEmpty();
        QCOMPARE(note.ContentNeedsSaving(), changed);
        QCOMPARE(note.saved,
                 (save && !failed && !chosen.isEmpty()) ? QList<qint16>{6} : QList<qint16>{});
        if (save) {
            QCOMPARE(note.txtNote->Text(), before);
            QCOMPARE(readBytes(path(u"lista.txt"_qs)),
                     written == u"lista.txt" ? result : QByteArray("old"));
            if (!failed && !written.isEmpty())
                QCOMPARE(readBytes(path(written)), result);
            QCOMPARE(QFileInfo(path(chosen)).isFile(),
                     !chosen.isEmpty() && chosen == written && !failed);
        } else {
            const QString first = formats(*note.txtNote).section(u' ', 0, 0);
            QCOMPARE(note.txtNote->Text() + u' ' + first,
                     failed ? before + u" Arial|9.75|----|000000"_qs : QString::fromUtf8(result));
        }
    }

    // Keys of the text box, on "abc" with "b" selected; lower case letters are typed.
    void keys_data()
    {
        QTest::addColumn<QString>("keys");    // with Ctrl; V with Ctrl+Shift, 0 drops the selection
        QTest::addColumn<QString>("formats"); // b, i, u or - per character
        QTest::addColumn<QString>("text");
        QTest::newRow("ctrl+b") << u"B"_qs << u"-b-"_qs << u"abc"_qs;
        QTest::newRow("ctrl+b twice") << u"BB"_qs << u"---"_qs << u"abc"_qs;
        QTest::newRow("ctrl+i") << u"I"_qs << u"-i-"_qs << u"abc"_qs;
        QTest::newRow("ctrl+u") << u"U"_qs << u"-u-"_qs << u"abc"_qs;
        QTest::newRow("typing format") << u"0Bx"_qs << u"-b--"_qs << u"axbc"_qs;
        QTest::newRow("ctrl+y redoes") << u"xZY"_qs << u"---"_qs << u"axc"_qs;
        QTest::newRow("ctrl+shift+v, plain") << u"BV"_qs << u"-b-"_qs << u"a!c"_qs;
    }

    void keys()
    {
        QFETCH(QString, keys);
        QFETCH(QString, formats);
        QFETCH(QString, text);
        TestNote note(9, u"abc"_qs);
        RichTextBox *box = note.txtNote;
        auto *mime = new QMimeData;
        mime->setHtml(u"<i><u>!</u></i>"_qs);
        mime->setText(u"!"_qs);
        QGuiApplication::clipboard()->setMimeData(mime);
        box->SetSelStart(1);
        box->SetSelLength(1);
        for (const QChar k : keys) {
            if (k == u'0')
                box->SetSelLength(0);
            else if (k == u'V')
                QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
            else if (k.isUpper())
                QTest::keyClick(box, Qt::Key(k.unicode()), Qt::ControlModifier);
            else
                QTest::keyClicks(box, QString(k));
        }
        QCOMPARE(box->Text(), text);
        QString seen;
        for (const QString &f : ::formats(*box).split(u' ')) {
            const QString style = f.section(u'|', 2, 2);
            seen += style[0] != u'-' ? style[0] : style[1] != u'-' ? style[1] : style[2];
        }
        QCOMPARE(seen, formats);
    }

    // The note menu's items and the "[Fonte]" link reach the current note; the link saves it.
    void menuAndLink()
    {
        const QString data = path(u"docs/Notavex/"_qs);
        QVERIFY(QDir().mkpath(data) && QDir().mkpath(path(u"app"_qs)));
        QVERIFY(writeBytes(data + u"Indice.cfg"_qs, "[Indice]\r\nTotalForms=2\r\n[1]\r\n[3]\r\n"));
        QVERIFY(writeBytes(data + u"indice.dat"_qs, ",1,3,\r\n"));
        QVERIFY(writeBytes(data + u"notavex3.arl"_qs, "{\\rtf1 nota tr\\'eas}"));
        OpenForms::remove(&m_popup); // the program's own main window takes its place
        auto restore = qScopeGuard([this] { OpenForms::add(&m_popup); });
        FrmPopup popup;
        QVERIFY(popup.startUp(path(u"docs"_qs), path(u"app/"_qs), u"ana"_qs));
        CurrentNoteId = 3;
        CurrentFormIndex = qint16(FindNoteFormIndex(3));
        auto *note = qobject_cast<frmNote *>(OpenForms::at(CurrentFormIndex));
        QVERIFY(note && note->txtNote->Text() == u"nota três");
        const auto trigger = [](QAction *item) {
            QVERIFY(item->isEnabled());
            item->trigger();
            QCoreApplication::processEvents(); // menu commands are queued
        };

        trigger(popup.menSelecionar);
        QCOMPARE(note->txtNote->SelLength(), 9);
        SetNextFileName(path(u"fora"_qs));
        trigger(popup.menSave);
        QCOMPARE(readBytes(path(u"fora.txt"_qs)), QByteArray("nota tr\xc3\xaas\r\n"));
        QVERIFY(writeBytes(path(u"fora.txt"_qs), "outra"));
        SetNextFileName(path(u"fora.txt"_qs));
        trigger(popup.menOpen);
        QCOMPARE(note->txtNote->Text(), u"outra"_qs);

        int asked = 0;
        SetFontDialogAnswer([&](const FontRecord &r, bool) {
            ++asked;
            FontRecord chosen = r;
            chosen.Name = u"Tahoma"_qs;
            return std::optional(chosen);
        });
        note->txtNote->selectAll();
        trigger(popup.menFonte);
        QCOMPARE(note->txtNote->SelFontName(), u"Tahoma"_qs);
        FontChoice.Name.clear(); // the link must fill it from the selection again
        CurrentFormIndex = 0;
        note->Label1_Click(0);
        QCOMPARE(asked, 2);
        QCOMPARE(FontChoice.Name, u"Tahoma"_qs);
        QVERIFY(readBytes(data + u"notavex3.arl"_qs).contains("Tahoma"));
        QVERIFY(m_fakes->messageBoxes->asked.isEmpty());
        while (OpenForms::count() > 1)
            delete OpenForms::at(OpenForms::count() - 1);
        OpenForms::remove(&popup);
    }
};

QTEST_MAIN(tst_frmNoteEdit)
#include "tst_frmnoteedit.moc"
