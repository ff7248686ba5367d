#pragma once

#include "CTamvikProjectBase.h"
#include "Cquest.h"

#include <QString>
#include <cstdint>
#include <vector>

// One respondent's row of a questionnaire-results set: the packed sub-ID and the answers,
// answer k belonging to term k of the set's questionnaire copy.
class CQuestionnaireResult {
public:
    std::int32_t id = -1;  // -1: no respondent id
    std::int32_t id2 = -1; // -1: not stored
    std::vector<QString> answers;

    bool operator==(const CQuestionnaireResult&) const = default;
};

// One stored set of questionnaire answers (entry QSRnnnn.INI) with the copy of the
// questionnaire that was answered, so the answers stay readable after the project's
// questionnaire is edited. Owned by the project; made only by reading its entries.
class CQuestionnaireResults : public CTamvikProjectBase {
public:
    static inline const QString Section = QStringLiteral("QUESTIONNAIRE RESULT");

    CQuestionnaireResults() = default;
    ~CQuestionnaireResults() override = default;

    int GetResultCount() const { return static_cast<int>(results.size()); }
    // Null when index is out of range.
    CQuestionnaireResult* GetResult(int index);
    const CQuestionnaireResult* GetResult(int index) const;
    CQuestionnaire* GetQuestionnaire() { return &questionnaire; }
    const CQuestionnaire* GetQuestionnaire() const { return &questionnaire; }
    bool DeleteResult(int index);
    // Removes the rows only; comment, time and the copy stay.
    bool ClearResults();

    // Never fails: a missing file leaves the set without rows and otherwise as it was.
    void Load(const QString& path);
    // Throws std::runtime_error when the file cannot be written.
    void Save(const QString& path, bool replace) const;
    // The same on an INI document held by the caller.
    void Load(const tamvik::IniFile& ini);
    void Save(tamvik::IniFile& ini) const;

    bool operator==(const CQuestionnaireResults& other) const {
        return comment == other.comment && time == other.time && results == other.results &&
               questionnaire == other.questionnaire;
    }

    QString comment;
    double time = 0.0;

private:
    std::vector<CQuestionnaireResult> results;
    CQuestionnaire questionnaire;
};
