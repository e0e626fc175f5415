#include "dialogs/ChmFile.h"

#include <QFile>

#include <chm_lib.h>

ChmFile::ChmFile(const QString &path)
{
    if (!path.isEmpty())
        m_file = chm_open(QFile::encodeName(path).constData());
}

ChmFile::~ChmFile()
{
    if (m_file)
        chm_close(m_file);
}

std::optional<QByteArray> ChmFile::read(const QString &name) const
{
    if (!m_file)
        return std::nullopt;
    QString path = name;
    if (!path.startsWith(u'/'))
        path.prepend(u'/');
    const QByteArray key = path.toUtf8();
    if (key.size() > CHM_MAX_PATHLEN)
        return std::nullopt;
    chmUnitInfo info{};
    if (chm_resolve_object(m_file, key.constData(), &info) != CHM_RESOLVE_SUCCESS)
        return std::nullopt;
    if (info.length > quint64(MaxEntry))
        return std::nullopt;
    QByteArray data(qsizetype(info.length), Qt::Uninitialized);
    if (info.length == 0)
        return data;
    const LONGINT64 got = chm_retrieve_object(
        m_file, &info, reinterpret_cast<unsigned char *>(data.data()), 0, LONGINT64(info.length));
    if (got != LONGINT64(info.length))
        return std::nullopt;
    return data;
}
