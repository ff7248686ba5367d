#pragma once

#include "Cproject.h"
#include "ResultFixtures.h"

#include <QDir>
#include <QString>
#include <QTemporaryDir>

// A category project of 100 results of 200 trials answered by 30 subjects each, saved at
// path; the trials repeat every 50, so the totals have keys shared across results.
inline bool SaveLargeResultProject(const QString& path, int results = 100, int trials = 200,
                                   int subjects = 30) {
    CProject project;
    if (!project.New())
        return false;
    project.SetMethod(3);
    project.GetGeneral()->title = QStringLiteral("bench");
    for (int i = 0; i < results; ++i) {
        std::vector<CTrial> schedule;
        for (int t = 0; t < trials; ++t)
            schedule.push_back(results_fixture::Trial({t % 50 + 1, (t + i) % 7 + 1}));
        std::vector<results_fixture::Subject> answerers;
        for (int s = 0; s < subjects; ++s) {
            std::vector<QString> answers;
            for (int t = 0; t < trials; ++t)
                answers.push_back(QString::number((s + t + i) % 5 + 1));
            answerers.push_back({QStringLiteral("S%1").arg(s), answers});
        }
        results_fixture::Fill(*project.AddResponse(), 3, std::move(schedule), answerers);
    }
    project.SetFileName(path);
    return project.Save();
}

// The project saved in a scratch folder that also takes the work folders; "" on failure.
inline QString SaveLargeResultProjectIn(const QTemporaryDir& scratch) {
    if (!scratch.isValid())
        return QString();
    qputenv("TMPDIR", scratch.path().toUtf8());
    const QString path = scratch.path() + QStringLiteral("/results.tmv");
    return SaveLargeResultProject(path) ? path : QString();
}
