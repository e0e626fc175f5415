#include "store/NoteFiles.h"

#include <cmath>

namespace {

constexpr double kTwipsPerPixel = 15.0;

// Positions are 16-bit integers in the stored files. A big screen would overflow that and lose
// the whole welcome note, so the position is held at the largest such value instead.
int toInt16Position(double twips)
{
    const double rounded = std::nearbyint(twips); // ties to even
    if (!std::isfinite(rounded))
        return 0;
    return int(qBound(-32768.0, rounded, 32767.0));
}

QByteArray linesOf(std::initializer_list<const char *> lines)
{
    QByteArray out;
    for (const char *line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

} // namespace

bool WriteWelcomeNote(const QString &dataPath, QSize primaryScreenPixels)
{
    const QByteArray content = linesOf({
        R"({\rtf1\ansi\ansicpg1252\deff0\deflang1046{\fonttbl{\f0\froman\fprq2\fcharset0 Times New Roman;}{\f1\fnil\fcharset0 Arial;}})",
        R"({\colortbl ;\red128\green0\blue0;\red0\green0\blue128;})",
        R"(\viewkind4\uc1\pard\cf1\i\f0\fs20)",
        R"(\par Agora voc\'ea tem um aplicativo que lhe ajudar\'e1 a gerenciar os seus recados e compromissos de forma simples.)",
        R"(\par)",
        R"(\par O \b Notavex\b0  \'e9 simples e eficiente;  f\'e1cil de operar e muito \'fatil no seu dia a dia. \cf2)",
        R"(\par \cf0\i0\f1)",
        R"(\par })",
    });

    const int top = toInt16Position(primaryScreenPixels.height() * kTwipsPerPixel / 2.2);
    const int left = toInt16Position(primaryScreenPixels.width() * kTwipsPerPixel / 1.8);
    const QByteArray index =
        linesOf({"[1]", "OnTop=True"}) + "Top=" + QByteArray::number(top) +
        "\r\nLeft=" + QByteArray::number(left) + "\r\n" +
        linesOf({"Tag=1", "Titulo=Bem Vindo !", "Visivel=True", "Color1=5433854", "Color2=9830399",
                 "[Indice]", "TotalForms=1"});

    QString folder = dataPath;
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');

    // Each file replaces one of the same name in any letter case rather than sitting beside it.
    bool ok = WriteFileAtomic(ResolveFileCase(folder + QStringLiteral("notavex1.arl")), content);
    ok = WriteFileAtomic(ResolveFileCase(folder + QStringLiteral("Indice.dat")), ",1,\r\n") && ok;
    ok = WriteFileAtomic(ResolveFileCase(folder + QStringLiteral("Indice.cfg")), index) && ok;
    return ok;
}
