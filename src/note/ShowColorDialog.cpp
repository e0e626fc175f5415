#include "note/ShowColorDialog.h"

#include "base/Globals.h"
#include "note/ModCmnDlg.h"
#include "note/WinColor.h"
#include "store/NoteColors.h"

#include <QColorDialog>
#include <QSettings>
#include <QStringList>

#include <memory>

namespace {

std::function<qint64(quint32)> &answer()
{
    static std::function<qint64(quint32)> a;
    return a;
}

[[maybe_unused]] const bool registered = [] {
    OnProgramStateReset([] { answer() = nullptr; });
    return true;
}();

const QString RegColors = u"cDialog/RegColors"_qs;

ColorList readCustomColors()
{
    const std::unique_ptr<QSettings> store = UserSettings();
    const QVariant stored = store->value(RegColors, u"Key"_qs);
    // Unquoted commas in the file read back as a list.
    const QString text = stored.typeId() == QMetaType::QStringList
                             ? stored.toStringList().join(u',')
                             : stored.toString();
    return text == u"Key"_qs ? CustomColorsFromText(QString()) : CustomColorsFromText(text);
}

void writeCustomColors(const ColorList &colors)
{
    const std::unique_ptr<QSettings> store = UserSettings();
    store->setValue(RegColors, CustomColorsText(colors));
    store->sync();
}

} // namespace

void SetColorDialogAnswer(std::function<qint64(quint32)> a)
{
    answer() = std::move(a);
}

qint64 ShowColorDialog(QWidget *Owner, quint32 Initial, bool FullOpen)
{
    // Qt's dialog has no folded state: the custom colours always show.
    Q_UNUSED(FullOpen);
    CustomColors = readCustomColors();
    for (int i = 0; i < int(CustomColors.size()); ++i)
        QColorDialog::setCustomColor(i, WinColor::toQColor(CustomColors[size_t(i)]));

    qint64 chosen = -1;
    if (answer()) {
        chosen = answer()(Initial & 0xFFFFFF);
    } else {
        QColorDialog dialog(WinColor::toQColor(Initial), Owner);
        if (dialog.exec() == QDialog::Accepted && dialog.selectedColor().isValid())
            chosen = WinColor::fromQColor(dialog.selectedColor());
    }

    for (int i = 0; i < int(CustomColors.size()); ++i)
        CustomColors[size_t(i)] = WinColor::fromQColor(QColorDialog::customColor(i));
    writeCustomColors(CustomColors);
    return chosen;
}
