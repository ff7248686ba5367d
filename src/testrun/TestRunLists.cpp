#include "TestRunLists.h"

#include "Csch.h"
#include "NumberFormat.h"

#include <QStringList>
#include <cmath>

namespace {

const QString kPause = QStringLiteral("Pause");

// Seconds in thousandths, so that sums such as 0.7 + 0.3 cut to the whole second they are.
bool Thousandths(const QString& text, long long& out) {
    double value = 0.0;
    if (!tamvik::ParseReal(text, value))
        return false;
    out = std::llround(value * 1000.0);
    return true;
}

QString Field(const char* name, const QString& value, bool last = false) {
    return QString::fromLatin1(name) + QLatin1Char('=') + value + QLatin1Char(last ? ';' : ',');
}

// A time cell as the service reads it: a point for the decimal separator.
QString TimeText(const QString& cell, const char* whenPause) {
    const QString text = cell.trimmed();
    if (text == kPause)
        return QString::fromLatin1(whenPause);
    return QString(text).replace(QLatin1Char(','), QLatin1Char('.'));
}

QString SecondsText(double seconds, const char* whenOperator) {
    return seconds == -1.0 ? QString::fromLatin1(whenOperator) : tamvik::FormatReal(seconds);
}

} // namespace

bool WriteTestRunLists(const std::vector<TestRunTrial>& trials, const StimulusDurationText& duration,
                       TestRunLists& out, QString* failedStimulus) {
    QString list = QStringLiteral("TEST_RUN_LIST=");
    QString stimList = QStringLiteral("TEST_RUN_STIM_LIST=");
    if (failedStimulus)
        failedStimulus->clear();
    for (size_t n = 0; n < trials.size(); ++n) {
        const TestRunTrial& trial = trials[n];
        const QString number = QString::number(n + 1);
        list += Field("QUESTION_NUM", number) + Field("QUESTION_STATUS", QStringLiteral("0")) +
                Field("BREAK_DATETIME", {}) + Field("PAUSE_TIME", {}) + Field("FINISH_DATETIME", {}) +
                Field("REPEAT_NUM", trial.repeat) + Field("START_WAIT_TIME", trial.startWait) +
                Field("LIMIT_TIME", trial.limit) + Field("CORRECT_QUES_ID", trial.correct);
        long long total = 0; // thousandths, cut to whole seconds after each position
        for (size_t k = 0; k < trial.stimuli.size(); ++k) {
            const QString d = duration(trial.stimuli[k]);
            const QString i = k < trial.stopTimes.size() ? trial.stopTimes[k] : QStringLiteral("0");
            long long dMs = 0;
            long long iMs = 0;
            if (d.isEmpty() || !Thousandths(d, dMs)) {
                if (failedStimulus)
                    *failedStimulus = trial.stimuli[k];
                return false;
            }
            if (!Thousandths(i, iMs))
                return false;
            total = (total + dMs + iMs) / 1000 * 1000;
            const bool lastPosition = k + 1 == trial.stimuli.size();
            stimList += Field("STIMULUS_ID", trial.stimuli[k]) + Field("QUESTION_NUM", number) +
                        Field("SOUND_NUM", QString::number(k + 1)) + Field("SOUND_LONG", d) +
                        Field("STOP_TIME", lastPosition ? QStringLiteral("0") : i, true);
        }
        list += Field("SHOW_TIME", QString::number(total / 1000), true);
    }
    out.testRunList = list;
    out.testRunStimList = stimList;
    return true;
}

TestRunTrial TestRunTrialFromGridRow(const std::vector<QString>& cells, int positions, bool training,
                                     int storedCorrect) {
    const auto cell = [&cells](int col) {
        return col >= 0 && size_t(col) < cells.size() ? cells[size_t(col)] : QString();
    };
    TestRunTrial trial;
    trial.repeat = cell(1).trimmed();
    trial.startWait = TimeText(cell(2), "1");
    trial.limit = TimeText(cell(2 * positions + 2), "1");
    trial.correct = training ? cell(2 * positions + 3).trimmed() : QString::number(storedCorrect);
    for (int k = 1; k <= positions; ++k) {
        trial.stimuli.push_back(cell(2 * k + 1).trimmed());
        trial.stopTimes.push_back(TimeText(cell(2 * k + 2), "0"));
    }
    return trial;
}

TestRunTrial TestRunTrialFromTrial(const CTrial& source, int positions) {
    TestRunTrial trial;
    trial.repeat = QString::number(source.repeatCount);
    trial.startWait = SecondsText(source.startWait, "1");
    trial.limit = SecondsText(source.responseWait, "1");
    trial.correct = QString::number(source.correctAnswer);
    for (int k = 0; k < positions; ++k) {
        const int stimulus = size_t(k) < source.stimuli.size() ? source.stimuli[size_t(k)] : 0;
        trial.stimuli.push_back(QString::number(stimulus));
        if (k + 1 < positions) {
            const double interval = size_t(k) < source.intervals.size() ? source.intervals[size_t(k)] : 0.0;
            trial.stopTimes.push_back(SecondsText(interval, "0"));
        } else {
            trial.stopTimes.push_back(SecondsText(source.responseWait, "0"));
        }
    }
    return trial;
}

QString DurationText(uint64_t frames, int rate) {
    if (rate <= 0)
        return {};
    const auto hundredths =
        static_cast<long long>(std::floor(static_cast<double>(frames) * 100.0 / rate + 0.5));
    return QStringLiteral("%1.%2").arg(hundredths / 100).arg(hundredths % 100, 2, 10, QLatin1Char('0'));
}
