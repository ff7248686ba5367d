#include "LocalChannel.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <algorithm>

namespace {

// The path is one line of UTF-8; the first instance answers one byte once it has it.
constexpr char Ack = '1';

int Remaining(const QDeadlineTimer& deadline) {
    return int(std::max<qint64>(1, deadline.remainingTime()));
}

} // namespace

extern "C" void* tamvik_channel_listen(const char* socketPath, LocalChannelReceived received, void* context) {
    const QString path = QString::fromUtf8(socketPath);
    // The caller holds the lock: a socket file left behind belongs to no one.
    QLocalServer::removeServer(path);
    auto* server = new QLocalServer;
    server->setSocketOptions(QLocalServer::UserAccessOption);
    QObject::connect(server, &QLocalServer::newConnection, server, [server, received, context] {
        while (QLocalSocket* socket = server->nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket, received, context] {
                if (!socket->canReadLine())
                    return;
                const QByteArray line = socket->readLine().trimmed();
                socket->write(&Ack, 1);
                socket->flush();
                socket->disconnectFromServer();
                received(context, line.constData());
            });
        }
    });
    if (!server->listen(path)) {
        delete server;
        return nullptr;
    }
    return server;
}

extern "C" void tamvik_channel_close(void* server) {
    auto* s = static_cast<QLocalServer*>(server);
    if (!s)
        return;
    s->close();
    delete s;
}

extern "C" int tamvik_channel_hand_over(const char* socketPath, const char* utf8Path, int timeoutMs) {
    const QString path = QString::fromUtf8(socketPath);
    QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    // The first instance listens only once its window is up: try again for a while.
    for (;;) {
        socket.connectToServer(path);
        if (socket.waitForConnected(Remaining(deadline)))
            break;
        if (deadline.hasExpired())
            return 0;
        QThread::msleep(50);
    }
    socket.write(QByteArray(utf8Path) + '\n');
    if (!socket.waitForBytesWritten(Remaining(deadline)))
        return 0;
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(Remaining(deadline)))
            return 0;
    }
    char answer = 0;
    return socket.read(&answer, 1) == 1 && answer == Ack ? 1 : 0;
}
