#include "ResultArchive.h"

#include "Cproject.h"

#include <cmath>
#include <exception>

namespace fake {

namespace {

bool OpenProject(CProject& project, const QString& path, QString& error) {
    project.SetFileName(path);
    try {
        if (project.Open())
            return true;
        error = QStringLiteral("cannot read the project archive ") + path;
    } catch (const std::exception& e) {
        error =
            QStringLiteral("cannot read the project archive %1: %2").arg(path, QString::fromUtf8(e.what()));
    }
    return false;
}

// The sub-ID text as the terminal response stores it: its bytes, least significant first,
// in id and then id2.
void PackSubject(const std::string& subject, std::int32_t& id, std::int32_t& id2) {
    std::uint32_t halves[2] = {0, 0};
    for (size_t i = 0; i < subject.size() && i < 8; ++i)
        halves[i / 4] |= std::uint32_t(static_cast<unsigned char>(subject[i])) << (8 * (i % 4));
    id = static_cast<std::int32_t>(halves[0]);
    id2 = static_cast<std::int32_t>(halves[1]);
}

bool Plays(const CSchedule& schedule, const std::vector<RunTrial>& trials, bool training) {
    if (schedule.GetTrialCount() != int(trials.size()))
        return false;
    for (size_t i = 0; i < trials.size(); ++i) {
        const CTrial& t = schedule.trials[i];
        if (t.stimuli != trials[i].stimuli || (training && t.correctAnswer != trials[i].correct))
            return false;
    }
    return true;
}

// The project's schedule the run played; one built from the run's lists when the project
// no longer holds it (it was changed or shuffled since).
CSchedule ScheduleOfRun(CProject& project, const std::vector<RunTrial>& trials) {
    for (int i = 0; i < project.GetScheduleCount(); ++i)
        if (Plays(*project.GetSchedule(i), trials, project.GetMethod() == 0))
            return *project.GetSchedule(i);
    CSchedule schedule;
    schedule.name = QStringLiteral("Run");
    for (const RunTrial& r : trials) {
        CTrial t;
        t.repeatCount = r.repeat;
        t.startWait = r.startWait;
        t.stimuli = r.stimuli;
        t.intervals = r.intervals;
        t.responseWait = r.limit;
        t.correctAnswer = r.correct;
        schedule.trials.push_back(std::move(t));
    }
    return schedule;
}

bool Holds(CProject& project, const SavedRun& run) {
    for (int i = 0; i < project.GetResponseCount(); ++i) {
        const CResponse* r = project.GetResponse(i);
        // Dates go through the entry as text: equal to well within a second.
        if (std::fabs(r->date - run.date) < 0.5 / 86400.0 &&
            r->terminalResponses.size() == run.subjects.size())
            return true;
    }
    return false;
}

} // namespace

bool ReadAnswerStyle(const QString& path, AnswerStyle& style) {
    CProject project;
    QString error;
    if (!OpenProject(project, path, error))
        return false;
    const CExperimentParameter& p = *project.GetExperimentParameter();
    style = AnswerStyle{};
    style.method = project.GetMethod();
    if (const CExpTraining* t = p.GetTraining())
        style.choices = int(t->buttonLabels.size());
    if (const CExpSD* sd = p.GetSD()) {
        style.scales = int(sd->scales.size());
        style.divisions = sd->divisions;
    }
    if (const CExpCategory* c = style.method == 2 ? p.GetPair() : p.GetCategory())
        style.choices = int(c->buttonLabels.size());
    return true;
}

bool WriteArchiveWithRuns(const QString& path, const std::vector<SavedRun>& runs, const QString& out,
                          QString& error) {
    CProject project;
    if (!OpenProject(project, path, error))
        return false;
    for (const SavedRun& run : runs) {
        if (run.subjects.empty() || Holds(project, run))
            continue;
        CResponse* response = project.AddResponse();
        response->date = run.date;
        response->terminalInfo = *project.GetTerminalInfo();
        response->stimuli = *project.GetStimuli();
        response->schedule = ScheduleOfRun(project, run.trials);
        response->experimentParameter = *project.GetExperimentParameter();
        for (const SubjectAnswers& subject : run.subjects) {
            CTerminalResponse terminal;
            PackSubject(subject.subject, terminal.id, terminal.id2);
            for (const RunTrial& trial : run.trials) {
                const auto answer = subject.byTrial.find(trial.number);
                terminal.answers.push_back(
                    answer == subject.byTrial.end() ? QString() : QString::fromStdString(answer->second));
            }
            response->terminalResponses.push_back(std::move(terminal));
        }
    }
    project.SetFileName(out);
    try {
        if (project.Save())
            return true;
        error = QStringLiteral("cannot write the project archive ") + out;
    } catch (const std::exception& e) {
        error =
            QStringLiteral("cannot write the project archive %1: %2").arg(out, QString::fromUtf8(e.what()));
    }
    return false;
}

} // namespace fake
