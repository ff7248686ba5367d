#include "OptionIni.h"

#include "IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using tamvik::IniFile;

namespace {

const QString kOption = QStringLiteral("Option");
const QString kRdb = QStringLiteral("Rdb");

// Makes one folder level 0700; an existing folder of ours is tightened to 0700.
bool MakePrivateFolder(const QString& path) {
    const QByteArray p = QFile::encodeName(path);
    if (::mkdir(p.constData(), 0700) == 0)
        return true;
    if (errno != EEXIST)
        return false;
    struct stat st {};
    if (::lstat(p.constData(), &st) != 0)
        return false;
    if (!S_ISDIR(st.st_mode)) {
        errno = ENOTDIR; // says more than the EEXIST of mkdir
        return false;
    }
    if (st.st_uid == ::getuid() && (st.st_mode & 0777) != 0700)
        ::chmod(p.constData(), 0700);
    return true;
}

// Ensures the file exists with mode 0600 before the atomic replace, which keeps the
// mode of the file it replaces.
bool PrepareFile(const QString& path) {
    const QByteArray p = QFile::encodeName(path);
    const int fd = ::open(p.constData(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    ::fchmod(fd, 0600);
    ::close(fd);
    return true;
}

// The system's text for the failure errno holds now, for the writer's caller.
bool Failed(QString* cause) {
    if (cause)
        *cause = errno != 0 ? QString::fromLocal8Bit(std::strerror(errno)) : QStringLiteral("unknown cause");
    return false;
}

template <typename Write> bool WriteOptionIni(Write write, QString* cause = nullptr) {
    if (OptionIniPath().isEmpty()) {
        if (cause)
            *cause = QStringLiteral("no settings folder (neither XDG_CONFIG_HOME nor HOME is set)");
        return false;
    }
    errno = 0;
    if (!CreateSettingsFolder())
        return Failed(cause);
    const QString path = OptionIniPath();
    errno = 0;
    if (!PrepareFile(path))
        return Failed(cause);
    IniFile ini(path, IniFile::Encoding::Utf8);
    write(ini);
    errno = 0;
    if (!ini.UpdateFile())
        return Failed(cause);
    ::chmod(QFile::encodeName(path).constData(), 0600);
    return true;
}

// Runs read on the file's content; nothing is read without a settings folder.
template <typename Read> void ReadOptionIni(Read read) {
    const QString path = OptionIniPath();
    if (path.isEmpty())
        return;
    IniFile ini;
    ini.LoadFromFile(path); // a missing file reads as empty
    read(ini);
}

// '[' would open a section; '=' and line breaks would cut the key on reading.
QString RdbKeyPrefix(const QString& projectName) {
    QString name = projectName;
    name.remove(QLatin1Char('['));
    name.remove(QLatin1Char('='));
    name.remove(QLatin1Char('\r'));
    name.remove(QLatin1Char('\n'));
    return name;
}

} // namespace

QString SettingsFolderPath() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        const QString home = qEnvironmentVariable("HOME");
        if (home.isEmpty())
            return QString();
        base = home + QStringLiteral("/.config");
    }
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    return base + QStringLiteral("KVR/Tamvik/");
}

bool CreateSettingsFolder() {
    const QString folder = SettingsFolderPath();
    if (folder.isEmpty())
        return false;
    const QString kvr = QFileInfo(folder.chopped(1)).path();
    const QString configBase = QFileInfo(kvr).path();
    if (!QDir().mkpath(configBase))
        return false;
    return MakePrivateFolder(kvr) && MakePrivateFolder(folder.chopped(1));
}

QString OptionIniPath() {
    const QString folder = SettingsFolderPath();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("Option.ini");
}

