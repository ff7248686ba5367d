#pragma once

#include "RunRecord.h"

#include <QString>
#include <vector>

// The library's side of project archives: what a project asks of its subjects, and the
// archive handed out with the project's saved runs inside it as stored responses.
namespace fake {

// The method of the project archive at path and what its answers look like; false when
// the archive cannot be read.
bool ReadAnswerStyle(const QString& path, AnswerStyle& style);

// Writes to out the archive at path with each run that it does not hold yet added as a
// stored response (a run counts as held when a response of the same date and terminal
// count is there, as after a download that was uploaded again). Each response keeps
// snapshots of the project's terminals, stimuli and parameters and of the schedule the run
// played. False, with the cause in error, when the archive cannot be read or written.
bool WriteArchiveWithRuns(const QString& path, const std::vector<SavedRun>& runs, const QString& out,
                          QString& error);

} // namespace fake
