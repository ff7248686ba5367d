#include "SingleInstance.h"

#include "OptionIni.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

namespace {

// The path is one line of UTF-8; the first instance answers one byte once it has it.
constexpr char Ack = '1';

} // namespace

namespace {

QString Base(const QString& folder) {
    return QDir(folder).filePath(QStringLiteral("tamvik"));
}

std::unique_ptr<QLockFile> MakeLock(const QString& folder) {
    auto lock = std::make_unique<QLockFile>(Base(folder) + QStringLiteral(".lock"));
    lock->setStaleLockTime(0); // stale only when its process is gone, never by age
    return lock;
}

} // namespace

SingleInstance::SingleInstance(const QString& folder, QObject* parent) : QObject(parent) {
    QDir().mkpath(folder);
    m_socketPath = Base(folder) + QStringLiteral(".socket");
    m_lock = MakeLock(folder);
    m_first = m_lock->tryLock(0);
    if (!m_first)
        return;
    // We hold the lock: a socket file left behind belongs to no one.
    QLocalServer::removeServer(m_socketPath);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::Accept);
    m_server->listen(m_socketPath);
}

SingleInstance::~SingleInstance() {
    if (m_server)
        m_server->close();
}

void SingleInstance::Accept() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine())
                return;
            const QString path = QString::fromUtf8(socket->readLine()).trimmed();
            socket->write(&Ack, 1);
            socket->flush();
            socket->disconnectFromServer();
            emit pathReceived(path);
        });
    }
}

bool SingleInstance::HandOver(const QString& path, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    // The first instance may hold the lock before it listens: try again for a while.
    for (;;) {
        socket.connectToServer(m_socketPath);
        if (socket.waitForConnected(int(std::max<qint64>(1, deadline.remainingTime()))))
            break;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    socket.write(path.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(int(std::max<qint64>(1, deadline.remainingTime()))))
        return false;
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime()))))
            return false;
    }
    char answer = 0;
    return socket.read(&answer, 1) == 1 && answer == Ack;
}

bool SingleInstance::OtherIsRunning(const QString& folder) {
    if (!QFileInfo(folder).isDir())
        return false;
    const std::unique_ptr<QLockFile> lock = MakeLock(folder);
    if (!lock->tryLock(0))
        return true;
    lock->unlock();
    return false;
}

QString SingleInstance::RuntimeFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime;
    const QString settings = SettingsFolderPath();
    return settings.isEmpty() ? QDir::tempPath() : settings;
}

QString SingleInstance::FirstProjectArgument(const QStringList& arguments) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QFileInfo file(arguments.at(i));
        if (file.isFile() && file.suffix().toLower() == QLatin1String("tmv"))
            return file.absoluteFilePath();
    }
    return {};
}
