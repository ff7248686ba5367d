#include "CQuestionnaireResults.h"

#include "IniFile.h"
#include "NumberFormat.h"

using tamvik::IniFile;

namespace {

QString ResultKey(int index) {
    return QStringLiteral("RESULT") + FormatInteger(index);
}

// An id item of a row: no integer or a negative one means "none".
std::int32_t ReadId(const QString& item) {
    int value = -1;
    return tamvik::ParseInt(item, value) && value >= 0 ? value : -1;
}

} // namespace

CQuestionnaireResult* CQuestionnaireResults::GetResult(int index) {
    if (index < 0 || index >= GetResultCount())
        return nullptr;
    return &results[static_cast<std::size_t>(index)];
}

const CQuestionnaireResult* CQuestionnaireResults::GetResult(int index) const {
    return const_cast<CQuestionnaireResults*>(this)->GetResult(index);
}

bool CQuestionnaireResults::DeleteResult(int index) {
    if (index < 0 || index >= GetResultCount())
        return false;
    results.erase(results.begin() + index);
    return true;
}

bool CQuestionnaireResults::ClearResults() {
    results.clear();
    return true;
}

void CQuestionnaireResults::Load(const QString& path) {
    ClearResults();
    IniFile ini;
    if (ReadEntryFile(path, ini))
        Load(ini);
}

void CQuestionnaireResults::Load(const IniFile& ini) {
    ClearResults();
    comment = ini.ReadString(Section, QStringLiteral("COMMENT"), QString());
    time = ReadEntryTime(ini, Section, QStringLiteral("TIME"));
    const int count = ini.ReadInteger(Section, QStringLiteral("NRESULTS"), 0);
    // Rows of the older layout have no id2; the copy's term count tells them apart.
    // 64-bit, since NTERMS is whatever the file says.
    const long long termCount = ini.ReadInteger(CQuestionnaire::Section, QStringLiteral("NTERMS"), 0);
    for (int i : PresentNumberedKeys(ini, Section, QStringLiteral("RESULT"), count)) {
        const QString value = ini.ReadString(Section, ResultKey(i), QString());
        if (value.isEmpty())
            continue;
        std::vector<QString> items;
        SplitList(value, items, true);
        CQuestionnaireResult row;
        std::size_t next = 0;
        if (next < items.size())
            row.id = ReadId(items[next++]);
        const bool hasId2 = static_cast<long long>(items.size()) - termCount - 1 > 0;
        if (next < items.size() && hasId2)
            row.id2 = ReadId(items[next++]);
        row.answers.assign(items.begin() + static_cast<std::ptrdiff_t>(next), items.end());
        results.push_back(std::move(row));
    }
    questionnaire.Load(ini);
}

void CQuestionnaireResults::Save(const QString& path, bool replace) const {
    WriteEntryFile(path, replace, [this](IniFile& ini) { Save(ini); });
}

void CQuestionnaireResults::Save(IniFile& ini) const {
    ini.WriteString(Section, QStringLiteral("COMMENT"), comment);
    ini.WriteFloat(Section, QStringLiteral("TIME"), time);
    ini.WriteInteger(Section, QStringLiteral("NRESULTS"), GetResultCount());
    for (int i = 0; i < GetResultCount(); ++i) {
        const CQuestionnaireResult& row = results[static_cast<std::size_t>(i)];
        std::vector<QString> items{FormatInteger(row.id), FormatInteger(row.id2)};
        items.insert(items.end(), row.answers.begin(), row.answers.end());
        // A reader takes a row of no more than NTERMS + 1 items for the older layout without
        // id2, which would turn id2 into the first answer: a row short of answers is filled
        // with empty ones up to the copy's term count, so every answer stays at its item.
        const std::size_t minimum = 2 + static_cast<std::size_t>(questionnaire.GetTermCount());
        if (items.size() < minimum)
            items.resize(minimum);
        QString value;
        JoinList(items, value, true);
        ini.WriteString(Section, ResultKey(i), value);
    }
    // The copy's section follows the results.
    questionnaire.Save(ini);
}
