#include "base/Log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_UNIX
#include <syslog.h>
#endif

void LogProblem(const QString &message)
{
    const QByteArray text = message.toUtf8();
    std::fprintf(stderr, "notavex: %s\n", text.constData());
    std::fflush(stderr);
#ifdef Q_OS_UNIX
    static const bool opened = [] {
        ::openlog("notavex", LOG_PID, LOG_USER);
        return true;
    }();
    Q_UNUSED(opened);
    ::syslog(LOG_ERR, "%s", text.constData());
#endif
}

QString SystemErrorText(int error)
{
    switch (error) {
    case 0:
        return QStringLiteral("erro desconhecido");
    case EACCES:
    case EPERM:
        return QStringLiteral("permissão negada");
    case ENOENT:
        return QStringLiteral("o arquivo ou a pasta não existe");
    case ENOSPC:
        return QStringLiteral("não há espaço livre no disco");
    case EDQUOT:
        return QStringLiteral("a cota de disco foi excedida");
    case EFBIG:
        return QStringLiteral("o arquivo ficaria grande demais");
    case EROFS:
        return QStringLiteral("o disco é somente leitura");
    case EIO:
        return QStringLiteral("erro de entrada e saída no disco");
    case EISDIR:
        return QStringLiteral("é uma pasta, não um arquivo");
    case ENOTDIR:
        return QStringLiteral("parte do caminho não é uma pasta");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}
