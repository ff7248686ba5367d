#include "Csch.h"

#include "IniFile.h"
#include "NumberFormat.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace {

const QString KeyName = QStringLiteral("NAME");
const QString KeyComment = QStringLiteral("COMMENT");
const QString KeyStimuli = QStringLiteral("STIMULI");
const QString KeyRepeats = QStringLiteral("REPEATS");
const QString KeyStartWaits = QStringLiteral("STARTWAITS");
const QString KeyResponseWaits = QStringLiteral("RESPONSEWAITS");
const QString KeyIntervals = QStringLiteral("INTERVALS");
const QString KeyCorrects = QStringLiteral("CORRECTS");
const QString TrialDelimiter = QStringLiteral("|");

constexpr double NewInterval = 1.0;

int ParseIntOr(const QString& text, int def) {
    int value = def;
    return tamvik::ParseInt(text, value) ? value : def;
}

double ParseRealOr(const QString& text, double def) {
    double value = def;
    return tamvik::ParseReal(text, value) ? value : def;
}

} // namespace

void CTrial::Clear() {
    repeatCount = 1;
    startWait = 0.0;
    stimuli.clear();
    intervals.clear();
    responseWait = 3.0;
    correctAnswer = -1;
}

bool CTrial::SetStimulusCount(int n) {
    if (n < 0)
        return false;
    if (n == 0) {
        Clear();
        return true;
    }
    stimuli.resize(static_cast<size_t>(n), 0);
    // A trial cut to one position keeps its pauses, so growing it again brings them back.
    if (n <= 1)
        return true;
    intervals.resize(static_cast<size_t>(n - 1), NewInterval);
    return true;
}

bool CTrial::InsertStimulus(int position) {
    if (position < 0 || position >= static_cast<int>(stimuli.size()))
        return false;
    stimuli.insert(stimuli.begin() + position, 0);
    if (stimuli.size() > 1) {
        // The pause before the new stimulus keeps its value; the new one is followed by 1 s.
        const size_t at = std::min(static_cast<size_t>(position), intervals.size());
        intervals.insert(intervals.begin() + static_cast<std::ptrdiff_t>(at), NewInterval);
    }
    return true;
}

bool CTrial::DeleteStimulus(int position) {
    if (position < 0 || position >= static_cast<int>(stimuli.size()))
        return false;
    stimuli.erase(stimuli.begin() + position);
    if (stimuli.size() > 1) {
        const size_t at = position > 0 ? static_cast<size_t>(position - 1) : 0;
        if (at < intervals.size())
            intervals.erase(intervals.begin() + static_cast<std::ptrdiff_t>(at));
    }
    return true;
}

CTrial CSchedule::NewTrial() const {
    CTrial trial;
    trial.SetStimulusCount(stimulusCount);
    return trial;
}

void CSchedule::SetTrialCount(int n) {
    if (n < 0)
        throw std::runtime_error("Invalid size!!");
    if (n == 0) {
        Clear();
        return;
    }
    trials.resize(static_cast<size_t>(n), NewTrial());
}

void CSchedule::SetStimulusCount(int n) {
    if (n < 0)
        throw std::runtime_error("Invalid size!!");
    for (CTrial& trial : trials)
        trial.SetStimulusCount(n);
    stimulusCount = n;
}

void CSchedule::Clear() {
    trials.clear();
    stimulusCount = 0;
}

bool CSchedule::InsertTrial(int index) {
    if (index < 0 || index >= GetTrialCount())
        return false;
    trials.insert(trials.begin() + index, NewTrial());
    return true;
}

bool CSchedule::DeleteTrial(int index) {
    if (index < 0 || index >= GetTrialCount())
        return false;
    trials.erase(trials.begin() + index);
    return true;
}

bool CSchedule::InsertStimulus(int position) {
    if (position < 0 || position >= stimulusCount)
        return false;
    for (CTrial& trial : trials)
        trial.InsertStimulus(position);
    ++stimulusCount;
    return true;
}

bool CSchedule::DeleteStimulus(int position) {
    if (position < 0 || position >= stimulusCount)
        return false;
    for (CTrial& trial : trials)
        trial.DeleteStimulus(position);
    --stimulusCount;
    return true;
}

