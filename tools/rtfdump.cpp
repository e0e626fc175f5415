// Shows what the note reader makes of an RTF file, or passes it through the writer.
//   rtfdump FILE                 plain text, paragraphs and lines separated by "\n"
//   rtfdump --runs FILE          one JSON line per character run
//   rtfdump --roundtrip IN OUT   reads IN and writes it again as OUT

#include "rtf/Rtf.h"

#include <QFile>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextBlock>
#include <QTextDocument>

#include <cstdio>

namespace {

int usage()
{
    std::fputs("usage: rtfdump FILE\n"
               "       rtfdump --runs FILE\n"
               "       rtfdump --roundtrip IN OUT\n",
               stderr);
    return 2;
}

bool load(const QString &path, QTextDocument &doc)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "rtfdump: cannot read %s: %s\n", qPrintable(path),
                     qPrintable(file.errorString()));
        return false;
    }
    Rtf::read(file.readAll(), &doc);
    return true;
}

void printRuns(const QTextDocument &doc)
{
    const QFont base = doc.defaultFont();
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            const QTextCharFormat fmt = frag.charFormat();
            QJsonObject run;
            run[QLatin1String("start")] = frag.position();
            run[QLatin1String("length")] = frag.length();
            if (fmt.isImageFormat()) {
                run[QLatin1String("image")] = fmt.toImageFormat().name();
            } else {
                const QFont font = fmt.font().resolve(base);
                run[QLatin1String("font")] = font.families().value(0, font.family());
                run[QLatin1String("size")] = font.pointSizeF();
                run[QLatin1String("bold")] = font.bold();
                run[QLatin1String("italic")] = font.italic();
                run[QLatin1String("underline")] = fmt.fontUnderline();
                run[QLatin1String("strike")] = font.strikeOut();
                run[QLatin1String("colour")] = fmt.hasProperty(QTextFormat::ForegroundBrush)
                                                   ? fmt.foreground().color().name()
                                                   : QStringLiteral("auto");
            }
            std::fputs(QJsonDocument(run).toJson(QJsonDocument::Compact).constData(), stdout);
            std::fputc('\n', stdout);
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    // Pictures need the GUI part of Qt, but never a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);

    QTextDocument doc;
    if (args.size() == 1 && !args[0].startsWith(QLatin1String("--"))) {
        if (!load(args[0], doc))
            return 1;
        QString text;
        for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
            if (block != doc.begin())
                text += u'\n';
            text += block.text();
        }
        // A line break inside a paragraph (\line) is a line of its own to whoever reads this.
        text.replace(QChar::LineSeparator, u'\n');
        std::fputs(text.toUtf8().constData(), stdout);
        std::fputc('\n', stdout);
        return 0;
    }
    if (args.size() == 2 && args[0] == QLatin1String("--runs")) {
        if (!load(args[1], doc))
            return 1;
        printRuns(doc);
        return 0;
    }
    if (args.size() == 3 && args[0] == QLatin1String("--roundtrip")) {
        if (!load(args[1], doc))
            return 1;
        QFile out(args[2]);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            out.write(Rtf::write(doc)) < 0 || !out.flush()) {
            std::fprintf(stderr, "rtfdump: cannot write %s: %s\n", qPrintable(args[2]),
                         qPrintable(out.errorString()));
            return 1;
        }
        return 0;
    }
    return usage();
}
