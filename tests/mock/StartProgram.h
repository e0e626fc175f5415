#pragma once

#include "mock/TestFiles.h"

#include "base/Globals.h"
#include "note/OpenForms.h"
#include "note/frmNote.h"
#include "shell/FrmPopup.h"

#include <QDir>

// The program for "ana", installed in <root>/app/, started on <root>/docs/Notavex holding these
// Indice.cfg and indice.dat; null when it does not start.
inline std::unique_ptr<FrmPopup> StartProgram(const QString &root, const QByteArray &cfg,
                                              const QByteArray &list)
{
    const QString data = root + u"/docs/Notavex/"_qs;
    auto popup = std::make_unique<FrmPopup>();
    if (!QDir().mkpath(data) || !QDir().mkpath(root + u"/app"_qs) ||
        !TestFiles::writeBytes(data + u"Indice.cfg"_qs, cfg) ||
        !TestFiles::writeBytes(data + u"indice.dat"_qs, list) ||
        !popup->startUp(root + u"/docs"_qs, root + u"/app/"_qs, u"ana"_qs))
        return nullptr;
    return popup;
}

// Makes note id the current one, as a click in it does.
inline frmNote *MakeCurrent(int id)
{
    CurrentNoteId = qint16(id);
    CurrentFormIndex = qint16(FindNoteFormIndex(id));
    return qobject_cast<frmNote *>(OpenForms::at(CurrentFormIndex));
}
