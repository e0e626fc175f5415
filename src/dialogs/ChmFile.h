#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

struct chmFile;

// A compiled HTML help file, read-only. Names inside it are paths from its root ("/notavex.htm")
// and match without regard to case.
class ChmFile
{
public:
    explicit ChmFile(const QString &path);
    ~ChmFile();
    ChmFile(const ChmFile &) = delete;
    ChmFile &operator=(const ChmFile &) = delete;

    // False when the file is missing or is no help file.
    bool isOpen() const { return m_file != nullptr; }

    // The content of one entry; no value when it is missing, unreadable or larger than MaxEntry.
    std::optional<QByteArray> read(const QString &name) const;

    // A damaged file may claim any size for an entry; nothing the help holds is that large.
    static constexpr qint64 MaxEntry = 32 * 1024 * 1024;

private:
    chmFile *m_file = nullptr;
};
