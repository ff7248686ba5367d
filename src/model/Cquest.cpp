#include "Cquest.h"

#include "DateTime.h"
#include "IniFile.h"
#include "NumberFormat.h"

#include <cmath>
#include <set>
#include <stdexcept>

using tamvik::IniFile;

namespace {

QString TermKey(int index) {
    return QStringLiteral("TERM") + FormatInteger(index);
}

} // namespace

void CQuestionnaireTerm::Clear() {
    itemName.clear();
    question.clear();
    kind = QuestionnaireTermText;
    choices.clear();
}

void CQuestionnaire::SetTermCount(int n) {
    if (n < 0)
        throw std::runtime_error("invalid number!!");
    terms.resize(static_cast<std::size_t>(n));
}

CQuestionnaireTerm* CQuestionnaire::GetTerm(int index) {
    if (index < 0 || index >= GetTermCount())
        return nullptr;
    return &terms[static_cast<std::size_t>(index)];
}

const CQuestionnaireTerm* CQuestionnaire::GetTerm(int index) const {
    return const_cast<CQuestionnaire*>(this)->GetTerm(index);
}

bool CQuestionnaire::DeleteTerm(int index) {
    if (index < 0 || index >= GetTermCount())
        return false;
    terms.erase(terms.begin() + index);
    return true;
}

bool CQuestionnaire::InsertTerm(int index, int kind) {
    if (kind < QuestionnaireTermText || kind > QuestionnaireTermSelection)
        return false;
    CQuestionnaireTerm term;
    term.kind = kind;
    return InsertTermCopy(index, term);
}

bool CQuestionnaire::InsertTermCopy(int index, const CQuestionnaireTerm& term) {
    if (terms.empty() || index < 0 || index > GetTermCount())
        return false;
    terms.insert(terms.begin() + index, term);
    return true;
}

bool CQuestionnaire::Clear() {
    terms.clear();
    name.clear();
    time = tamvik::NowDays();
    return true;
}

void CQuestionnaire::Load(const QString& path) {
    Clear();
    IniFile ini;
    if (ReadEntryFile(path, ini))
        Load(ini);
}

void CQuestionnaire::Load(const IniFile& ini) {
    Clear();
    name = ini.ReadString(Section, QStringLiteral("NAME"), QString());
    time = ReadEntryTime(ini, Section, QStringLiteral("TIME"));
    const int count = ini.ReadInteger(Section, QStringLiteral("NTERMS"), 0);
    for (int i : PresentNumberedKeys(ini, Section, QStringLiteral("TERM"), count)) {
        const QString value = ini.ReadString(Section, TermKey(i), QString());
        if (value.isEmpty())
            continue;
        std::vector<QString> items;
        SplitList(value, items, true);
        CQuestionnaireTerm term;
        if (items.size() > 0)
            term.itemName = items[0];
        if (items.size() > 1)
            term.question = items[1];
        if (items.size() > 2) {
            int kind = QuestionnaireTermText;
            if (tamvik::ParseInt(items[2], kind) && kind >= QuestionnaireTermText &&
                kind <= QuestionnaireTermSelection)
                term.kind = kind;
        }
        if (term.kind == QuestionnaireTermSelection)
            term.choices.assign(items.begin() + 3, items.end());
        terms.push_back(std::move(term));
    }
}

void CQuestionnaire::Save(const QString& path, bool replace) const {
    WriteEntryFile(path, replace, [this](IniFile& ini) { Save(ini); });
}

void CQuestionnaire::Save(IniFile& ini) const {
    ini.WriteString(Section, QStringLiteral("NAME"), name);
    ini.WriteFloat(Section, QStringLiteral("TIME"), time);
    if (terms.empty()) {
        // A count left by an earlier questionnaire in the same file would bring its terms back.
        ini.DeleteKey(Section, QStringLiteral("NTERMS"));
        return;
    }
    ini.WriteInteger(Section, QStringLiteral("NTERMS"), GetTermCount());
    for (int i = 0; i < GetTermCount(); ++i) {
        const CQuestionnaireTerm& term = terms[static_cast<std::size_t>(i)];
        std::vector<QString> items{term.itemName, term.question, FormatInteger(term.kind)};
        if (term.kind == QuestionnaireTermSelection)
            items.insert(items.end(), term.choices.begin(), term.choices.end());
        QString value;
        JoinList(items, value, true);
        ini.WriteString(Section, TermKey(i), value);
    }
}

std::vector<int> PresentNumberedKeys(const IniFile& ini, const QString& section, const QString& prefix,
                                     int count) {
    std::set<int> found; // a key may be spelt twice in different letter case
    if (count <= 0)
        return {};
    for (const QString& key : ini.ReadSection(section)) {
        if (!key.startsWith(prefix, Qt::CaseInsensitive))
            continue;
        const QString digits = key.mid(prefix.size());
        int index = -1;
        // Only the spelling FormatInteger makes names the key ("TERM01" or "TERM+1" does not).
        if (tamvik::ParseInt(digits, index) && index >= 0 && index < count && digits == FormatInteger(index))
            found.insert(index);
    }
    return {found.begin(), found.end()};
}

double ReadEntryTime(const IniFile& ini, const QString& section, const QString& key) {
    const double value = ini.ReadFloat(section, key, 0.0);
    return std::isfinite(value) && value > 0.0 ? value : 0.0;
}
