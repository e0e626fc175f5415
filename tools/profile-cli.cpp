// Runs profile-string operations on one INI file, one per line of stdin, fields separated by tabs:
//   W <section> <key> <value>    write a key
//   WD <section> <key>           delete a key
//   R <section> <key> <default>  read a key and print its value
//   BEGIN / COMMIT               gather the writes between them into one replacement of the file
// Used by the crash test and for poking at data files by hand.

#include "base/ProfileString.h"

#include <QString>
#include <QStringList>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: profile-cli FILE < script\n");
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);

    std::vector<std::unique_ptr<ProfileBatch>> batches;
    bool failed = false;
    long lineNo = 0;
    std::string raw;
    while (std::getline(std::cin, raw)) {
        ++lineNo;
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        if (raw.empty())
            continue;
        const QStringList f = QString::fromUtf8(raw).split(QLatin1Char('\t'));
        const QString &op = f.at(0);
        bool ok = true;
        if (op == u"W" && f.size() == 4) {
            ok = WritePrivateProfileString(f[1], f[2], f[3], file);
        } else if (op == u"WD" && f.size() == 3) {
            ok = DeletePrivateProfileKey(f[1], f[2], file);
        } else if (op == u"R" && f.size() == 4) {
            const QByteArray value = GetPrivateProfileString(f[1], f[2], f[3], file).toUtf8();
            std::fwrite(value.constData(), 1, size_t(value.size()), stdout);
            std::fputc('\n', stdout);
            std::fflush(stdout);
        } else if (op == u"BEGIN" && f.size() == 1) {
            batches.push_back(std::make_unique<ProfileBatch>(file));
        } else if (op == u"COMMIT" && f.size() == 1 && !batches.empty()) {
            ok = batches.back()->commit();
            batches.pop_back();
        } else {
            std::fprintf(stderr, "profile-cli: line %ld: unknown or malformed operation: %s\n",
                         lineNo, raw.c_str());
            failed = true;
            continue;
        }
        if (!ok) {
            std::fprintf(stderr, "profile-cli: line %ld: could not write %s\n", lineNo, argv[1]);
            failed = true;
        }
    }
    // Batches left open are committed as they go out of scope, innermost first.
    while (!batches.empty()) {
        if (!batches.back()->commit())
            failed = true;
        batches.pop_back();
    }
    return failed ? 1 : 0;
}
