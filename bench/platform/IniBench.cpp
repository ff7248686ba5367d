// Reading every key of a 10 MB INI file by name, against loading the file (reading, decoding,
// splitting and indexing it), paired A-B-B-A in the same run. The file holds 100 sections of
// 1500 keys, about as a project's largest entries are shaped. Prints min / median / max of
// the per-pair ratios (read by name / load).
#include "IniFile.h"
#include "PairedRatios.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <optional>

namespace {

constexpr int Sections = 100;
constexpr int KeysPerSection = 1500;
constexpr int Rounds = 7;

} // namespace

int main() {
    QTemporaryDir scratch(QDir::tempPath() + QStringLiteral("/bench-ini-XXXXXX"));
    if (!scratch.isValid())
        return 1;
    const QString path = scratch.path() + QStringLiteral("/BIG.INI");
    QStringList sectionNames;
    std::vector<QStringList> keyNames(Sections);
    {
        tamvik::IniFile ini;
        for (int s = 0; s < Sections; ++s) {
            sectionNames << QStringLiteral("RESPONSE%1").arg(s);
            for (int k = 0; k < KeysPerSection; ++k) {
                keyNames[s] << QStringLiteral("ANSWER%1").arg(k);
                ini.WriteString(sectionNames.last(), keyNames[s].last(),
                                QStringLiteral("%1,%2,2,1,0.5,1.25,3").arg(k).arg(s));
            }
        }
        if (!ini.SaveToFile(path))
            return 1;
    }
    const qint64 bytes = QFileInfo(path).size();

    tamvik::IniFile loaded;
    if (!loaded.LoadFromFile(path))
        return 1;
    const auto none = [] {};
    long long found = 0;
    std::optional<tamvik::IniFile> fresh;
    const bench::Pairs pairs = bench::AbbaRounds(
        Rounds, none,
        [&] {
            for (int s = 0; s < Sections; ++s) {
                for (const QString& key : keyNames[s])
                    found += loaded.ReadString(sectionNames[s], key, QString()).size();
            }
            return found > 0;
        },
        [&] { fresh.reset(); }, // the previous document is freed outside the timing
        [&] { return fresh.emplace().LoadFromFile(path); });
    std::printf("INI of %.1f MB, %d keys in %d sections\n", bytes / 1e6, Sections * KeysPerSection, Sections);
    bench::Print("read every key by name", "load", pairs, 3.0);
    return 0;
}
