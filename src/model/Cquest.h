#pragma once

#include "CTamvikProjectBase.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace tamvik {
class IniFile;
}

// How a questionnaire item is answered. Only a selection item keeps choices.
enum QuestionnaireTermKind : std::int32_t {
    QuestionnaireTermText = 0,
    QuestionnaireTermNumber = 1,
    QuestionnaireTermSelection = 2,
};

// One questionnaire item. A plain value: the questionnaire holds its terms by value.
class CQuestionnaireTerm {
public:
    CQuestionnaireTerm() = default;
    CQuestionnaireTerm(const CQuestionnaireTerm&) = default;
    CQuestionnaireTerm& operator=(const CQuestionnaireTerm&) = default;
    virtual ~CQuestionnaireTerm() = default;

    void Clear();

    bool operator==(const CQuestionnaireTerm&) const = default;

    QString itemName;
    QString question;
    std::int32_t kind = QuestionnaireTermText;
    std::vector<QString> choices;
};

// The questionnaire of a project (entry QSL.INI), and the copy that each stored set of
// questionnaire answers keeps. Owned by the project or by that set.
class CQuestionnaire : public CTamvikProjectBase {
public:
    static inline const QString Section = QStringLiteral("QUESTIONNAIRE");

    CQuestionnaire() = default;
    CQuestionnaire(const CQuestionnaire&) = default;
    CQuestionnaire& operator=(const CQuestionnaire&) = default;
    ~CQuestionnaire() override = default;

    int GetTermCount() const { return static_cast<int>(terms.size()); }
    // Throws std::runtime_error "invalid number!!" for n < 0; keeps existing terms, name and time.
    void SetTermCount(int n);
    // Null when index is out of range; valid until the number of terms changes.
    CQuestionnaireTerm* GetTerm(int index);
    const CQuestionnaireTerm* GetTerm(int index) const;
    bool DeleteTerm(int index);
    bool InsertTerm(int index, int kind);
    // Only into a questionnaire that has terms already; index == count appends.
    bool InsertTermCopy(int index, const CQuestionnaireTerm& term);
    // No terms, empty name, time now.
    bool Clear();

    // Never fails: a missing file leaves the cleared questionnaire, bad values their defaults.
    void Load(const QString& path);
    // Replace starts from an empty file, otherwise other sections of an existing file
    // survive. Throws std::runtime_error when the file cannot be written.
    void Save(const QString& path, bool replace) const;
    // The same on an INI document held by the caller (a results set keeps its copy in
    // its own entry).
    void Load(const tamvik::IniFile& ini);
    void Save(tamvik::IniFile& ini) const;

    bool operator==(const CQuestionnaire& other) const {
        return name == other.name && time == other.time && terms == other.terms;
    }

    QString name;
    double time = 0.0;

private:
    std::vector<CQuestionnaireTerm> terms;
};

// The indices of the keys prefix + index (index by FormatInteger, prefix in any letter
// case) that the section holds with 0 <= index < count, ascending. A count read from a
// file may be anything up to 2^31-1; walking every index below it would spin, so only
// the keys that are really there are visited. The result is the same as that walk's.
std::vector<int> PresentNumberedKeys(const tamvik::IniFile& ini, const QString& section,
                                     const QString& prefix, int count);

// A date-time read from an entry: missing, unparsable, non-finite or negative gives 0.0.
double ReadEntryTime(const tamvik::IniFile& ini, const QString& section, const QString& key);