bool CSchedule::TrialRange(int first, int last, int& end) const {
    const int count = GetTrialCount();
    if (count == 0)
        return false;
    end = last == -1 ? count : last + 1;
    return first >= 0 && first < count && end >= 0 && end <= count && first < end;
}

std::mt19937& CSchedule::ShuffleGenerator() {
    static std::mt19937 generator{std::random_device{}()};
    return generator;
}

bool CSchedule::ShuffleTrials(int first, int last) {
    return ShuffleTrials(first, last, ShuffleGenerator());
}

bool CSchedule::ShuffleTrials(int first, int last, std::mt19937& generator) {
    int end = 0;
    if (!TrialRange(first, last, end))
        return false;
    // Draws of 15 bits, widened by further draws until they cover the range (a trial list
    // longer than 0x7FFF would otherwise never move its later trials to the front).
    auto draw = [&generator]() { return static_cast<std::uint32_t>(generator() >> 17); };
    const int m = end - first;
    for (int k = 1; k < m; ++k) {
        std::uint32_t r = draw();
        std::uint32_t largest = 0x7FFF;
        while (largest < static_cast<std::uint32_t>(k + 1) && largest != 0xFFFFFFFFu) {
            r = (r << 15) | draw();
            largest = (largest << 15) | 0x7FFF;
        }
        const int j = static_cast<int>(r % static_cast<std::uint32_t>(k + 1));
        if (j != k)
            std::swap(trials[static_cast<size_t>(first + k)], trials[static_cast<size_t>(first + j)]);
    }
    return true;
}

bool CSchedule::SwapStimuli(int position1, int position2, int firstTrial, int lastTrial) {
    int end = 0;
    if (!TrialRange(firstTrial, lastTrial, end))
        return false;
    if (position1 < 0 || position1 >= stimulusCount || position2 < 0 || position2 >= stimulusCount ||
        position1 >= position2)
        return false;
    for (int i = firstTrial; i < end; ++i) {
        std::vector<int>& stimuli = trials[static_cast<size_t>(i)].stimuli;
        if (position2 < static_cast<int>(stimuli.size()))
            std::swap(stimuli[static_cast<size_t>(position1)], stimuli[static_cast<size_t>(position2)]);
    }
    return true;
}

bool CSchedule::SwapTrials(int a, int b) {
    const int count = GetTrialCount();
    if (a < 0 || a >= count || b < 0 || b >= count)
        return false;
    if (a != b)
        std::swap(trials[static_cast<size_t>(a)], trials[static_cast<size_t>(b)]);
    return true;
}

void CSchedule::Load(const QString& path) {
    Clear();
    tamvik::IniFile ini;
    if (ReadEntryFile(path, ini))
        Load(ini);
}

