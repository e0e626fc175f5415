#include "store/NoteFiles.h"

#include "base/Cp1252.h"
#include "base/FileAccess.h"
#include "base/FileStamp.h"
#include "base/Globals.h"

#include <QFileInfo>
#include <QRegularExpression>


QString IndexFile()
{
    return ResolveFileCase(DataPath + QStringLiteral("Indice.cfg"));
}

QString ListFile()
{
    return ResolveFileCase(DataPath + QStringLiteral("indice.dat"));
}

QString ContentFile(int noteId)
{
    return ResolveFileCase(DataPath + QStringLiteral("notavex%1.arl").arg(noteId));
}

int NoteFileNumber(const QString &fileName)
{
    static const QRegularExpression name(u"^notavex([1-9][0-9]{0,4})\\.arl$"_qs,
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = name.match(fileName);
    const int n = m.hasMatch() ? m.captured(1).toInt() : 0;
    return n <= 32767 ? n : 0;
}

QString ReadListLine()
{
    return ReadListFile(ListFile()).value_or(QString());
}

std::optional<QString> ReadListFile(const QString &path)
{
    const FileRead file = ReadDataFile(path, MaxIndexFileBytes);
    if (file.error != 0) {
        if (file.missing())
            return QString();
        ReportRefusedFile(path, file,
                          u"As notas são procuradas pelos arquivos delas, e nada é gravado "
                          u"nesse arquivo enquanto ele estiver assim."_qs);
        return std::nullopt;
    }
    const QByteArray &bytes = file.bytes;
    qsizetype end = 0;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
        ++end;
    return Cp1252::decode(QByteArrayView(bytes).first(end)).trimmed();
}

bool ListFileExists()
{
    return FileStamp::of(ListFile()).exists;
}

bool WriteListLine(const QString &line)
{
    const QString path = ListFile();
    // A list too big to read is not written over either.
    if (FileStamp::of(path).size > MaxIndexFileBytes)
        return RefuseWrite(path, ReadDataFile(path, MaxIndexFileBytes));
    return WriteFileAtomic(path, Cp1252::encode(line.trimmed()) + "\r\n");
}

bool ListContains(const QString &line, int noteId)
{
    return line.contains(QLatin1Char(',') + QString::number(noteId) + QLatin1Char(','));
}

QString ListAppend(const QString &line, int noteId)
{
    QString out = line.trimmed();
    // A damaged or empty line would otherwise lose the framing commas that membership needs.
    if (!out.startsWith(QLatin1Char(',')))
        out.prepend(QLatin1Char(','));
    if (!out.endsWith(QLatin1Char(',')))
        out.append(QLatin1Char(','));
    return out + QString::number(noteId) + QLatin1Char(',');
}

QString ReplaceAll(QString Text, const QString &Find, const QString &Replacement)
{
    if (Find.isEmpty())
        return Text;
    if (Replacement.contains(Find)) {
        // Repeating would never end; one pass is the closest sane meaning.
        return Text.replace(Find, Replacement);
    }
    qsizetype at = Text.indexOf(Find);
    while (at >= 0) {
        Text.replace(at, Find.size(), Replacement);
        // The replacement can complete a new occurrence that starts before it.
        at = Text.indexOf(Find, qMax<qsizetype>(0, at - Find.size() + 1));
    }
    return Text;
}

QString GetField(QString &List, const QString &Separator, int N)
{
    if (Separator.isEmpty())
        return QString();
    if (!List.startsWith(Separator))
        List.prepend(Separator);
    if (!List.endsWith(Separator))
        List.append(Separator);

    qsizetype position = 0;
    for (int i = 0; i < N; ++i) {
        const qsizetype found = List.indexOf(Separator, position);
        if (found < 0)
            return QString();
        position = found + Separator.size();
    }
    const qsizetype end = List.indexOf(Separator, position);
    return end < 0 ? QString() : List.mid(position, end - position);
}
