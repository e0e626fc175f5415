// Timings of the note store's index file with 1,000 notes: reading one key with the file just
// changed and with it cached, and writing every key of every note as one operation.
// Usage: store [FOLDER]   (a temporary folder by default; give one on the disk to measure)

#include "base/ProfileString.h"
#include "store/Ini.h"
#include "store/NoteFiles.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kNotes = 1000;

const char *const kNoteKeys[] = {
    "Top",    "Left", "Tag",  "Titulo",    "Visivel",  "Color1",         "Color2",  "OnTop",
    "Alarme", "Data", "Hora", "HoraAntes", "TocarSom", "TipoDataAlarme", "TocouEm", "ArquivoWave"};

QString valueFor(int note, int key, int round)
{
    switch (key) {
    case 3:
        return QStringLiteral("Lembrete número %1, versão %2").arg(note).arg(round);
    case 4:
    case 7:
        return (note + round) % 2 ? QStringLiteral("True") : QStringLiteral("False");
    case 9:
        return QStringLiteral("%1/12/2026").arg(1 + (note + round) % 28);
    case 15:
        return QStringLiteral("/usr/share/sounds/alarme%1.wav").arg(round);
    default:
        return QString::number(note * 37 + key * 1001 + round);
    }
}

QByteArray indexFileBytes()
{
    QByteArray out =
        "[Indice]\r\nTotalForms=1000\r\nColoridos=False\r\n[Format]\r\nFontName=Arial\r\n"
        "FontSize=10\r\n";
    for (int note = 1; note <= kNotes; ++note) {
        out += '[' + QByteArray::number(note) + "]\r\n";
        for (int key = 0; key < 16; ++key) {
            out += QByteArray(kNoteKeys[key]) + '=' +
                   QByteArray(valueFor(note, key, 0).toLatin1()) + "\r\n";
        }
    }
    return out;
}

// The file as an editor would leave it, dated in the past so that its time stamp alone tells
// whether it changed.
void rewriteInPlace(const QString &path, const QByteArray &bytes, int age)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
    f.setFileTime(QDateTime::currentDateTime().addSecs(-3600 - age),
                  QFileDevice::FileModificationTime);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double minimum(const std::vector<double> &v)
{
    return *std::min_element(v.begin(), v.end());
}

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir temp(argc > 1 ? QString::fromLocal8Bit(argv[1]) + QStringLiteral("/bench-XXXXXX")
                                : QString());
    if (!temp.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }
    const QString file = temp.filePath(QStringLiteral("Indice.cfg"));
    QByteArray bytes = indexFileBytes();
    rewriteInPlace(file, bytes, 0);
    std::printf("Indice.cfg: %d note sections of 16 keys, %.0f KB, in %s\n", kNotes,
                bytes.size() / 1024.0, qPrintable(temp.path()));

    QElapsedTimer timer;

    // Cold: the first read after another program changed the file (same size, in place).
    std::vector<double> cold;
    for (int round = 1; round <= 25; ++round) {
        const QByteArray marker = "TotalForms=" + QByteArray::number(1000 + round % 2 * 1000);
        bytes.replace(bytes.indexOf("TotalForms="), marker.size(), marker);
        rewriteInPlace(file, bytes, round);
        timer.start();
        const QString value =
            ReadIni(QStringLiteral("500"), QStringLiteral("Titulo"), QString(), file);
        cold.push_back(timer.nsecsElapsed() / 1e6);
        if (value.isEmpty())
            return 1;
    }
    std::printf("ReadIni, first read after the file changed: median %.2f ms (min %.2f ms)\n",
                median(cold), minimum(cold));

    // Warm: the file is unchanged, every read only checks its stamp.
    constexpr int kReads = 200000;
    qsizetype sink = 0;
    timer.start();
    for (int i = 0; i < kReads; ++i) {
        sink += ReadIni(QString::number(1 + i % kNotes), QLatin1String(kNoteKeys[i % 16]),
                        QString(), file)
                    .size();
    }
    const double warmUs = timer.nsecsElapsed() / 1e3 / kReads;
    std::printf("ReadIni, file unchanged (cached): %.2f us per read (%d reads)\n", warmUs, kReads);

    // Every key of every note, as at shutdown, in one replacement of the file.
    std::vector<double> batch;
    for (int round = 1; round <= 10; ++round) {
        timer.start();
        {
            ProfileBatch all(file);
            for (int note = 1; note <= kNotes; ++note) {
                const QString section = QString::number(note);
                for (int key = 0; key < 16; ++key) {
                    WritePrivateProfileString(section, QLatin1String(kNoteKeys[key]),
                                              valueFor(note, key, round), file);
                }
            }
            WritePrivateProfileString(QStringLiteral("Indice"), QStringLiteral("TotalForms"),
                                      QString::number(kNotes), file);
            if (!all.commit()) {
                std::fprintf(stderr, "the batch could not be written\n");
                return 1;
            }
        }
        batch.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("Write all 16 keys of %d notes as one ProfileBatch, flushed to disk: median "
                "%.1f ms (min %.1f ms)\n",
                kNotes, median(batch), minimum(batch));
    if (ReadIni(QStringLiteral("1000"), QStringLiteral("Titulo"), QString(), file) !=
        valueFor(1000, 3, 10))
        return 1;

    // Right after a write the time stamp cannot yet tell a change, so reads compare content.
    std::vector<double> fresh;
    for (int i = 0; i < 20; ++i) {
        timer.start();
        sink += ReadIni(QStringLiteral("7"), QStringLiteral("Top"), QString(), file).size();
        fresh.push_back(timer.nsecsElapsed() / 1e3);
    }
    std::printf("ReadIni, within 20 ms of the file's last change: median %.0f us\n", median(fresh));

    // A single key outside a batch: its own replacement of the file.
    std::vector<double> single;
    for (int round = 1; round <= 10; ++round) {
        timer.start();
        WritePrivateProfileString(QStringLiteral("500"), QStringLiteral("OnTop"),
                                  round % 2 ? QStringLiteral("True") : QStringLiteral("False"),
                                  file);
        single.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("One key written alone, flushed to disk: median %.1f ms (min %.1f ms)\n",
                median(single), minimum(single));
    return sink > 0 ? 0 : 1;
}
