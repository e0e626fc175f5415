// The floors for the start-up benchmark: a plain Qt program that only opens N frameless 182 x 198
// windows, each with a label and a text box holding a short formatted text. With a second
// argument E it lets the event loop run after every E windows, as a program that keeps answering
// while it loads must; without it (or with 0) it shows them all and only then enters the loop:
// no program can map its windows faster.
#include <QApplication>
#include <QLabel>
#include <QTextEdit>
#include <QWidget>

#include <memory>
#include <vector>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int n = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100;
    const int every = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 0;
    std::vector<std::unique_ptr<QWidget>> windows;
    for (int i = 0; i < n; ++i) {
        auto w = std::make_unique<QWidget>(nullptr, Qt::Tool | Qt::FramelessWindowHint);
        w->setFixedSize(182, 198);
        auto *label = new QLabel(QStringLiteral("Nota %1").arg(i), w.get());
        label->setGeometry(25, 2, 131, 15);
        auto *text = new QTextEdit(w.get());
        text->setGeometry(4, 21, 174, 157);
        text->setHtml(QStringLiteral("<b>Nota</b> de teste com <i>texto</i> formatado %1").arg(i));
        w->move((i * 37) % 800, (i * 23) % 560);
        w->show();
        windows.push_back(std::move(w));
        if (every > 0 && i % every == 0)
            QCoreApplication::processEvents();
    }
    return app.exec();
}
