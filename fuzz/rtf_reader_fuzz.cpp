// Feeds arbitrary bytes to the RTF reader. Besides crashes, hangs and runaway memory it checks that
// whatever the reader makes of the input survives the writer: the text read back must be the same,
// and writing it again must give the same file.

#include "rtf/Rtf.h"

#include <QGuiApplication>
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

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    QTextDocument doc;
    Rtf::read(input, &doc);
    const QString text = doc.toPlainText();
    if (text.size() > input.size())
        std::abort(); // more text than bytes read

    const QByteArray written = Rtf::write(doc);
    QTextDocument again;
    Rtf::read(written, &again);
    if (again.toPlainText() != text)
        std::abort();
    if (Rtf::write(again) != written)
        std::abort();
    return 0;
}
