#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

class QLocalServer;

// One running program per user. The first start holds a lock file and listens on a local
// socket beside it; a later start finds the lock taken and hands the project file of its
// command line to the first, which opens it. The lock of a process that died is stale and
// is taken over.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // folder: where the lock and the socket live (RuntimeFolder()).
    explicit SingleInstance(const QString& folder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is the first: it holds the lock and listens.
    bool IsFirst() const { return m_first; }

    // A later start: sends the path to the first and waits until it has taken it. False
    // when no running instance answered (it may still be starting, or be gone).
    bool HandOver(const QString& path, int timeoutMs = 5000);

    // True when another process holds the lock in folder now. Asks nothing of the window
    // system, so a later start can find out before it starts one.
    static bool OtherIsRunning(const QString& folder);
    // $XDG_RUNTIME_DIR, or the settings folder where that is not set.
    static QString RuntimeFolder();
    // The absolute path of the first argument (after the program) that names an existing
    // file with the extension .tmv in any case; empty when none does.
    static QString FirstProjectArgument(const QStringList& arguments);

signals:
    // The first instance received a path from a later start.
    void pathReceived(const QString& path);

private:
    void Accept();

    QString m_socketPath;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    bool m_first = false;
};