void CSchedule::Load(const tamvik::IniFile& ini) {
    Clear();
    name = ini.ReadString(Section, KeyName, QString());
    comment = ini.ReadString(Section, KeyComment, QString());

    std::vector<QString> trialTexts;
    SplitText(ini.ReadString(Section, KeyStimuli, QString()), trialTexts, TrialDelimiter);
    std::vector<QString> items;
    SplitText(ini.ReadString(Section, KeyRepeats, QString()), items, TrialDelimiter);

    std::vector<int> values;
    if (!trialTexts.empty())
        SplitIntList(trialTexts[0], values, 0);
    size_t trialCount = trialTexts.size();
    // Without positions STIMULI is only separators and cannot count the trials; REPEATS
    // holds one item per trial, so it carries such a schedule through a save and reload.
    if (values.empty())
        trialCount = std::max(trialCount, items.size());
    if (trialCount == 0) {
        name.clear();
        comment.clear();
        return;
    }

    // Sizes come from the file: bound them before they drive the allocation.
    const int positions = static_cast<int>(std::min<size_t>(values.size(), MaxLoadPositions));
    long long trialBound = MaxLoadTrials;
    if (positions > 0)
        trialBound = std::min<long long>(trialBound, MaxLoadCells / positions);
    SetStimulusCount(positions);
    SetTrialCount(static_cast<int>(std::min<long long>(static_cast<long long>(trialCount), trialBound)));
    const size_t count = trials.size();

    for (size_t i = 0; i < std::min(count, trialTexts.size()); ++i) {
        SplitIntList(trialTexts[i], values, 0);
        std::vector<int>& stimuli = trials[i].stimuli;
        std::copy_n(values.begin(), std::min(stimuli.size(), values.size()), stimuli.begin());
    }

    for (size_t i = 0; i < std::min(count, items.size()); ++i)
        trials[i].repeatCount = ParseIntOr(items[i], 1);

    SplitText(ini.ReadString(Section, KeyStartWaits, QString()), items, TrialDelimiter);
    for (size_t i = 0; i < std::min(count, items.size()); ++i)
        trials[i].startWait = ParseRealOr(items[i], 0.0);

    SplitText(ini.ReadString(Section, KeyResponseWaits, QString()), items, TrialDelimiter);
    for (size_t i = 0; i < std::min(count, items.size()); ++i)
        trials[i].responseWait = ParseRealOr(items[i], 3.0);

    SplitText(ini.ReadString(Section, KeyIntervals, QString()), trialTexts, TrialDelimiter);
    const size_t meaningful = positions > 1 ? static_cast<size_t>(positions - 1) : 0;
    for (size_t i = 0; i < std::min(count, trialTexts.size()); ++i) {
        SplitList(trialTexts[i], items, false);
        std::vector<double>& intervals = trials[i].intervals;
        for (size_t j = 0; j < std::min({meaningful, items.size(), intervals.size()}); ++j)
            intervals[j] = ParseRealOr(items[j], NewInterval);
    }

    SplitText(ini.ReadString(Section, KeyCorrects, QString()), items, TrialDelimiter);
    for (size_t i = 0; i < std::min(count, items.size()); ++i)
        trials[i].correctAnswer = ParseIntOr(items[i], -1);
}

void CSchedule::Save(tamvik::IniFile& ini) const {
    const size_t positions = stimulusCount > 0 ? static_cast<size_t>(stimulusCount) : 0;
    const size_t meaningful = positions > 1 ? positions - 1 : 0;
    std::vector<QString> stimuli, repeats, startWaits, responseWaits, intervals, corrects, items;
    std::vector<int> numbers;
    QString text;
    for (const CTrial& trial : trials) {
        // Exactly one item per position, so a trial edited out of step cannot shift the
        // positions of every trial when the first one is read back.
        numbers.assign(positions, 0);
        std::copy_n(trial.stimuli.begin(), std::min(positions, trial.stimuli.size()), numbers.begin());
        JoinIntList(numbers, text);
        stimuli.push_back(text);

        items.assign(meaningful, tamvik::FormatReal(NewInterval));
        for (size_t j = 0; j < std::min(meaningful, trial.intervals.size()); ++j)
            items[j] = tamvik::FormatReal(trial.intervals[j]);
        JoinList(items, text, false);
        intervals.push_back(text);

        repeats.push_back(FormatInteger(trial.repeatCount));
        startWaits.push_back(tamvik::FormatReal(trial.startWait));
        responseWaits.push_back(tamvik::FormatReal(trial.responseWait));
        corrects.push_back(FormatInteger(trial.correctAnswer));
    }
    auto writeJoined = [&](const QString& key, const std::vector<QString>& list) {
        JoinText(list, text, TrialDelimiter);
        ini.WriteString(Section, key, text);
    };
    ini.WriteString(Section, KeyName, name);
    ini.WriteString(Section, KeyComment, comment);
    writeJoined(KeyStimuli, stimuli);
    writeJoined(KeyRepeats, repeats);
    writeJoined(KeyStartWaits, startWaits);
    writeJoined(KeyResponseWaits, responseWaits);
    writeJoined(KeyIntervals, intervals);
    writeJoined(KeyCorrects, corrects);
}

void CSchedule::Save(const QString& path, bool replace) const {
    WriteEntryFile(path, replace, [this](tamvik::IniFile& ini) { Save(ini); });
}
