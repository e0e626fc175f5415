#include "mock/FakeServices.h"
#include "mock/TestFiles.h"
#include "mock/Warnings.h"

#include "note/FontDialog.h"
#include "note/ModCmnDlg.h"
#include "note/frmNote.h"
#include "platform/Globals.h"
#include "platform/OpenForms.h"
#include "platform/WinColor.h"
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
    explicit TestNote(int id)
    {
        SetTag(QString::number(id));
        Form_Load();
        // Its content file exists: only a change of the text makes the note need saving.
        QDir().mkpath(DataPath);
        TestFiles::writeBytes(ContentFile(qint16(id)), "{\\rtf1 }");
    }
    bool SaveNote(qint16 Id) override
    {
        saved << Id;
        return true;
    }
    QList<qint16> saved;
};

QString describe(const FontRecord &r)
{
    return u"%1|%2|%3%4%5%6|%7"_qs.arg(r.Name)
        .arg(r.Size)
        .arg(r.Bold ? u"b"_qs : u"-"_qs, r.Italic ? u"i"_qs : u"-"_qs,
             r.Underline ? u"u"_qs : u"-"_qs, r.StrikeThru ? u"s"_qs : u"-"_qs)
        .arg(r.Color, 6, 16, QChar(u'0'));
}

FontRecord parse(const QString &text)
{
    const QStringList f = text.split(u'|');
    return FontRecord{f[0],
                      qint16(f[1].toInt()),
                      f[2][0] == u'b',
                      f[2][1] == u'i',
                      f[2][2] == u'u',
                      f[2][3] == u's',
                      f[3].toUInt(nullptr, 16),
                      {}};
}

// Each character's format, in the record's terms (sizes as the text holds them), space-joined.
QString formats(RichTextBox &box)
{
    QStringList all;
    for (int i = 0; i < box.document()->characterCount() - 1; ++i) {
        box.SetSelStart(i);
        box.SetSelLength(1);
        all << u"%1|%2|%3%4%5%6|%7"_qs.arg(*box.SelFontName())
                   .arg(*box.SelFontSize())
                   .arg(*box.SelBold() ? u"b"_qs : u"-"_qs, *box.SelItalic() ? u"i"_qs : u"-"_qs,
                        *box.SelUnderline() ? u"u"_qs : u"-"_qs,
                        *box.SelStrikeThru() ? u"s"_qs : u"-"_qs)
                   .arg(*box.SelColor(), 6, 16, QChar(u'0'));
    }
    return all.join(u' ');
}

