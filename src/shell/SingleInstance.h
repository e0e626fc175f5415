#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

// One running copy per data folder on each computer. Data folders are often kept alike between
// computers by sync tools, so nothing that decides this may be a file another computer can
// bring:
// - a lock on an empty file of the data folder whose name is this computer's own
//   (lockFilePath()); the file another computer locks has another name and is never looked at;
// - on Linux, a socket in the abstract namespace named from the user and the folder's device
//   and inode, the same whatever path, environment or XDG_RUNTIME_DIR a copy has; it guards
//   also when the folder cannot be written, and the running copy hears requests on it.
//   Elsewhere, or while another user holds that name, a lock and a socket in a folder of this
//   user's alone (/tmp/notavex-<uid>) stand in for it.
// The system drops both when the process ends, so a crash leaves nothing that blocks. Requests
// are taken only from and sent only to processes of the same user.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // dataPath must name an existing folder when acquire() is called.
    explicit SingleInstance(const QString &dataPath, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when no other copy runs for this data folder on this computer.
    bool acquire();

    // Asks the copy running for dataPath to close; false when none answered in time. Creates
    // nothing.
    static bool requestClose(const QString &dataPath, int timeoutMs = 250);
    // Asks the copy running for dataPath to show every note; false when none answered in time.
    static bool requestShow(const QString &dataPath, int timeoutMs = 250);

    // The lock file of this computer in the data folder: ".notavex-<8 hex digits>.lock".
    static QString lockFilePath(const QString &dataPath);

signals:
    void closeRequested();
    void showRequested();

private:
    class FileLock;

    bool listen(const QString &name, bool abstract);
    void acceptConnection();
    static bool sendRequest(const QString &dataPath, const QByteArray &request, int timeoutMs);

    QString m_dataPath;
    std::unique_ptr<FileLock> m_folderLock;
    std::unique_ptr<FileLock> m_privateLock;
    QLocalServer *m_server = nullptr;
};
