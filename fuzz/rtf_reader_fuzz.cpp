// Feeds arbitrary bytes to the RTF reader. Besides crashes, hangs and runaway memory it checks that
// whatever the reader makes of the input survives the writer: the text read back must be the same,
// and writing it again must give the same file. Kept groups no text separates are one invisible
// mark, however many they were first read as: the text compared leaves the marks out (what they
// hold is in the file compared).

#include "rtf/Rtf.h"

#include <QGuiApplication>
#include <QTextBlock>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

namespace {

QString shownText(const QTextDocument &doc)
{
    QString text;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat fmt = it.fragment().charFormat();
            if (!fmt.isImageFormat() || fmt.toImageFormat().width() != 0)
                text += it.fragment().text();
        }
        text += u'\n';
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    QTextDocument doc;
    Rtf::read(input, &doc);
    if (doc.toPlainText().size() > input.size())
        std::abort(); // more text than bytes read
    const QString text = shownText(doc);

    const QByteArray written = Rtf::write(doc);
    QTextDocument again;
    Rtf::read(written, &again);
    if (shownText(again) != text)
        std::abort();
    if (Rtf::write(again) != written)
        std::abort();
    return 0;
}
