#include "mock/ProgramTest.h"

#include "note/FontDialog.h"
#include "note/ShowColorDialog.h"
#include "note/frmTítulo.h"
#include "store/NoteColors.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

namespace {

// "Arial|11|b-u-|0000ff": face, points, bold italic underline strikeout, Windows colour.
QString fmt(const FontRecord &r, double size)
{
    const bool on[] = {r.Bold, r.Italic, r.Underline, r.StrikeThru};
    QString f = u"bius"_qs;
    for (int i = 0; i < 4; ++i)
        f[i] = on[i] ? f[i] : u'-';
    return u"%1|%2|%3|%4"_qs.arg(r.Name).arg(size).arg(f).arg(r.Color, 6, 16, QChar(u'0'));
}

FontRecord parse(const QString &s)
{
    const QStringList f = s.split(u'|');
    const auto on = [&](int i) { return f[2][i] != u'-'; };
    return {f[0], qint16(f[1].toInt()), on(0), on(1), on(2), on(3), f[3].toUInt(nullptr, 16), {}};
}

// Each character's format, space-joined.
QString formats(RichTextBox &box)
{
    QStringList all;
    for (int i = 0; i + 1 < box.document()->characterCount(); ++i) {
        box.SetSelStart(i);
        box.SetSelLength(1);
        all << fmt({*box.SelFontName(), 0, *box.SelBold(), *box.SelItalic(), *box.SelUnderline(),
                    *box.SelStrikeThru(), *box.SelColor(), nullptr},
                   *box.SelFontSize());
    }
    return all.join(u' ');
}

// Note id's strip, body, frame and window colours in hexadecimal, whether the frame has a
// picture, and its stored Color1, Color2 and Tag.
QString lookOf(int id)
{
    const frmNote *n = noteAt(FindNoteFormIndex(id));
    QStringList c;
    for (const quint32 v : {n->Picture1->BackColor(), n->txtNote->BackColor(),
                            n->Picture2->BackColor(), n->BackColor()})
        c << QString::number(v, 16);
    c << (n->Picture2->Picture().isNull() ? u"-"_qs : u"picture"_qs);
    for (const char *key : {"Color1", "Color2", "Tag"})
        c << ini(id, key);
    return c.join(u' ');
}

} // namespace

// The note menu's commands, the note's links and title, on the current note of a started program.
class tst_NoteMenu : public ProgramTest
{
    Q_OBJECT

