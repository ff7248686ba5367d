#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

// One running program per user. The first start holds a lock file and, once its window
// is up, listens on a local socket beside it; a later start finds the lock taken and
// hands the project file of its command line to the first, which opens it. The lock of a
// process that died is stale and is taken over.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // folder: where the lock and the socket live (RuntimeFolder()).
    explicit SingleInstance(const QString& folder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is the first: it holds the lock.
    bool IsFirst() const { return m_first; }
    // The first instance starts taking hand-overs. False when it cannot (the socket
    // module or the socket is missing): later starts then say that the program runs.
    bool Listen();

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
    QString m_socketPath;
    std::unique_ptr<QLockFile> m_lock;
    void* m_server = nullptr; // the socket module's server
    bool m_first = false;
};
