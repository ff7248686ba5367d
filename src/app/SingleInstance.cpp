#include "SingleInstance.h"

#include "LocalChannel.h"
#include "OptionIni.h"
#include "SharedLibrary.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString Base(const QString& folder) {
    return QDir(folder).filePath(QStringLiteral("tamvik"));
}

std::unique_ptr<QLockFile> MakeLock(const QString& folder) {
    auto lock = std::make_unique<QLockFile>(Base(folder) + QStringLiteral(".lock"));
    lock->setStaleLockTime(0); // stale only when its process is gone, never by age
    return lock;
}

struct Channel {
    decltype(&tamvik_channel_listen) listen = nullptr;
    decltype(&tamvik_channel_close) close = nullptr;
    decltype(&tamvik_channel_hand_over) hand_over = nullptr;
};

// The socket module: installed beside the program's other libraries, or where the build
// made it.
tamvik::LoadedApi<Channel> LoadChannelModule() {
    tamvik::LoadedApi<Channel> l;
    for (const char* name : {"libtamvik_localchannel.so", TAMVIK_LOCALCHANNEL_MODULE}) {
        tamvik::SharedLibrary library({name});
        if (!library.Loaded())
            continue;
        Channel& c = l.api;
        l.ok = library.Bind("tamvik_channel_listen", c.listen) &&
               library.Bind("tamvik_channel_close", c.close) &&
               library.Bind("tamvik_channel_hand_over", c.hand_over);
        if (!l.ok)
            l.error = library.Error();
        return l;
    }
    l.error = QStringLiteral("the local socket module libtamvik_localchannel.so cannot be loaded");
    return l;
}

const Channel* LoadChannel() {
    QString error;
    const Channel* channel = tamvik::LoadOnce<Channel, LoadChannelModule>(&error);
    if (!channel)
        qWarning("%s", qPrintable(error));
    return channel;
}

} // namespace

SingleInstance::SingleInstance(const QString& folder, QObject* parent) : QObject(parent) {
    QDir().mkpath(folder);
    m_socketPath = Base(folder) + QStringLiteral(".socket");
    m_lock = MakeLock(folder);
    m_first = m_lock->tryLock(0);
}

SingleInstance::~SingleInstance() {
    if (m_server)
        LoadChannel()->close(m_server);
}

bool SingleInstance::Listen() {
    if (!m_first)
        return false;
    if (m_server)
        return true;
    const Channel* channel = LoadChannel();
    if (!channel)
        return false;
    m_server = channel->listen(
        m_socketPath.toUtf8().constData(),
        [](void* self, const char* path) {
            emit static_cast<SingleInstance*>(self)->pathReceived(QString::fromUtf8(path));
        },
        this);
    return m_server != nullptr;
}

bool SingleInstance::HandOver(const QString& path, int timeoutMs) {
    const Channel* channel = LoadChannel();
    return channel &&
           channel->hand_over(m_socketPath.toUtf8().constData(), path.toUtf8().constData(), timeoutMs) == 1;
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
