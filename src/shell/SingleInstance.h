#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLockFile;

// One running copy per data folder. The lock lies in the data folder itself, so every copy that
// uses the folder meets it, whatever its environment. The copy that holds the lock also listens
// on a local socket, through which an uninstalling copy asks it to close and a second start asks
// it to show the notes.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // dataPath must name an existing folder when acquire() is called.
    explicit SingleInstance(const QString &dataPath, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when no other copy runs for this data folder. A lock left by a copy that crashed is
    // taken over.
    bool acquire();

    // Asks the copy running for dataPath to close; false when none answered in time. Creates
    // nothing.
    static bool requestClose(const QString &dataPath, int timeoutMs = 250);
    // Asks the copy running for dataPath to show every note; false when none answered in time.
    static bool requestShow(const QString &dataPath, int timeoutMs = 250);

    static QString lockFilePath(const QString &dataPath);
    static QString serverName(const QString &dataPath);

signals:
    void closeRequested();
    void showRequested();

private:
    void acceptConnection();
    static bool sendRequest(const QString &dataPath, const QByteArray &request, int timeoutMs);

    QString m_dataPath;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};