// Formats part of the text: a record in text form, applied to [start, start + length).
void format(RichTextBox &box, int start, int length, const QString &record)
{
    const FontRecord r = parse(record);
    box.SetSelStart(start);
    box.SetSelLength(length);
    box.SetSelFontName(r.Name);
    box.SetSelFontSize(record.section(u'|', 1, 1).toDouble());
    box.SetSelBold(r.Bold);
    box.SetSelItalic(r.Italic);
    box.SetSelUnderline(r.Underline);
    box.SetSelStrikeThru(r.StrikeThru);
    box.SetSelColor(r.Color);
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

    void fileNames_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("changed");
        QTest::newRow("no extension") << u"/x/lista"_qs << u"/x/lista.txt"_qs;
        QTest::newRow("other extension") << u"/x/lista.doc"_qs << u"/x/lista.txt"_qs;
        QTest::newRow("dot in a folder only")
            << u"/x/notas.old/lista"_qs << u"/x/notas.old/lista.txt"_qs;
        QTest::newRow("windows folders")
            << u"C:\\notas.old\\lista"_qs << u"C:\\notas.old\\lista.txt"_qs;
        QTest::newRow("hidden file") << u"/x/.notas"_qs << u"/x/.notas.txt"_qs;
    }

    void fileNames()
    {
        QFETCH(QString, path);
        QFETCH(QString, changed);
        QCOMPARE(ChangeExtension(path, u"txt"_qs), changed);
        QCOMPARE(ChangeExtension(u"a.b/c.d"_qs, QString()), u"a.b/c"_qs);
        QCOMPARE(TrimAtNul(u"abc"_qs + QChar(0) + u"def"_qs) + TrimAtNul(u"xy"_qs), u"abcxy"_qs);
    }

    // The dialog itself: preset from the record, every field changed, OK gives it back; the
    // effects part hidden and kept when not offered; a cancel changes nothing.
    void fontDialog_roundTrip_data()
    {
        QTest::addColumn<bool>("noEffects");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("result"); // "" : the preset
        const QString family = QFontDatabase::families().constFirst();
        QTest::newRow("every field") << false << true << family + u"|14|-i-s|ff8000"_qs;
        QTest::newRow("no effects") << true << true << family + u"|14|-iu-|0000ff"_qs;
        QTest::newRow("cancel") << false << false << QString();
    }

    void fontDialog_roundTrip()
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
            QVERIFY(d);
            QCOMPARE(d->parentWidget(), &owner);
            seen = describe(d->Choice());
            QCOMPARE(d->fraEfeitos->isHidden(), noEffects);
            QCOMPARE(d->lblAmostra->font().bold(), true);
            d->cboFonte->setCurrentIndex(d->cboFonte->findText(result.section(u'|', 0, 0)));
            d->txtTamanho->setValue(14);
            d->chkNegrito->click();
            d->chkItalico->click();
            d->chkSublinhado->click();
            d->chkRiscado->click();
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

    // Fonte presets the dialog from the selection (a mixed field keeps the record's older value)
    // and writes the record back, also after a cancel, in whole points.
    void fonte_data()
    {
        QTest::addColumn<QString>("before"); // the format of "a" and of "b"
        QTest::addColumn<QString>("preset"); // what the dialog is shown
        QTest::addColumn<QString>("answer"); // "": cancel
        QTest::addColumn<QString>("after");
        const QString red = u"Arial|11|b---|0000ff"_qs;
        const QString redItalic = u"Arial|11|bi--|0000ff"_qs;
        const QString blue = u"Tahoma|8|-ius|ff0000"_qs;
        const QString older = u"Verdana|20|-iu-|00ff00"_qs; // what the record held before
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
        TestNote note(4);
        note.txtNote->SetText(u"ab"_qs);
        for (int i = 0; i < 2; ++i)
            format(*note.txtNote, i, 1, before.section(u' ', i, i));
        FontChoice = parse(u"Verdana|20|-iu-|00ff00"_qs);
        QString seen;
        SetFontDialogAnswer([&](const FontRecord &r, bool noEffects) -> std::optional<FontRecord> {
            seen = describe(r) + (noEffects ? u" no effects"_qs : QString());
            return answer.isEmpty() ? std::nullopt : std::optional(parse(answer));
        });
        note.txtNote->SetSelStart(0);
        note.txtNote->SetSelLength(2);
        note.Fonte();
        QCOMPARE(seen, preset);
        QCOMPARE(formats(*note.txtNote), after);
        QCOMPARE(note.txtNote->Text(), u"ab"_qs);
        if (!answer.isEmpty()) {
            note.Desfazer(); // one step takes it all back
            QCOMPARE(formats(*note.txtNote), before);
        }
    }

    void salvar_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written"); // "": nothing written
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray two = "Ol\xc3\xa1 \xe2\x82\xac\r\nmundo\r\n";
        QTest::newRow("lista") << u"lista"_qs << u"lista.txt"_qs << u"Olá €\nmundo"_qs << two;
        QTest::newRow("lista.doc")
            << u"lista.doc"_qs << u"lista.txt"_qs << u"Olá €\nmundo"_qs << two;
        QTest::newRow("lista.txt replaced")
            << u"lista.txt"_qs << u"lista.txt"_qs << u"Olá €\nmundo"_qs << two;
        QTest::newRow("folder with a dot")
            << u"notas.old/lista"_qs << u"notas.old/lista.txt"_qs << u"x"_qs << QByteArray("x\r\n");
        QTest::newRow("empty note")
            << u"vazia"_qs << u"vazia.txt"_qs << QString() << QByteArray("\r\n");
        QTest::newRow("cancel") << QString() << QString() << u"x"_qs << QByteArray();
    }

    void salvar()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QVERIFY(QDir().mkpath(path(u"notas.old"_qs)));
        QVERIFY(writeBytes(path(u"lista.txt"_qs), "old contents"));
        FileDialogSettings.InitDir = u"/somewhere"_qs;
        TestNote note(6);
        note.txtNote->SetText(text);
        SetNextFileName(chosen.isEmpty() ? QString() : path(chosen));
        note.Salvar();
        QCOMPARE(FileDialogSettings.Filter + FileDialogSettings.InitDir,
                 u"Documentos de texto (*.txt)|*.txt/somewhere"_qs);
        QCOMPARE(FileDialogSettings.Flags, 5);
        QCOMPARE(note.saved, written.isEmpty() ? QList<qint16>{} : QList<qint16>{6});
        QCOMPARE(readBytes(path(u"lista.txt"_qs)),
                 written == u"lista.txt" ? bytes : QByteArray("old contents"));
        if (!written.isEmpty())
            QCOMPARE(readBytes(path(written)), bytes);
        QCOMPARE(QFileInfo::exists(path(chosen)), chosen == written);
        QVERIFY(m_fakes->messageBoxes->asked.isEmpty());
    }

    void abrir_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // empty: cancel
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("first"); // the first character's format
        QTest::newRow("rtf") << QByteArray("{\\rtf1{\\fonttbl{\\f0 Tahoma;}}\\f0\\fs28\\b Ol\\'e1}")
                             << u"Olá"_qs << u"Tahoma|14|b---|000000"_qs;
        QTest::newRow("utf-8") << QByteArray("Ol\xc3\xa1 \xe2\x82\xac\r\nfim") << u"Olá €\r\nfim"_qs
                               << u"Arial|9.75|----|000000"_qs;
        QTest::newRow("1252") << QByteArray("Ol\xe1 \x80") << u"Olá €"_qs
                              << u"Arial|9.75|----|000000"_qs;
        QTest::newRow("cancel") << QByteArray() << u"antes"_qs << u"Arial|9.75|----|000000"_qs;
    }

    void abrir()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(QString, first);
        TestNote note(7);
        note.txtNote->SetText(u"antes"_qs);
        note.ContentLoaded();
        QVERIFY(writeBytes(path(u"in.txt"_qs), bytes));
        SetNextFileName(bytes.isEmpty() ? QString() : path(u"in.txt"_qs));
        note.Abrir();
        QCOMPARE(note.txtNote->Text(), text);
        QCOMPARE(formats(*note.txtNote).section(u' ', 0, 0), first);
        QCOMPARE(note.ContentNeedsSaving(), !bytes.isEmpty());
        QVERIFY(note.saved.isEmpty() && m_fakes->messageBoxes->asked.isEmpty());
    }

    // A file that cannot be read or written: the note stays as it was, one message names the file.
    void fileFailures_data()
    {
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("named");
        QTest::newRow("missing file") << false << u"nada.txt"_qs << u"nada.txt"_qs;
        QTest::newRow("a folder") << false << u"pasta"_qs << u"pasta"_qs;
        QTest::newRow("missing folder") << true << u"sem/lista"_qs << u"sem/lista.txt"_qs;
        QTest::newRow("a folder in the way") << true << u"pasta.txt"_qs << u"pasta.txt"_qs;
    }

    void fileFailures()
    {
        QFETCH(bool, save);
        QFETCH(QString, chosen);
        QFETCH(QString, named);
        QVERIFY(QDir().mkpath(path(u"pasta"_qs)) && QDir().mkpath(path(u"pasta.txt"_qs)));
        TestNote note(8);
        note.txtNote->SetText(u"nota"_qs);
        note.ContentLoaded();
        SetNextFileName(path(chosen));
        save ? note.Salvar() : note.Abrir();
        QCOMPARE(note.txtNote->Text(), u"nota"_qs);
        QVERIFY(note.saved.isEmpty() && !note.ContentNeedsSaving());
        const auto &asked = m_fakes->messageBoxes->asked;
        QCOMPARE(asked.size(), 1);
        QVERIFY2(asked[0].text.contains(u'"' + QDir::toNativeSeparators(path(named)) + u'"'),
                 qPrintable(asked[0].text));
        QCOMPARE(asked[0].caption, u"Notavex"_qs);
    }

    // Keys of the text box: on "abc" with "b" selected; "|" ends the keys, then what is typed.
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
        TestNote note(9);
        RichTextBox *box = note.txtNote;
        box->SetText(u"abc"_qs);
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
