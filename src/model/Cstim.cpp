#include "Cstim.h"

#include "IniFile.h"
#include "NumberFormat.h"

#include <algorithm>
#include <stdexcept>

namespace {

const QString KeyFileName = QStringLiteral("FILENAME");
const QString KeyOrgFileName = QStringLiteral("ORGFILENAME");
const QString KeyOrgCreate = QStringLiteral("ORGCREATE");
const QString KeyOrgUpdate = QStringLiteral("ORGUPDATE");
const QString KeyComments = QStringLiteral("COMMENTS");

} // namespace

void CStimulus::Clear() {
    fileName.clear();
    orgFileName.clear();
    comment.clear();
    orgCreateDate = 0;
    orgUpdateDate = 0;
}

void CStimuli::SetCount(int n) {
    if (n < 0)
        throw std::runtime_error("Invalid size!!");
    m_stimuli.resize(static_cast<size_t>(n));
}

bool CStimuli::Insert(int index) {
    if (index < 0 || index >= GetCount())
        return false;
    m_stimuli.insert(m_stimuli.begin() + index, CStimulus());
    return true;
}

bool CStimuli::Delete(int index) {
    if (index < 0 || index >= GetCount())
        return false;
    m_stimuli.erase(m_stimuli.begin() + index);
    return true;
}

bool CStimuli::Clear() {
    m_stimuli.clear();
    return true;
}

void CStimuli::Load(const QString& path) {
    Clear();
    tamvik::IniFile ini;
    if (ReadEntryFile(path, ini))
        Load(ini);
}

void CStimuli::Load(const tamvik::IniFile& ini) {
    Clear();
    std::vector<QString> items;
    SplitList(ini.ReadString(Section, KeyFileName, QString()), items, false);
    if (items.empty())
        return;
    // The list length comes from the file; never let it ask for more than we can number.
    SetCount(static_cast<int>(std::min<size_t>(items.size(), MaxLoadCount)));
    const size_t count = m_stimuli.size();
    for (size_t i = 0; i < count; ++i)
        m_stimuli[i].fileName = items[i];

    // Source paths are escaped like comments so that a ',' in a path cannot shift the lists.
    SplitList(ini.ReadString(Section, KeyOrgFileName, QString()), items, true);
    for (size_t i = 0; i < std::min(count, items.size()); ++i)
        m_stimuli[i].orgFileName = items[i];

    auto readDates = [&](const QString& key, double CStimulus::*member) {
        SplitList(ini.ReadString(Section, key, QString()), items, false);
        for (size_t i = 0; i < std::min(count, items.size()); ++i) {
            double value = 0;
            if (!tamvik::ParseReal(items[i], value))
                value = 0;
            m_stimuli[i].*member = value;
        }
    };
    readDates(KeyOrgCreate, &CStimulus::orgCreateDate);
    readDates(KeyOrgUpdate, &CStimulus::orgUpdateDate);

    SplitList(ini.ReadString(Section, KeyComments, QString()), items, true);
    for (size_t i = 0; i < std::min(count, items.size()); ++i)
        m_stimuli[i].comment = items[i];
}

void CStimuli::Save(tamvik::IniFile& ini) const {
    std::vector<QString> items;
    items.reserve(m_stimuli.size());
    QString value;
    auto writeTexts = [&](const QString& key, auto field, bool escape) {
        items.clear();
        for (const CStimulus& s : m_stimuli)
            items.push_back(field(s));
        JoinList(items, value, escape);
        ini.WriteString(Section, key, value);
    };
    writeTexts(
        KeyFileName, [](const CStimulus& s) { return s.fileName; }, false);
    writeTexts(
        KeyOrgFileName, [](const CStimulus& s) { return s.orgFileName; }, true);
    writeTexts(
        KeyOrgCreate, [](const CStimulus& s) { return tamvik::FormatReal(s.orgCreateDate); }, false);
    writeTexts(
        KeyOrgUpdate, [](const CStimulus& s) { return tamvik::FormatReal(s.orgUpdateDate); }, false);
    writeTexts(
        KeyComments, [](const CStimulus& s) { return s.comment; }, true);
}

void CStimuli::Save(const QString& path, bool replace) const {
    WriteEntryFile(path, replace, [this](tamvik::IniFile& ini) { Save(ini); });
}
