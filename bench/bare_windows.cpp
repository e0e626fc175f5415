// The floors for the start-up benchmark: a plain Qt program that only opens N frameless 182 x 198
// windows, each with a label and a text box holding the short formatted text the benchmark's
// notes hold (the floor for showing them cannot show less).
//   bare_windows N [E | Tms] [PICTURE]
// With E it lets the event loop run after every E windows, with Tms after every T milliseconds of
// work, as a program that keeps answering while it loads must; without (or with 0) it shows them
// all and only then enters the loop: no program can map its windows faster. With PICTURE, the
// note window's picture, every window is cut to the outline the picture gives (white is cut
// away), as a note window is.
#include "note/NoteShape.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTextEdit>
#include <QWidget>

#include <memory>
#include <vector>

// What every note of the start-up benchmark holds, in the same font, sizes and colours.
const QString kText = QStringLiteral(
    "<p style=\"font-family:Arial; font-size:10pt\">Lembrete %1: comprar p\u00e3o, leite e "
    "caf\u00e9; ligar para o m\u00e9dico <b>antes das 15h</b>, revisar o <i>relat\u00f3rio "
    "mensal</i> e enviar <span style=\"color:#800000\">at\u00e9 sexta</span>. Reuni\u00e3o na "
    "sala 3 com a equipe de vendas.</p>");

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int n = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100;
    const QString batch = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    const bool timed = batch.endsWith(QLatin1String("ms"));
    const int every = QStringView(batch).left(batch.size() - (timed ? 2 : 0)).toInt();
    const QRegion outline =
        argc > 3 ? RegionFromPicture(QImage(QString::fromLocal8Bit(argv[3])), qRgb(255, 255, 255))
                       .value_or(QRegion())
                 : QRegion();
    std::vector<std::unique_ptr<QWidget>> windows;
    QElapsedTimer working;
    working.start();
    for (int i = 0; i < n; ++i) {
        auto w = std::make_unique<QWidget>(nullptr, Qt::Tool | Qt::FramelessWindowHint);
        w->setFixedSize(182, 198);
        auto *label = new QLabel(QStringLiteral("Nota %1").arg(i), w.get());
        label->setGeometry(25, 2, 131, 15);
        auto *text = new QTextEdit(w.get());
        text->setGeometry(4, 21, 174, 157);
        text->setHtml(kText.arg(i));
        // Where the benchmark's notes are: how much of each is seen is work for the X server.
        w->move((i + 1) * 37 % 1700, (i + 1) * 23 % 900);
        if (!outline.isEmpty())
            w->setMask(outline);
        w->show();
        windows.push_back(std::move(w));
        if (every > 0 && (timed ? i == 0 || working.hasExpired(every) : i % every == 0)) {
            QCoreApplication::processEvents();
            working.restart();
        }
    }
    return app.exec();
}
