#pragma once

#include "mock/FakeServices.h"
#include "mock/StartProgram.h"
#include "mock/Warnings.h"

#include "base/ProfileString.h"
#include "store/NoteFiles.h"

#include <QAction>
#include <QCoreApplication>
#include <QTemporaryDir>

using namespace TestFiles;

inline frmNote *noteAt(int index)
{
    return qobject_cast<frmNote *>(OpenForms::at(index));
}

// A key of a note, or of [Indice] for 0; "-" when missing.
inline QString ini(int id, const char *key)
{
    return GetPrivateProfileString(id ? QString::number(id) : u"Indice"_qs,
                                   QString::fromLatin1(key), u"-"_qs, IndexFile());
}

// What the tests of note windows and of the main window share: a temporary folder, the fakes,
// and the program started on a data folder of the test's making.
class ProgramTest : public QObject
{
protected:
    std::unique_ptr<QTemporaryDir> m_tmp;
    std::optional<FakeServices> m_fakes;
    std::unique_ptr<FrmPopup> m_popup;

    // For init().
    void setUp()
    {
        FailOnUnexpectedWarnings();
        m_tmp = std::make_unique<QTemporaryDir>();
        ResetProgramState();
        m_fakes.emplace(); // the old fakes go first
    }
    // For cleanup(), without a shutdown: its exit would end every modal dialog that follows.
    void tearDown()
    {
        while (OpenForms::count() > 1)
            delete OpenForms::at(OpenForms::count() - 1);
        m_popup.reset();
    }

    QString path(const QString &name) const { return m_tmp->path() + u'/' + name; }
    QString data() const { return path(u"docs/Notavex/"_qs); }
    bool start(const QByteArray &cfg, const QByteArray &list)
    {
        m_popup = StartProgram(m_tmp->path(), cfg, list);
        return m_popup && TrayReady;
    }
    void trigger(QAction *item)
    {
        QVERIFY(item->isEnabled());
        item->trigger();
        QCoreApplication::processEvents(); // the commands are queued
    }
};
