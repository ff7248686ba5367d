#pragma once

#include "Crsp.h"
#include "ResultFormat.h"
#include "TextTable.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

// Stored results built in a test: trials, terminals with sub-ID texts and their answers.
namespace results_fixture {

// The two ID numbers that hold a sub-ID text of up to 8 characters (one byte each).
inline std::pair<std::int32_t, std::int32_t> PackSubId(const QString& text) {
    std::uint32_t halves[2] = {0, 0};
    for (int i = 0; i < text.size() && i < 8; ++i)
        halves[i / 4] |= static_cast<std::uint32_t>(text[i].unicode() & 0xFF) << (8 * (i % 4));
    return {static_cast<std::int32_t>(halves[0]), static_cast<std::int32_t>(halves[1])};
}

inline CTrial Trial(std::vector<int> stimuli, double startWait = 0.0, double interval = 1.0,
                    double responseWait = 3.0, int repeats = 1, int correct = -1) {
    CTrial trial;
    trial.stimuli = std::move(stimuli);
    trial.intervals.assign(trial.stimuli.empty() ? 0 : trial.stimuli.size() - 1, interval);
    trial.startWait = startWait;
    trial.responseWait = responseWait;
    trial.repeatCount = repeats;
    trial.correctAnswer = correct;
    return trial;
}

inline CTrial CorrectTrial(int correct) {
    return Trial({1}, 0.0, 1.0, 3.0, 1, correct);
}

struct Subject {
    QString id;
    std::vector<QString> answers;
};

inline void Fill(CResponse& response, int method, std::vector<CTrial> trials,
                 const std::vector<Subject>& subjects) {
    response.experimentParameter.SetMethod(method);
    response.schedule.stimulusCount = trials.empty() ? 0 : static_cast<int>(trials.front().stimuli.size());
    response.schedule.trials = std::move(trials);
    for (const Subject& s : subjects) {
        CTerminalResponse terminal;
        std::tie(terminal.id, terminal.id2) = PackSubId(s.id);
        terminal.answers = s.answers;
        response.terminalResponses.push_back(terminal);
    }
}

inline std::unique_ptr<CResponse> Response(int method, std::vector<CTrial> trials,
                                           const std::vector<Subject>& subjects) {
    auto response = std::make_unique<CResponse>();
    Fill(*response, method, std::move(trials), subjects);
    return response;
}

// English texts, a comma list and a point; sub-ID texts.
inline ResultFormat EnglishFormat() {
    ResultFormat format;
    format.texts = [](const QString& key) {
        return TextTable::Instance().Text(QStringLiteral("TfrmResult"), key, TextTable::Language::English);
    };
    return format;
}

} // namespace results_fixture