bool SaveOptionSettings(const QString& projectFolder, const QString& serviceUrl, const QString& userId,
                        const QString& userPassword, const QString& proxyUseFlag, const QString& proxyAddress,
                        const QString& proxyPort, QString* cause) {
    return WriteOptionIni(
        [&](IniFile& ini) {
            ini.WriteString(kOption, QStringLiteral("projectFloder"), projectFolder);
            ini.WriteString(kOption, QStringLiteral("serviceUrl"), serviceUrl);
            ini.WriteString(kOption, QStringLiteral("userId"), userId);
            ini.WriteString(kOption, QStringLiteral("userPassWord"), userPassword);
            ini.WriteString(kOption, QStringLiteral("shiyoFlg"), proxyUseFlag);
            ini.WriteString(kOption, QStringLiteral("proxyAddress"), proxyAddress);
            ini.WriteString(kOption, QStringLiteral("proxyPort"), proxyPort);
        },
        cause);
}

void LoadOptionSettings(QString& projectFolder, QString& serviceUrl, QString& userId, QString& userPassword,
                        bool raw) {
    ReadOptionIni([&](const IniFile& ini) {
        projectFolder = ini.ReadString(kOption, QStringLiteral("projectFloder"), QString());
        serviceUrl = ini.ReadString(kOption, QStringLiteral("serviceUrl"), QString());
        userId = ini.ReadString(kOption, QStringLiteral("userId"), QString());
        userPassword = ini.ReadString(kOption, QStringLiteral("userPassWord"), QString());
        if (!raw)
            serviceUrl += QStringLiteral("W0001/");
    });
}

void LoadProxySettings(QString& useFlag, QString& address, QString& port) {
    ReadOptionIni([&](const IniFile& ini) {
        useFlag = ini.ReadString(kOption, QStringLiteral("shiyoFlg"), QString());
        address = ini.ReadString(kOption, QStringLiteral("proxyAddress"), QString());
        port = ini.ReadString(kOption, QStringLiteral("proxyPort"), QString());
    });
}

bool SaveRdbSettings(const QString& projectName, const QString& play, const QString& judge,
                     const QString& correct, const QString& yellow) {
    const QString name = RdbKeyPrefix(projectName);
    return WriteOptionIni([&](IniFile& ini) {
        ini.WriteString(kRdb, name + QStringLiteral("rdbPlay"), play);
        ini.WriteString(kRdb, name + QStringLiteral("rdbJudge"), judge);
        ini.WriteString(kRdb, name + QStringLiteral("rdbCorrect"), correct);
        ini.WriteString(kRdb, name + QStringLiteral("rdbYellow"), yellow);
    });
}

void LoadRdbSettings(const QString& projectName, QString& play, QString& judge, QString& correct,
                     QString& yellow) {
    const QString name = RdbKeyPrefix(projectName);
    ReadOptionIni([&](const IniFile& ini) {
        play = ini.ReadString(kRdb, name + QStringLiteral("rdbPlay"), QString());
        judge = ini.ReadString(kRdb, name + QStringLiteral("rdbJudge"), QString());
        correct = ini.ReadString(kRdb, name + QStringLiteral("rdbCorrect"), QString());
        yellow = ini.ReadString(kRdb, name + QStringLiteral("rdbYellow"), QString());
    });
}

bool SaveAsioSetting(const QString& driverName) {
    return WriteOptionIni(
        [&](IniFile& ini) { ini.WriteString(QStringLiteral("ASIO"), QStringLiteral("asio"), driverName); });
}

void LoadAsioSetting(QString& driverName) {
    ReadOptionIni([&](const IniFile& ini) {
        driverName = ini.ReadString(QStringLiteral("ASIO"), QStringLiteral("asio"), QString());
    });
}

bool WriteOtherSetting(const QString& key, const QString& value) {
    return WriteOptionIni([&](IniFile& ini) { ini.WriteString(QStringLiteral("Other"), key, value); });
}

void ReadOtherSetting(const QString& key, QString& value) {
    ReadOptionIni(
        [&](const IniFile& ini) { value = ini.ReadString(QStringLiteral("Other"), key, QString()); });
}
