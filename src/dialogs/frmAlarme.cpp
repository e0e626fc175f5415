#include "dialogs/frmAlarme.h"

#include "base/FileAccess.h"
#include "base/Globals.h"
#include "base/Log.h"
#include "base/ProfileString.h"
#include "base/Services.h"
#include "dialogs/ModAjuda.h"
#include "note/CenterForm.h"
#include "note/ModCmnDlg.h"
#include "note/NoteWindows.h"
#include "note/OpenForms.h"
#include "note/TopMost.h"
#include "note/frmNote.h"
#include "store/AlarmRules.h"
#include "store/Ini.h"
#include "store/NoteFiles.h"
#include "store/NoteStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

using namespace AlarmRules;

namespace {

// A stored number as the dialog takes it; anything else leaves its control as it was.
std::optional<int> number(const QString &text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(n) : std::nullopt;
}

// A check box set from a stored "0" or "1".
void setTicked(QCheckBox *box, const QString &text)
{
    const std::optional<int> n = number(text);
    if (n == 0 || n == 1)
        box->setChecked(*n == 1);
}

// A stored time of day, with or without seconds.
QTime timeOf(const QString &text)
{
    for (const char16_t *format : {u"H:m:s", u"H:m"}) {
        const QTime t = QTime::fromString(text.trimmed(), QString::fromUtf16(format));
        if (t.isValid())
            return t;
    }
    return QTime();
}

// A day list as stored and shown in the box: "1,15,31". A list without a day is empty, not the
// words of the summary, so that it reads back as no day.
QString dayList(const QString &text)
{
    const QString days = FormataDias(text);
    return !days.isEmpty() && days.front().isDigit() ? ReplaceAll(days, u"e"_qs, u","_qs)
                                                     : QString();
}

QHBoxLayout *row(QWidget *parent = nullptr)
{
    auto *layout = new QHBoxLayout(parent);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    return layout;
}

QVBoxLayout *column(QWidget *parent, int margin)
{
    auto *layout = new QVBoxLayout(parent);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(2);
    return layout;
}

template <typename W> W *named(W *w, const char *name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

} // namespace

frmAlarme::frmAlarme(QWidget *parent) : QDialog(parent), m_noteId(CurrentNoteId)
{
    TrayReady = false;
    setWindowTitle(u"Ajustar Alarme"_qs);
    setModal(true);
    // Above the notes, which may themselves be always on top.
    SetWindowTopmost(this, true);
    createControls();
    Form_Load();
    // A desktop font too large for the designed size makes the dialog larger rather than cutting
    // its texts off.
    setFixedSize(QSize(ClientWidthTwips / TwipsPerPixel, ClientHeightTwips / TwipsPerPixel)
                     .expandedTo(layout()->minimumSize()));
    CenterForm(this);
}

frmAlarme::~frmAlarme()
{
    TrayReady = true;
}

void frmAlarme::ShowModal()
{
    frmAlarme dialog;
    dialog.exec();
}

void frmAlarme::createControls()
{
    QVBoxLayout *main = column(this, 5);
    main->setSpacing(3);

    Check2 = named(new QCheckBox(u"Usar Alarme"_qs, this), "Check2");
    Label3 = named(new QLabel(u"Alarme:"_qs, this), "Label3");
    main->addWidget(Check2);
    main->addWidget(Label3);

    Frame5 = named(new QGroupBox(u"Data "_qs, this), "Frame5");
    Picture1 = named(new QWidget(Frame5), "Picture1");
    column(Frame5, 4)->addWidget(Picture1);
    QVBoxLayout *choices = column(Picture1, 0);
    const char16_t *const kinds[] = {u"Na seguinte data:", u"Diariamente", u"No(s) dia(s)",
                                     u"Nos seguintes dias da semana:"};
    for (int k = 1; k <= 4; ++k) {
        Option3[size_t(k)] = new QRadioButton(QString::fromUtf16(kinds[k - 1]), Picture1);
        Option3[size_t(k)]->setObjectName(u"Option3_"_qs + QString::number(k));
    }
    Combo1 = named(new QComboBox(Picture1), "Combo1");
    Combo2 = named(new QComboBox(Picture1), "Combo2");
    Combo3 = named(new QComboBox(Picture1), "Combo3");
    QHBoxLayout *dateRow = row();
    dateRow->addWidget(Option3[1]);
    for (QComboBox *list : {Combo1, Combo2, Combo3})
        dateRow->addWidget(list);
    dateRow->addStretch();
    choices->addLayout(dateRow);
    choices->addWidget(Option3[2]);
    Text1 = named(new QLineEdit(Picture1), "Text1");
    Label2 = named(new QLabel(u"de cada mês.  Ex: 1,15,31"_qs, Picture1), "Label2");
    QHBoxLayout *daysRow = row();
    daysRow->addWidget(Option3[3]);
    daysRow->addWidget(Text1, 1);
    daysRow->addWidget(Label2);
    choices->addLayout(daysRow);
    choices->addWidget(Option3[4]);
    Frame4 = named(new QWidget(Picture1), "Frame4");
    QHBoxLayout *weekRow = row(Frame4);
    weekRow->setContentsMargins(12, 0, 0, 0);
    weekRow->setSpacing(2);
    for (int i = 1; i <= 7; ++i) {
        Check3[size_t(i)] = new QCheckBox(WeekdayName(i), Frame4);
        Check3[size_t(i)]->setObjectName(u"Check3_"_qs + QString::number(i));
        weekRow->addWidget(Check3[size_t(i)]);
    }
    weekRow->addStretch();
    choices->addWidget(Frame4);
    main->addWidget(Frame5);

    Frame1 = named(new QGroupBox(u"Hora"_qs, this), "Frame1");
    Label1 = named(new QLabel(u"Horário para tocar o alarme:"_qs, Frame1), "Label1");
    TimePick = named(new QTimeEdit(Frame1), "TimePick");
    TimePick->setDisplayFormat(u"HH:mm"_qs);
    QHBoxLayout *timeRow = row(Frame1);
    timeRow->setContentsMargins(6, 2, 6, 4);
    timeRow->addWidget(Label1);
    timeRow->addWidget(TimePick);
    timeRow->addStretch();
    main->addWidget(Frame1);

    Frame3 = named(new QGroupBox(this), "Frame3");
    ChkPlay = named(new QCheckBox(u"Tocar Som"_qs, Frame3), "ChkPlay");
    Picture2 = named(new QWidget(Frame3), "Picture2");
    txtSound = named(new QLineEdit(Picture2), "txtSound");
    Command2 = named(new QPushButton(u"..."_qs, Picture2), "Command2");
    Command1 = named(new QPushButton(u">"_qs, Picture2), "Command1");
    QHBoxLayout *soundRow = row(Picture2);
    soundRow->addWidget(txtSound, 1);
    for (QPushButton *button : {Command2, Command1}) {
        button->setAutoDefault(false);
        button->setFixedWidth(28);
        soundRow->addWidget(button);
    }
    QHBoxLayout *frame3Row = row(Frame3);
    frame3Row->setContentsMargins(6, 4, 6, 4);
    frame3Row->addWidget(ChkPlay);
    frame3Row->addWidget(Picture2, 1);
    main->addWidget(Frame3);

    Command5 = named(new QPushButton(u"Ajuda"_qs, this), "Command5");
    Command4 = named(new QPushButton(u"Cancelar"_qs, this), "Command4");
    Command3 = named(new QPushButton(u"OK"_qs, this), "Command3");
    Command5->setAutoDefault(false);
    Command4->setAutoDefault(false);
    Command3->setDefault(true);
    QHBoxLayout *buttons = row();
    buttons->addWidget(Command5);
    buttons->addStretch();
    buttons->addWidget(Command4);
    buttons->addWidget(Command3);
    main->addStretch();
    main->addLayout(buttons);

    connect(Check2, &QCheckBox::toggled, this, &frmAlarme::Check2_Click);
    for (int k = 1; k <= 4; ++k) {
        connect(Option3[size_t(k)], &QRadioButton::toggled, this, [this, k](bool on) {
            if (on)
                Option3_Click(k);
        });
    }
    for (QComboBox *list : {Combo1, Combo2, Combo3})
        connect(list, &QComboBox::currentIndexChanged, this, &frmAlarme::Combo_Click);
    connect(Text1, &QLineEdit::textChanged, this, &frmAlarme::Text1_Change);
    for (int i = 1; i <= 7; ++i)
        connect(Check3[size_t(i)], &QCheckBox::toggled, this, &frmAlarme::Check3_Click);
    connect(ChkPlay, &QCheckBox::toggled, this, &frmAlarme::ChkPlay_Click);
    connect(Command1, &QPushButton::clicked, this, &frmAlarme::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmAlarme::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frmAlarme::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &frmAlarme::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &frmAlarme::Command5_Click);
}

void frmAlarme::Form_Load()
{
    const QString section = QString::number(m_noteId);
    const QString file = IndexFile();
    const auto read = [&](const char16_t *key, const QString &def) {
        return ReadIni(section, QString::fromUtf16(key), def, file);
    };
    const QDateTime now = Services::clock().now();
    const QDate today = now.date();

    setTicked(Check2, read(u"Alarme", u"0"_qs));

    for (int day = 1; day <= 31; ++day)
        Combo1->addItem(QStringLiteral("%1").arg(day, 2, 10, QLatin1Char('0')));
    Combo1->setCurrentIndex(today.day() - 1);
    Combo2->addItems(MonthNames());
    Combo2->setCurrentIndex(0);
    Combo3->addItem(u"Todos"_qs);
    for (int year = today.year(); year <= today.year() + 9; ++year)
        Combo3->addItem(QString::number(year));
    Combo3->setCurrentIndex(0);

    // An unknown kind selects no choice; OK then leaves TipoDataAlarme and Data as they are.
    const int kind = number(read(u"TipoDataAlarme", u"1"_qs)).value_or(0);
    if (kind >= 1 && kind <= 4) {
        Option3[size_t(kind)]->setChecked(true);
        Option3_Click(kind);
    }
    // The weekdays start clear, so only a weekday schedule touches them.
    switch (kind) {
    case 1: {
        QString schedule = read(u"Data", DateText(today));
        if (const auto day = number(GetField(schedule, u"/"_qs, 1)); day >= 1 && day <= 31)
            Combo1->setCurrentIndex(*day - 1);
        if (const auto month = number(GetField(schedule, u"/"_qs, 2)); month >= 0 && month <= 12)
            Combo2->setCurrentIndex(*month);
        const QString year = GetField(schedule, u"/"_qs, 3);
        // An alarm set in a year no longer listed keeps its year, so that OK does not turn it
        // into a yearly one.
        if (Combo3->findText(year) < 0 && year.size() == 4 &&
            std::all_of(year.begin(), year.end(), [](QChar c) { return c.isDigit(); }))
            Combo3->addItem(year);
        if (const int at = Combo3->findText(year); at >= 0)
            Combo3->setCurrentIndex(at);
        break;
    }
    case 3:
        if (const QString schedule = read(u"Data", QString()); schedule.size() >= 7)
            Text1->setText(dayList(schedule.mid(7)));
        break;
    case 4: {
        const QString schedule = read(u"Data", QString());
        for (int i = 1; i <= 7; ++i)
            Check3[size_t(i)]->setChecked(schedule.indexOf(QString::number(i) + u',', 9) >= 0);
        break;
    }
    default:
        break;
    }

    setTicked(ChkPlay, read(u"TocarSom", u"1"_qs));
    txtSound->setText(read(u"ArquivoWave", AppPath + u"alarme.wav"_qs));
    if (const QTime t = timeOf(read(u"Hora", TimeText(now.time()))); t.isValid())
        TimePick->setTime(t);

    Check2_Click();
    ResumoInicial = Label3->text() + u'-' + pickedTime();
}

QString frmAlarme::pickedTime() const
{
    return TimeText(TimePick->time());
}

QString frmAlarme::dateSummary() const
{
    return u"Alarme em: "_qs +
           DescreveData(Combo1->currentText(), Combo2->currentText(), Combo3->currentText());
}

void frmAlarme::Check2_Click()
{
    const bool on = Check2->isChecked();
    if (!on)
        Label3->setText(u"Alarme: Desativado"_qs);
    for (int k = 1; k <= 4; ++k)
        Option3[size_t(k)]->setEnabled(on);
    for (int i = 1; i <= 7; ++i)
        Check3[size_t(i)]->setEnabled(on && Option3[4]->isChecked());
    for (QComboBox *list : {Combo1, Combo2, Combo3})
        list->setEnabled(on && Option3[1]->isChecked());
    Text1->setEnabled(on && Option3[3]->isChecked());
    for (QWidget *w : std::initializer_list<QWidget *>{TimePick, ChkPlay, Label1, Label2})
        w->setEnabled(on);
    for (QWidget *w : std::initializer_list<QWidget *>{Command1, Command2, txtSound})
        w->setEnabled(on && ChkPlay->isChecked());
    for (int k = 1; k <= 4; ++k) {
        if (Option3[size_t(k)]->isEnabled() && Option3[size_t(k)]->isChecked())
            Option3_Click(k);
    }
}

void frmAlarme::Option3_Click(int Index)
{
    if (Index < 1 || Index > 4)
        return;
    const bool chosen = Option3[size_t(Index)]->isEnabled() && Option3[size_t(Index)]->isChecked();
    for (QComboBox *list : {Combo1, Combo2, Combo3})
        list->setEnabled(Index == 1);
    Text1->setEnabled(Index == 3);
    for (int i = 1; i <= 7; ++i)
        Check3[size_t(i)]->setEnabled(Index == 4);
    switch (Index) {
    case 1:
        if (chosen)
            Label3->setText(dateSummary());
        break;
    case 2:
        if (chosen)
            Label3->setText(u"Alarme: Diariamente"_qs);
        break;
    case 3:
        Text1_Change();
        break;
    case 4:
        Check3_Click();
        break;
    }
}

void frmAlarme::Combo_Click()
{
    if (Option3[1]->isEnabled() && Option3[1]->isChecked())
        Label3->setText(dateSummary());
}

void frmAlarme::Text1_Change()
{
    Label3->setText(u"Alarme nos dias: "_qs + FormataDias(Text1->text()) + u" de cada mês"_qs);
}

void frmAlarme::Check3_Click()
{
    QList<bool> ticked;
    for (int i = 1; i <= 7; ++i)
        ticked.append(Check3[size_t(i)]->isChecked());
    Label3->setText(WeekdaySummary(ticked));
}

void frmAlarme::ChkPlay_Click()
{
    for (QWidget *w : std::initializer_list<QWidget *>{Command1, Command2, txtSound})
        w->setEnabled(ChkPlay->isChecked());
}

void frmAlarme::Command1_Click()
{
    Services::sound().play(txtSound->text());
}

void frmAlarme::Command2_Click()
{
    FileDialogRecord &s = FileDialogSettings;
    s.FileName.clear();
    s.Filter = u"Arquivo de áudio (*.wav)|*.wav"_qs;
    s.Flags = OFN_READONLY | OFN_HIDEREADONLY;
    // The dialog stays above this one, which is above everything else.
    s.Owner = this;
    ShowOpenDialog();
    if (!s.FileName.isEmpty())
        txtSound->setText(s.FileName);
}

void frmAlarme::Command3_Click()
{
    const QDateTime now = Services::clock().now();
    const QString picked = pickedTime();
    const QString nowHHMM = TimeText(now.time()).left(5);

    if (Combo1->isEnabled() && Combo2->currentIndex() == now.date().month() &&
        Combo3->currentText() == QString::number(now.date().year())) {
        const int day = Combo1->currentText().toInt();
        if (day < now.date().day() || (day == now.date().day() && picked.left(5) < nowHHMM)) {
            Services::messageBoxes().show(
                u"A data e hora selecionada, é menor que a data atual. Por favor, selecione "
                u"outra data e hora."_qs,
                MessageBoxes::Ok, MessageBoxes::Information, MessageBoxes::AnswerOk, u"Notavex"_qs);
            return;
        }
    }

    const QString section = QString::number(m_noteId);
    const QString file = IndexFile();
    bool written = true;
    const auto write = [&](const char16_t *key, const QString &value) {
        written &= WritePrivateProfileString(section, QString::fromUtf16(key), value, file);
    };
    write(u"Alarme", Check2->isChecked() ? u"1"_qs : u"0"_qs);
    write(u"TocarSom", ChkPlay->isChecked() ? u"1"_qs : u"0"_qs);
    write(u"ArquivoWave", txtSound->text());
    int kind = 0;
    for (int k = 4; k >= 1; --k) {
        if (Option3[size_t(k)]->isChecked())
            kind = k;
    }
    if (kind != 0)
        write(u"TipoDataAlarme", QString::number(kind));
    switch (kind) {
    case 1:
        write(u"Data", QString::number(Combo1->currentIndex() + 1) + u'/' +
                           QString::number(Combo2->currentIndex()) + u'/' + Combo3->currentText());
        break;
    case 2:
        write(u"Data", u"Diariamente"_qs);
        break;
    case 3:
        write(u"Data", u"DiaMes:,"_qs + dayList(Text1->text()) + u',');
        break;
    case 4: {
        QString data = u"DiaSemana:,"_qs;
        for (int i = 1; i <= 7; ++i) {
            if (Check3[size_t(i)]->isChecked())
                data += QString::number(i) + u',';
        }
        write(u"Data", data);
        break;
    }
    default:
        break;
    }
    write(u"Hora", picked);
    write(u"HoraAntes", UmMinutoAntes(picked));
    if (Label3->text() + u'-' + picked != ResumoInicial)
        write(u"TocouEm", picked.left(5) < nowHHMM ? DateText(now.date()) : QString());
    if (!written) {
        // Closing now would make an alarm that is not on the disk look set.
        const WriteFailure f = LastWriteFailure();
        const QString text =
            u"Não foi possível salvar o alarme na pasta %1 (%2%3). Tente de novo ou cancele."_qs
                .arg(QDir::toNativeSeparators(DataPath),
                     f.path.isEmpty() ? QString() : QFileInfo(f.path).fileName() + u": "_qs,
                     f.text());
        LogProblem(text);
        Services::messageBoxes().show(text, MessageBoxes::Ok, MessageBoxes::Warning,
                                      MessageBoxes::AnswerOk);
        return;
    }

    // Found by its number: the index is the one the note had when it made itself current.
    if (auto *note = qobject_cast<frmNote *>(OpenForms::at(FindNoteFormIndex(m_noteId)))) {
        if (Check2->isChecked()) {
            note->tmrEvent.start();
            EvaluateNow(note);
        } else {
            note->tmrEvent.stop();
        }
    }
    if (!SaveNotes(m_noteId))
        ReportSaveFailure();
    accept();
}

void frmAlarme::EvaluateNow(frmNote *note)
{
    note->tmrEvent_Timer();
}

void frmAlarme::Command4_Click()
{
    reject();
}

void frmAlarme::Command5_Click()
{
    AbrirAjuda(u"alarme.htm"_qs, HelpMissing::Long);
}
