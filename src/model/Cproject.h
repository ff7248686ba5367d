#pragma once

#include "CQuestionnaireResults.h"
#include "Cexp.h"
#include "Cgen.h"
#include "Cinst.h"
#include "Cquest.h"
#include "Crsp.h"
#include "Csch.h"
#include "Cstim.h"
#include "Cterm.h"
#include "Ctmvfile.h"

#include <QChar>
#include <QSet>
#include <QString>
#include <functional>
#include <memory>
#include <random>
#include <vector>

// The project document: owns every part of a project, its archive path and its work
// folder, where the archive's entries and the stimulus copies lie unpacked while the
// project is open. The main window holds one for the open project; the import dialog and
// the result window make their own.
//
// Work folders are "$TMVdddd" folders under the per-user temporary base
// (QDir::tempPath()/tamvik-<uid>/, 0700). Each holds a lock file while its project lives,
// so that RemoveStaleWorkFolders of another instance leaves it alone.
//
// Misuse throws std::runtime_error with the messages below; Open passes on the project parts'
// exceptions. A failed Open leaves the project exactly as it was.
class CProject : public CTmvFile {
public:
    // Progress of a stimulus copy: bytes copied and the file's size. Returning false
    // cancels the copy, which then leaves nothing behind. A window shows it in a progress
    // box titled CopyProgressTitle.
    using CopyProgress = std::function<bool(qint64 copied, qint64 total)>;
    static inline const QString CopyProgressTitle = QStringLiteral("Update stimulus file...");

    // Throws "cannot get temporaly path!" when no temporary folder can be named.
    CProject();
    ~CProject() override;
    CProject(const CProject&) = delete;
    CProject& operator=(const CProject&) = delete;

    CProjectGeneral* GetGeneral() { return &general; }
    CTerminalInfo* GetTerminalInfo() { return &terminalInfo; }
    CStimuli* GetStimuli() { return &stimuli; }
    CExperimentParameter* GetExperimentParameter() { return &experimentParameter; }
    CInstruction* GetInstruction() { return &instruction; }
    CQuestionnaire* GetQuestionnaire() { return &questionnaire; }

    // Throw "Invalid index for schedule!!", "Invalid index for response!!" and "Invalid
    // index for questionnaire response!!" outside 0 .. count-1.
    CSchedule* GetSchedule(int index);
    CResponse* GetResponse(int index);
    CQuestionnaireResults* GetQuestionnaireResults(int index);
    int GetScheduleCount() const { return static_cast<int>(schedules.size()); }
    int GetResponseCount() const { return static_cast<int>(responses.size()); }
    int GetQuestionnaireResultsCount() const { return static_cast<int>(questionnaireResults.size()); }

    void SetFileName(const QString& path) { fileName = path; }
    QString GetFileName() const { return fileName; }
    // With a final '/', or "" while there is none.
    QString GetWorkFolder() const { return workFolder; }
    // The temporary base that holds the work folders, with a final '/'.
    QString GetTempPath() const { return tempPath; }

    // 0..4 for the general part and the parameters; anything else throws "invalid method!!"
    // and changes nothing.
    void SetMethod(int method);
    int GetMethod() const { return general.GetMethod(); }

    bool CopySchedule(const CSchedule* source, int index, CSchedule* dest);
    CSchedule* AddSchedule(const CSchedule* source);
    bool DeleteSchedule(int index);
    CResponse* AddResponse();
    bool DeleteResponse(int index);
    CQuestionnaireResults* AddQuestionnaireResults();
    bool DeleteQuestionnaireResults(int index);
    void ClearSchedules() { schedules.clear(); }
    void ClearResponses() { responses.clear(); }
    void ClearQuestionnaireResults() { questionnaireResults.clear(); }
    // The parameters lose their method; the general part keeps its own.
    void ClearExperimentParameter() { experimentParameter.SetMethod(-1); }

    // A fresh, untitled, empty project in a new work folder (the instruction text stays).
    // False, nothing changed, when no work folder can be made.
    bool New();
    // Reads the archive named by the file name into a new work folder and fresh parts, and
    // switches to them once everything has loaded. On failure (false, or the project parts'
    // exceptions such as "invalid method!!") the project keeps its parts, work folder and
    // file name; after false, ErrorText names the file and the cause.
    bool Open();
    // Writes every entry into the work folder and packs it into the archive at the file
    // name, replacing it only once complete. False without a work folder, without a file
    // name (the entries are written all the same) or when packing fails, with ErrorText
    // naming the file and the cause; the project parts' write failures pass on as their
    // exceptions.
    bool Save();
    // Deletes the work folder and empties the project parts; file name and instruction stay.
    // False, nothing changed, without a work folder.
    bool Close();

