#include "dialogs/ModAjuda.h"

#include "base/FileAccess.h"
#include "base/Globals.h"
#include "base/Services.h"
#include "dialogs/HelpViewer.h"

#include <QFileInfo>

namespace {

std::function<void(const QString &, const QString &)> &viewer()
{
    static std::function<void(const QString &, const QString &)> installed;
    return installed;
}

} // namespace

void SetHelpViewer(std::function<void(const QString &file, const QString &topic)> v)
{
    viewer() = std::move(v);
}

void ShowHelpTopic(const QString &HelpFile, const QString &Topic)
{
    if (viewer()) {
        viewer()(HelpFile, Topic);
        return;
    }
    HelpViewer::ShowTopic(HelpFile, Topic);
}

void AbrirAjuda(const QString &Topic, HelpMissing message)
{
    const QString file = ResolveFileCase(AppPath + u"Notavex.chm"_qs);
    if (QFileInfo(file).isFile()) {
        ShowHelpTopic(file, Topic);
        return;
    }
    const QString text =
        message == HelpMissing::Short
            ? u"Aquivo de ajuda Notavex.chm não encontrado. Instale o Notavex novamente"_qs
            : u"Aquivo de ajuda Notavex.chm não encontrado.Verifique se o arquivo está mesmo no "
              u"disco.\r\nSe ele não existir, você precisara reinstalá-lo."_qs;
    Services::messageBoxes().show(text, MessageBoxes::Ok, MessageBoxes::Information,
                                  MessageBoxes::AnswerOk, u"Ajuda do Windows"_qs);
}
