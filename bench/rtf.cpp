// Read and write times of the RTF reader and writer on a generated note of about 1 MB with mixed
// formatting. Prints the median of several runs.

#include "rtf/Rtf.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRuns = 7;

void generate(QTextDocument &doc, qsizetype targetBytes)
{
    QRandomGenerator rng(2024);
    const QStringList words = {
        QStringLiteral("nota"),     QStringLiteral("compromisso"), QStringLiteral("reunião"),
        QStringLiteral("às"),       QStringLiteral("café"),        QStringLiteral("amanhã"),
        QStringLiteral("€ 12,50"),  QStringLiteral("{chaves}"),    QStringLiteral("C:\\dados"),
        QStringLiteral("Привет"),   QStringLiteral("日本"),        QStringLiteral("😀"),
        QStringLiteral("lembrete"), QStringLiteral("tarefa"),      QStringLiteral("João"),
    };
    const QStringList fonts = {QStringLiteral("Arial"), QStringLiteral("Times New Roman"),
                               QStringLiteral("Courier New"), QStringLiteral("Verdana")};
    QTextCursor cursor(&doc);
    cursor.beginEditBlock();
    qsizetype chars = 0;
    while (chars < targetBytes) {
        QTextCharFormat fmt;
        fmt.setFontFamilies({fonts[rng.bounded(int(fonts.size()))]});
        fmt.setFontPointSize(8 + rng.bounded(12) / 2.0);
        fmt.setFontWeight(rng.bounded(4) == 0 ? QFont::Bold : QFont::Normal);
        fmt.setFontItalic(rng.bounded(5) == 0);
        fmt.setFontUnderline(rng.bounded(8) == 0);
        fmt.setFontStrikeOut(rng.bounded(16) == 0);
        if (rng.bounded(3) == 0)
            fmt.setForeground(QColor(rng.bounded(256), rng.bounded(256), rng.bounded(256)));
        QString run;
        const int n = 1 + rng.bounded(6);
        for (int i = 0; i < n; ++i)
            run += words[rng.bounded(int(words.size()))] + u' ';
        cursor.insertText(run, fmt);
        chars += run.size();
        if (rng.bounded(8) == 0) {
            QTextBlockFormat bf;
            bf.setAlignment(rng.bounded(4) == 0 ? Qt::AlignHCenter : Qt::AlignLeft);
            cursor.insertBlock(bf);
        }
    }
    cursor.endEditBlock();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QTextDocument source;
    generate(source, 360'000);
    QByteArray rtf = Rtf::write(source);

    std::vector<double> writes, reads;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        rtf = Rtf::write(source);
        writes.push_back(timer.nsecsElapsed() / 1e6);

        QTextDocument doc;
        timer.restart();
        Rtf::read(rtf, &doc);
        reads.push_back(timer.nsecsElapsed() / 1e6);
        if (doc.characterCount() != source.characterCount()) {
            std::fprintf(stderr, "rtf bench: read back %d characters, expected %d\n",
                         doc.characterCount(), source.characterCount());
            return 1;
        }
    }
    std::printf("RTF note: %.2f MB, %d characters, %d paragraphs\n", rtf.size() / 1e6,
                source.characterCount(), source.blockCount());
    std::printf("write: %.1f ms (median of %d)\n", median(writes), kRuns);
    std::printf("read:  %.1f ms (median of %d)\n", median(reads), kRuns);
    return 0;
}