    frmNote *m_note = nullptr; // note 3, the current one; note 5 is the other

private slots:
    void init()
    {
        setUp();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_tmp->path());
        QVERIFY(QDir().mkpath(data()) &&
                writeBytes(data() + u"notavex3.arl"_qs, "{\\rtf1\\fs22 nota}"));
        QVERIFY(start("[Indice]\r\nTotalForms=2\r\n[3]\r\nColor1=255\r\nColor2=65280\r\n",
                      ",3,5,\r\n"));
        QVERIFY(m_note = MakeCurrent(3));
    }

    void cleanup() { tearDown(); }

    // "Fonte..." shows the selection "ab" (a mixed field as the record holds it) and applies the
    // answer, also a cancel, in whole points. The real dialog runs from the link.
    void fonte_data()
    {
        QTest::addColumn<QString>("before"); // "a" and "b"; the record is Verdana|20|-iu-|00ff00
        QTest::addColumn<QString>("preset");
        QTest::addColumn<QString>("answer"); // "": cancel; "*": the first font family
        QTest::newRow("all mixed, cancel") << u"Arial|11|b---|0000ff Tahoma|8|-ius|ff0000"_qs
                                           << u"Verdana|20|-iu-|00ff00"_qs << QString();
        QTest::newRow("some mixed, 9.75 pt, confirmed in the real dialog")
            << u"Arial|9.75|b---|0000ff Arial|9.75|bi-s|0000ff"_qs << u"Arial|10|bi--|0000ff"_qs
            << u"*|14|--us|ff8000"_qs;
    }

    void fonte()
    {
        QFETCH(QString, before);
        QFETCH(QString, preset);
        QFETCH(QString, answer);
        RichTextBox &box = *m_note->txtNote;
        box.SetText(u"ab"_qs);
        for (int i = 0; i < 2; ++i) {
            const FontRecord r = parse(before.section(u' ', i, i));
            box.SetSelStart(i);
            box.SetSelLength(1);
            box.SetSelFontName(r.Name);
            box.SetSelFontSize(before.section(u' ', i, i).section(u'|', 1, 1).toDouble());
            box.SetSelBold(r.Bold);
            box.SetSelItalic(r.Italic);
            box.SetSelUnderline(r.Underline);
            box.SetSelStrikeThru(r.StrikeThru);
            box.SetSelColor(r.Color);
        }
        FontChoice = parse(u"Verdana|20|-iu-|00ff00"_qs);
        trigger(m_popup->menSelecionar);
        QString seen;
        const auto show = [&](const FontRecord &r, bool noEffects) {
            seen = fmt(r, r.Size) + (noEffects ? u" without effects"_qs : QString());
            return answer.isEmpty() ? std::nullopt : std::optional(parse(answer));
        };
        if (answer.startsWith(u'*')) {
            answer.replace(0, 1, QFontDatabase::families().constFirst());
            QTimer::singleShot(0, this, [&] {
                auto *d = qobject_cast<FontDialog *>(QApplication::activeModalWidget());
                QVERIFY(d && d->parentWidget() == m_note);
                show(d->Choice(), d->fraEfeitos->isHidden());
                d->cboFonte->setCurrentIndex(d->cboFonte->findText(answer.section(u'|', 0, 0)));
                d->txtTamanho->setValue(14);
                for (QCheckBox *c : {d->chkNegrito, d->chkItalico, d->chkSublinhado, d->chkRiscado})
                    c->click();
                SetColorDialogAnswer([](quint32) { return qint64(0xff8000); });
                d->cmdCor->click(); // the notes' colour dialog, answered
                SetColorDialogAnswer({});
                d->Botoes->button(QDialogButtonBox::Ok)->click();
            });
            CurrentFormIndex = 0; // the link makes its note current
            m_note->Label1_Click(0);
        } else {
            SetFontDialogAnswer(show);
            trigger(m_popup->menFonte);
        }
        QCOMPARE(seen, preset);
        const QString after = answer.isEmpty() ? preset : answer;
        QCOMPARE(formats(box), after + u' ' + after);
    }

    // Salvar and Abrir. A file that cannot be read or written leaves the note as it was, and one
    // message names it. A file written is the user's, in the mode of the user's mask; one that
    // exists (lista.txt does) is replaced only when the user says so. A file loaded is one step
    // that Ctrl+Z takes back.
    void files_data()
    {
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QByteArray>("input");  // the note's text, or the file's bytes
        QTest::addColumn<QString>("written");   // the file written, or named in the message
        QTest::addColumn<QByteArray>("result"); // its bytes, or text and format; "": fails
        QTest::addColumn<bool>("replace");      // the answer when asked to replace a file
        const auto save = [](const char *row, const char *chosen, const char *written,
                             QByteArray result = "Ol\xc3\xa1 \xe2\x82\xac\r\nmundo\r\n",
                             bool replace = true) {
            QTest::newRow(row) << true << QString::fromUtf8(chosen)
                               << "Ol\xc3\xa1 \xe2\x82\xac\nmundo"_qba << QString::fromUtf8(written)
                               << result << replace;
        };
        save("lista", "lista", "lista.txt");
        save("lista.doc replaces lista.txt", "lista.doc", "lista.txt");
        save("lista.doc, not to replace lista.txt", "lista.doc", "lista.txt", "old", false);
        save("folder with a dot", "notas.old/lista", "notas.old/lista.txt");
        save("missing folder", "sem/lista", "sem/lista.txt", {});
        const auto open = [](const char *row, const char *input, const char *result) {
            QTest::newRow(row) << false << u"in.txt"_qs << QByteArray(input) << u"in.txt"_qs
                               << QByteArray(result) << false;
        };
        open("rtf", "{\\rtf1{\\fonttbl{\\f0 Tahoma;}}\\f0\\fs28\\b Ol\\'e1}",
             "Ol\xc3\xa1 Tahoma|14|b---|000000");
        open("1252", "Ol\xe1 \x80", "Ol\xc3\xa1 \xe2\x82\xac Arial|11|----|000000");
        open("missing file", nullptr, "");
    }

    void files()
    {
        QFETCH(bool, save);
        QFETCH(QString, chosen);
        QFETCH(QByteArray, input);
        QFETCH(QString, written);
        QFETCH(QByteArray, result);
        QFETCH(bool, replace);
        QVERIFY(QDir().mkpath(path(u"notas.old"_qs)) && writeBytes(path(u"lista.txt"_qs), "old") &&
                (input.isNull() || writeBytes(path(u"in.txt"_qs), input)));
        const bool asks = save && QFileInfo::exists(path(written));
        if (asks)
            m_fakes->messageBoxes->setNextAnswer(replace ? MessageBoxes::AnswerYes
                                                         : MessageBoxes::AnswerNo);
        m_note->txtNote->SetText(save ? QString::fromUtf8(input) : u"nota"_qs);
        m_note->txtNote->document()->setModified(false); // as loaded
        const auto state = [&] {
            return m_note->txtNote->Text() + u' ' + formats(*m_note->txtNote).section(u' ', 0, 0);
        };
        const QString before = state();
        SetNextFileName(path(chosen));
        const mode_t mask = ::umask(027);
        trigger(save ? m_popup->menSave : m_popup->menOpen);
        ::umask(mask);
        const bool ok = !result.isEmpty();
        const auto &asked = m_fakes->messageBoxes->asked;
        QCOMPARE(asked.size(), int(!ok) + int(asks));
        if (!asked.isEmpty())
            QVERIFY(asked[0].text.contains(u'"' + path(written) + u'"'));
        QCOMPARE(m_note->ContentNeedsSaving(), !save && ok);
        QCOMPARE(state(), save || !ok ? before : QString::fromUtf8(result));
        if (save && ok && written.contains(u'/')) // a new file
            QCOMPARE(modeOf(path(written)), 0640);
        if (save)
            QCOMPARE(readBytes(path(written)), result);
        QTest::keyClick(m_note->txtNote, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(state(), before);
    }

    // The file dialogs open in the documents folder, not where the program was started, then in
    // the folder of the file last chosen in any of them, also in a later run.
    void fileDialogs_startFolder()
    {
        const QString docs = path(u"Documentos"_qs), other = path(u"outra"_qs);
        QVERIFY(QDir().mkpath(docs) && QDir().mkpath(other) && QDir().mkpath(path(u"cfg"_qs)) &&
                writeBytes(other + u"/a.txt"_qs, "a") &&
                writeBytes(path(u"cfg/user-dirs.dirs"_qs),
                           "XDG_DOCUMENTS_DIR=\"" + docs.toUtf8() + "\"\n"));
        qputenv("XDG_CONFIG_HOME", path(u"cfg"_qs).toUtf8());
        QStringList seen{FileDialogFolder()};
        SetNextFileName(other + u"/a.txt"_qs);
        trigger(m_popup->menOpen);
        FileDialogSettings = {}; // a later run: only the settings store remembers
        seen << FileDialogFolder();
        qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(seen, (QStringList{docs, other}));
        QCOMPARE(m_note->txtNote->Text(), u"a"_qs);
    }

    // Keys on "abc" with "b" selected: capitals with Ctrl (V with Ctrl+Shift), small letters
    // typed, 0 drops the selection. The result: the text, then each character's effects.
    void keys_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("result");
        QTest::newRow("ctrl+b, i, u, b") << u"BIUB"_qs << u"abc ---- -iu- ----"_qs;
        QTest::newRow("ctrl+y redoes") << u"xZY"_qs << u"axc ---- ---- ----"_qs;
        QTest::newRow("ctrl+shift+v pastes plain") << u"BV"_qs << u"a!c ---- b--- ----"_qs;
    }

    void keys()
    {
        QFETCH(QString, keys);
        QFETCH(QString, result);
        RichTextBox *box = m_note->txtNote;
        box->SetText(u"abc"_qs);
        auto *mime = new QMimeData;
        mime->setHtml(u"<i><u>!</u></i>"_qs);
        mime->setText(u"!"_qs);
        QGuiApplication::clipboard()->setMimeData(mime);
        box->SetSelStart(1);
        box->SetSelLength(1);
        for (const QChar k : keys) {
            const auto shift = k == u'V' ? Qt::ShiftModifier : Qt::NoModifier;
            if (k == u'0')
                box->SetSelLength(0);
            else if (k.isLower())
                QTest::keyClicks(box, QString(k));
            else
                QTest::keyClick(box, Qt::Key(k.unicode()), Qt::ControlModifier | shift);
        }
        QString seen = box->Text();
        for (const QString &f : formats(*box).split(u' '))
            seen += u' ' + f.section(u'|', 2, 2);
        QCOMPARE(seen, result);
    }

    // "Cor" opens the dialog at the frame's colour and colours the note, the strip a shade darker,
    // storing both colours on OK. A new note (number 1) with Coloridos gets colour row
    // int(fraction * 23) + 1. Classico and the skins change only the frame. Never the window's
    // size.
    void looks_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<qint64>("value");  // the answer, fraction * 10000 or skin; < 0: no file
        QTest::addColumn<QString>("after"); // looks, Color1 Color2 Tag
        const auto cor = [](const char *row, qint64 body, const char *after) {
            QTest::newRow(row) << u"Cor"_qs << body << QString::fromLatin1(after);
        };
        cor("blue 26, red and green 0: all 0", 0x1A0000, "0 1a0000 1a0000 ff80ff - 0 1703936 3");
        cor("27 27 27 gives 1 1 7", 0x1B1B1B, "70101 1b1b1b 1b1b1b ff80ff - 459009 1776411 3");
        cor("cancel", -1, "ff ff00 abcdef ff80ff - 255 65280 -");
        QTest::newRow("new note, 0: row 1")
            << u"novo"_qs << qint64(0) << u"5681e5 6a9bff 6a9bff ff80ff - 5669349 6986751 1"_qs;
        QTest::newRow("new note, 0.9999: row 23")
            << u"novo"_qs << qint64(9999)
            << u"d4cee5 e8e8ff e8e8ff ff80ff - 13946597 15263999 1"_qs;
        QTest::newRow("new note without Coloridos")
            << u"novo"_qs << qint64(-1) << u"52e9fe 87ffff 87ffff ff80ff - - - -"_qs;
        const auto skin = [](const char *row, const char *how, qint64 number, const char *after) {
            QTest::newRow(row) << QString::fromLatin1(how) << number
                               << u"ff ff00 "_qs + QString::fromLatin1(after) + u" 255 65280 -"_qs;
        };
        skin("Classico after skin 1", "Classico", 1, "87ffff 73e5e5 -");
        skin("skin 1", "Skin", 1, "9ddcff 46bbff picture");
        skin("skin 4, file missing", "Skin", -4, "b61ff 850cc -");
    }

    void looks()
    {
        QFETCH(QString, how);
        QFETCH(qint64, value);
        QFETCH(QString, after);
        AppPath = value < 0 ? path(QString()) : QStringLiteral(NOTAVEX_BUILD_DIR "/");
        m_note->Picture2->SetBackColor(0xABCDEF);
        const QSize size = m_note->size();
        int id = 3;
        QList<quint32> initial;
        SetColorDialogAnswer([&](quint32 i) {
            initial << i;
            return value;
        });
        if (how == u"Cor") {
            trigger(m_popup->menPersonaliza);
        } else if (how == u"novo") {
            Coloridos = value >= 0;
            m_fakes->random->value = double(value) / 10000;
            trigger(m_popup->mnuNew);
            id = 1;
        } else {
            m_note->Skin(qint16(qAbs(value)));
            if (how == u"Classico")
                m_note->Classico();
        }
        QCOMPARE(initial, how == u"Cor" ? QList<quint32>{0xABCDEF} : QList<quint32>{});
        QCOMPARE(lookOf(id), after);
        QCOMPARE(m_note->size(), size);
    }

    // A custom colour defined and then cancelled comes back from the store next time.
    void customColors_surviveACancel()
    {
        QColor seen;
        SetColorDialogAnswer([&](quint32) {
            seen = QColorDialog::customColor(3);
            QColorDialog::setCustomColor(3, QColor(1, 2, 3));
            return qint64(-1);
        });
        ShowColorDialog(nullptr, 0, true);
        QColorDialog::setCustomColor(3, Qt::black);
        ShowColorDialog(nullptr, 0, true);
        QCOMPARE(seen, QColor(1, 2, 3));
        QCOMPARE(CustomColors[3], 0x030201u);
    }

    // Both title editors, in place and the dialog (on 1 March 2027 09:05 under Brazilian
    // settings): up to 22 characters typed, a longer stored title stays whole but grows no
    // further; only Enter (or Ok) gives the note the title, saved soon.
    void titles_data()
    {
        QTest::addColumn<bool>("dialog");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("typed"); // \b: Backspace; in the dialog "Data" and "Hora" click
        QTest::addColumn<int>("leave");     // a key, or 0: a click in the text (Cancelar), 1: Ok
        QTest::addColumn<QString>("after");
        const QString max = u"abcdefghijklmnopqrstuÇ"_qs;
        const QString long49 = u"Lista de compras para a festa de aniversário 2027"_qs;
        const int enter = Qt::Key_Return, escape = Qt::Key_Escape;
        QTest::newRow("23 typed") << false << QString() << max + u"w"_qs << enter << max;
        QTest::newRow("Escape") << false << u"Lista"_qs << u"Mercado"_qs << escape << u"Lista"_qs;
        QTest::newRow("49 characters, a click") << false << long49 << QString() << 0 << long49;
        QTest::newRow("49 characters, Escape after typing")
            << false << long49 << u"\bx"_qs << escape << long49;
        QTest::newRow("49 characters, one taken, none typed in its place")
            << false << long49 << u"\b8"_qs << enter << long49.chopped(1);
        QTest::newRow("Data, Ok") << true << u"Compras"_qs << u"Data"_qs << 1 << u"01/mar"_qs;
        QTest::newRow("Hora, Enter") << true << u"Compras"_qs << u"Hora"_qs << enter << u"09:05"_qs;
        QTest::newRow("typed, Ok")
            << true << u"Compras"_qs << u"abcdefghijklmnop"_qs << 1 << u"Comprasabcdefghijklmno"_qs;
        QTest::newRow("Cancelar") << true << u"Compras"_qs << u"abc"_qs << 0 << u"Compras"_qs;
        QTest::newRow("49 characters, typed, Ok") << true << long49 << u"abc"_qs << 1 << long49;
    }

    void titles()
    {
        QFETCH(bool, dialog);
        QFETCH(QString, before);
        QFETCH(QString, typed);
        QFETCH(int, leave);
        QFETCH(QString, after);
        QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
        m_fakes->clock->time = QDateTime(QDate(2027, 3, 1), QTime(9, 5, 59));
        m_note->txtTitle->setText(before);
        if (dialog) {
            frmTítulo d;
            d.show();
            QCOMPARE(d.Text1->text(), before);
            if (typed == u"Data" || typed == u"Hora")
                d.Button[typed == u"Hora"]->click();
            else
                QTest::keyClicks(d.Text1, typed);
            if (leave > 1)
                QTest::keyClick(d.Text1, Qt::Key(leave));
            else
                (leave ? d.Command4 : d.Command5)->click();
            QVERIFY(d.isHidden());
        } else {
            m_note->activateWindow(); // Escape works where the keyboard is
            QVERIFY(QTest::qWaitForWindowActive(m_note));
            QTest::mouseClick(m_note->txtTitle, Qt::LeftButton, {}, QPoint(20, 5));
            QVERIFY(m_note->Text1 && m_note->Text1->isVisible());
            m_note->Text1->end(false);
            QTest::keyClicks(m_note->Text1, typed);
            if (leave)
                QTest::keyClick(m_note->Text1, Qt::Key(leave));
            else
                QTest::mouseClick(m_note->txtNote->viewport(), Qt::LeftButton);
            QVERIFY(m_note->Text1->isHidden());
        }
        QCOMPARE(m_note->txtTitle->text(), after);
        if (after != before)
            QTRY_COMPARE_WITH_TIMEOUT(ini(3, "Titulo"), after, frmNote::AutosaveDelayMs + 1000);
    }
};

QTEST_MAIN(tst_NoteMenu)
#include "tst_notemenu.moc"
