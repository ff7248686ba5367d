#include "Crsp.h"

#include "IniFile.h"

#include <algorithm>
#include <cmath>

using tamvik::IniFile;

namespace {

const QString kGroupDelimiter = QStringLiteral("|");

} // namespace

void CResponse::Clear() {
    terminalResponses.clear();
    date = 0.0;
    terminalInfo.Load(QString());
    stimuli.Load(QString());
    schedule.Load(QString());
    experimentParameter.Load(QString(), false);
}

bool CResponse::Load(const QString& path) {
    Clear();
    // The snapshots share the file; one parse serves them all.
    IniFile ini;
    if (!ReadEntryFile(path, ini))
        return false;
    terminalInfo.Load(ini);
    stimuli.Load(ini);
    schedule.Load(ini);
    experimentParameter.Load(ini, true);

    date = ini.ReadFloat(Section, QStringLiteral("DATE"), 0.0);
    if (!std::isfinite(date))
        date = 0.0;
    std::vector<int> ids;
    std::vector<int> ids2;
    SplitIntList(ini.ReadString(Section, QStringLiteral("ID"), QString()), ids, 0);
    SplitIntList(ini.ReadString(Section, QStringLiteral("ID2"), QString()), ids2, 0);
    if (ids.empty()) {
        Clear();
        return false;
    }
    // As many terminals as ID values: bounded by the length of the file, not by a count in it.
    terminalResponses.resize(ids.size());
    for (std::size_t i = 0; i < ids.size(); ++i) {
        terminalResponses[i].id = ids[i];
        terminalResponses[i].id2 = i < ids2.size() ? ids2[i] : -1;
    }

    const QString response = ini.ReadString(Section, QStringLiteral("RESPONSE"), QString());
    if (response.isEmpty()) {
        Clear();
        return false;
    }
    std::vector<QString> groups;
    SplitText(response, groups, kGroupDelimiter);
    if (response.endsWith(kGroupDelimiter))
        groups.emplace_back();
    std::vector<QString> items;
    for (const QString& group : groups) {
        SplitList(group, items, true);
        const std::size_t n = std::min(terminalResponses.size(), items.size());
        if (n == 0)
            terminalResponses.front().answers.emplace_back();
        for (std::size_t t = 0; t < n; ++t)
            terminalResponses[t].answers.push_back(items[t]);
    }
    return true;
}

void CResponse::Save(const QString& path) const {
    WriteEntryFile(path, true, [this](IniFile& ini) { Save(ini); });
}

void CResponse::Save(IniFile& ini) const {
    terminalInfo.Save(ini);
    stimuli.Save(ini);
    schedule.Save(ini);
    experimentParameter.Save(ini);

    ini.WriteFloat(Section, QStringLiteral("DATE"), date);
    std::vector<int> ids;
    std::vector<int> ids2;
    std::size_t groupCount = 0;
    for (const CTerminalResponse& r : terminalResponses) {
        ids.push_back(r.id);
        ids2.push_back(r.id2);
        groupCount = std::max(groupCount, r.answers.size());
    }
    QString text;
    JoinIntList(ids, text);
    ini.WriteString(Section, QStringLiteral("ID"), text);
    JoinIntList(ids2, text);
    ini.WriteString(Section, QStringLiteral("ID2"), text);

    // Terminals may hold different numbers of answers (the result viewer edits them): every
    // group gets one item per terminal, empty where a terminal has no answer for it.
    std::vector<QString> groups(groupCount);
    std::vector<QString> items(terminalResponses.size());
    for (std::size_t g = 0; g < groupCount; ++g) {
        for (std::size_t t = 0; t < terminalResponses.size(); ++t) {
            const std::vector<QString>& answers = terminalResponses[t].answers;
            items[t] = g < answers.size() ? answers[g] : QString();
        }
        JoinList(items, groups[g], true);
    }
    JoinText(groups, text, kGroupDelimiter);
    ini.WriteString(Section, QStringLiteral("RESPONSE"), text);
}
