// Feeds arbitrary bytes as Option.ini and as the download dialog's history.ini: every
// setting reads without a crash, and what was read, written back and read again, is what
// was read the first time.
#include "FuzzFiles.h"
#include "IniFile.h"
#include "OptionIni.h"

#include <QStringList>
#include <cstdint>

namespace {

struct Options {
    QString folder, url, user, password, proxyFlag, proxyAddress, proxyPort, driver, other;
    QString play, judge, correct, yellow;
    bool operator==(const Options&) const = default;
};

Options ReadOptions() {
    Options o;
    LoadOptionSettings(o.folder, o.url, o.user, o.password, true);
    LoadProxySettings(o.proxyFlag, o.proxyAddress, o.proxyPort);
    LoadAsioSetting(o.driver);
    ReadOtherSetting(QStringLiteral("Language"), o.other);
    LoadRdbSettings(QStringLiteral("project"), o.play, o.judge, o.correct, o.yellow);
    return o;
}

// The history's keys, as the download dialog reads and writes them.
const QStringList kHistoryKeys = {QStringLiteral("Titile"),   QStringLiteral("Difficult"),
                                  QStringLiteral("Category"), QStringLiteral("CategoryId"),
                                  QStringLiteral("Scenario"), QStringLiteral("Times")};

QStringList ReadHistory(const QString& path) {
    tamvik::IniFile ini;
    ini.LoadFromFile(path);
    QStringList values;
    for (const QString& key : kHistoryKeys)
        values << ini.ReadString(QStringLiteral("History"), key, QString());
    return values;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString root = [] {
        const QString path = fuzzfiles::WorkRoot("settingsfuzz");
        qputenv("XDG_CONFIG_HOME", path.toLocal8Bit());
        if (!CreateSettingsFolder())
            fuzzfiles::Fail("cannot make the settings folder");
        return path;
    }();
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    fuzzfiles::WriteFile(OptionIniPath(), input);
    const Options read = ReadOptions();
    QFile::remove(OptionIniPath());
    if (!SaveOptionSettings(read.folder, read.url, read.user, read.password, read.proxyFlag,
                            read.proxyAddress, read.proxyPort) ||
        !SaveAsioSetting(read.driver) || !WriteOtherSetting(QStringLiteral("Language"), read.other) ||
        !SaveRdbSettings(QStringLiteral("project"), read.play, read.judge, read.correct, read.yellow))
        fuzzfiles::Fail("the settings cannot be written");
    if (!(ReadOptions() == read))
        fuzzfiles::Fail("a setting changed on its way through Option.ini");

    const QString history = root + QStringLiteral("/history.ini");
    fuzzfiles::WriteFile(history, input);
    const QStringList values = ReadHistory(history);
    QFile::remove(history);
    {
        tamvik::IniFile ini(history, tamvik::IniFile::Encoding::Utf8);
        for (int i = 0; i < kHistoryKeys.size(); ++i)
            ini.WriteString(QStringLiteral("History"), kHistoryKeys.at(i), values.at(i));
        if (!ini.UpdateFile())
            fuzzfiles::Fail("the history cannot be written");
    }
    if (ReadHistory(history) != values)
        fuzzfiles::Fail("a history entry changed on its way through history.ini");
    return 0;
}
