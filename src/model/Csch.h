#pragma once

#include "CTamvikProjectBase.h"

#include <QString>
#include <random>
#include <vector>

namespace tamvik {
class IniFile;
}

// One trial of a schedule. Inside a schedule, stimuli holds exactly the schedule's
// stimulusCount entries and intervals at least stimulusCount - 1 (only those are meaningful;
// a longer list is kept so that a trial that shrinks and grows again gets its pauses back).
// Waits are seconds; -1 waits for the operator.
class CTrial {
public:
    CTrial() = default;
    virtual ~CTrial() = default;
    CTrial(const CTrial&) = default;
    CTrial& operator=(const CTrial&) = default;
    CTrial(CTrial&&) = default;
    CTrial& operator=(CTrial&&) = default;

    void Clear();
    bool SetStimulusCount(int n);
    bool InsertStimulus(int position);
    bool DeleteStimulus(int position);

    bool operator==(const CTrial&) const = default;

    int repeatCount = 1; // -1 repeats until the run is stopped
    double startWait = 0.0;
    std::vector<int> stimuli;      // 1-based stimulus numbers; below 1 names none
    std::vector<double> intervals; // pause after position j before position j+1
    double responseWait = 3.0;
    int correctAnswer = -1; // 1-based answer button, -1 none
};

// A named schedule of trials, stored in one entry SCHnnnn.INI (section [SCHEDULE]). The
// project keeps a list of them; a stored response keeps a copy of the schedule that was run.
// Callers edit name, comment and trial fields directly but change the number of trials and
// positions only through the operations below, which keep every trial's sizes in step.
class CSchedule : public CTamvikProjectBase {
public:
    static inline const QString Section = QStringLiteral("SCHEDULE");
    // Bounds on what a file may make us allocate: trial and position numbers travel as
    // 16-bit values in the sequencer's messages, and trials times positions is capped so a
    // small file of separators cannot ask for billions of cells.
    static constexpr int MaxLoadTrials = 65535;
    static constexpr int MaxLoadPositions = 65535;
    static constexpr long long MaxLoadCells = 4LL * 1024 * 1024;

    int GetTrialCount() const { return static_cast<int>(trials.size()); }
    int GetStimulusCount() const { return stimulusCount; }
    // Both throw std::runtime_error "Invalid size!!" for n < 0 and then change nothing.
    void SetTrialCount(int n);
    void SetStimulusCount(int n);
    void Clear();

    bool InsertTrial(int index);
    bool DeleteTrial(int index);
    bool InsertStimulus(int position);
    bool DeleteStimulus(int position);
    // last / lastTrial = -1 means up to the last trial.
    bool ShuffleTrials(int first, int last);
    bool ShuffleTrials(int first, int last, std::mt19937& generator);
    bool SwapStimuli(int position1, int position2, int firstTrial, int lastTrial);
    bool SwapTrials(int a, int b);

    // The generator ShuffleTrials uses when none is given: one per process, seeded once from
    // std::random_device. Tests may reseed it.
    static std::mt19937& ShuffleGenerator();

    // Reads the entry; a missing file gives an empty schedule that keeps name and comment.
    void Load(const QString& path);
    // Writes the entry; replace starts from an empty file, otherwise other sections of an
    // existing file survive. Throws std::runtime_error when the file cannot be written.
    void Save(const QString& path, bool replace) const;
    // The same on an INI document held by the caller.
    void Load(const tamvik::IniFile& ini);
    void Save(tamvik::IniFile& ini) const;

    bool operator==(const CSchedule& other) const {
        return stimulusCount == other.stimulusCount && name == other.name && comment == other.comment &&
               trials == other.trials;
    }

    int stimulusCount = 0;
    QString name;
    QString comment;
    std::vector<CTrial> trials;

private:
    CTrial NewTrial() const;
    bool TrialRange(int first, int last, int& end) const;
};