    // Work folder and stimulus files.
    bool CreateWorkFolder();
    // Deletes the work folder's files matching "*." + extension ("*": all of them) and,
    // with removeFolder, the folder itself when it is then empty.
    void DeleteWorkFiles(const QString& extension, bool removeFolder);
    // Removes the "$TMV" folders of the temporary base that no living project holds;
    // folders with a subfolder stay, symbolic links are never followed.
    void RemoveStaleWorkFolders();
    // A free name "STMdddd.WAV" in the work folder, or "" when none was found.
    QString MakeStimulusFileName();
    bool ReadStimulusTimes(int index);
    bool CopyStimulusFile(int index, bool withProgress);
    // Assigns the WAV file at path to slot index and returns the slot's internal name, or
    // empties the slot (its copy deleted) for an empty path. "" when nothing was assigned;
    // a failed assignment leaves the slot and its copy as they were.
    QString SetStimulusFile(int index, const QString& path, bool withProgress);
    bool SetStimulusCount(int n);
    bool CopyStimuliFrom(CProject* other);

    // Shown while a stimulus is copied with progress; none by default.
    void SetCopyProgress(CopyProgress handler) { copyProgress = std::move(handler); }
    // Copies source through a temporary file beside dest that becomes dest only when every
    // byte is there, so a failed or cancelled copy leaves dest as it was and nothing beside
    // it. The kernel copies where it can; user space between file systems. replace false
    // never touches an existing dest (the copy fails instead); durable puts the copy on the
    // disk before it appears, for files the user keeps.
    static bool CopyFileSafely(const QString& source, const QString& dest, bool replace, bool durable,
                               const CopyProgress& progress = {});
    // Tests make the drawn names reproducible.
    void SeedRandom(unsigned seed) { random.seed(seed); }

protected:
    void LoadGeneral();
    void LoadTerminalInfo();
    void LoadStimuli();
    void LoadSchedules();
    void LoadExperimentParameter();
    void LoadResponses();
    void LoadInstruction();
    void LoadQuestionnaire();
    void LoadQuestionnaireResults();
    void SaveGeneral();
    void SaveTerminalInfo();
    void SaveStimuli();
    void SaveSchedules();
    void SaveExperimentParameter();
    void SaveResponses();
    void SaveInstruction();
    void SaveQuestionnaire();
    void SaveQuestionnaireResults();

private:
    // Entry names "SCH" + counter + ".INI" in the order of their numbers.
    QStringList NumberedEntries(const QString& prefix) const;
    QString EntryPath(const QString& name) const { return workFolder + name; }
    // The path an entry writer of Save writes to; the name is kept as written by this save.
    QString SavedEntryPath(const QString& name);
    // The path of a fixed entry to read: archives from other systems may spell the name in
    // any letter case ("Stimuli.ini"). The exact spelling wins; EntryPath when none exists.
    QString ExistingEntryPath(const QString& name) const;
    // The work folder path of a slot's copy; "" when the slot names no plain file name.
    QString StimulusCopyPath(const CStimulus& stimulus) const;
    // Copies source to dest through a temporary file renamed over dest at the end.
    bool CopyFileAtomically(const QString& source, const QString& dest, bool withProgress);
    void ClearParts();
    void SwapContents(CProject& other);
    int Draw() { return static_cast<int>(random() % 10000); }

    QString fileName;
    QString tempPath;
    QString workFolder;
    CProjectGeneral general;
    CTerminalInfo terminalInfo;
    CStimuli stimuli;
    std::vector<std::unique_ptr<CSchedule>> schedules;
    CExperimentParameter experimentParameter;
    std::vector<std::unique_ptr<CResponse>> responses;
    CInstruction instruction;
    CQuestionnaire questionnaire;
    std::vector<std::unique_ptr<CQuestionnaireResults>> questionnaireResults;
    QChar decimalSeparator = QLatin1Char('.');
    QChar listSeparator = QLatin1Char(',');

    // The archive the project parts came from or were last saved to; a failed Open goes back to it.
    QString loadedFileName;
    int workLockFd = -1; // holds the lock of workFolder
    // Entries written by the running Save; the others of the work folder are stale then.
    QSet<QString> savedEntries;
    CopyProgress copyProgress;
    std::mt19937 random;
};
