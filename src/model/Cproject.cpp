#include "Cproject.h"

#include "WorkFolder.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <stdexcept>

namespace {

QString Counter(int i) {
    return QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0'));
}

QString Entry(const char* stem) {
    return QLatin1String(stem) + QStringLiteral(".INI");
}

// Orders numbered entries by their number (SCH10000 after SCH9999); names whose middle is
// not a number follow, by upper-cased name.
struct NumberedName {
    QString name;
    QString digits; // without leading zeros; empty for zero
    bool numeric = false;

    bool operator<(const NumberedName& o) const {
        if (numeric != o.numeric)
            return numeric;
        if (numeric && digits.size() != o.digits.size())
            return digits.size() < o.digits.size();
        if (numeric && digits != o.digits)
            return digits < o.digits;
        return name.toUpper() < o.name.toUpper();
    }
};

template <typename T> T* At(std::vector<std::unique_ptr<T>>& list, int index, const char* message) {
    if (index < 0 || index >= static_cast<int>(list.size()))
        throw std::runtime_error(message);
    return list[static_cast<size_t>(index)].get();
}

template <typename T> bool EraseAt(std::vector<std::unique_ptr<T>>& list, int index) {
    if (index < 0 || index >= static_cast<int>(list.size()))
        return false;
    list.erase(list.begin() + index);
    return true;
}

// An entry named like the lock file would replace the lock of a living work folder.
bool HoldsLockFileEntry(CTmvFile& archive, const QString& path) {
    std::vector<TMVARCHIVEFILEINFO> entries;
    if (!archive.ReadDirectory(path, entries))
        return false; // Unpack reports the bad archive
    return std::any_of(entries.begin(), entries.end(), [](const TMVARCHIVEFILEINFO& e) {
        return CTmvFile::EntryName(e).compare(workfolder::LockFileName, Qt::CaseInsensitive) == 0;
    });
}

} // namespace

CProject::CProject() : random(std::random_device{}()) {
    tempPath = workfolder::TempBasePath();
    if (tempPath.isEmpty())
        throw std::runtime_error("cannot get temporaly path!");
}

CProject::~CProject() {
    DeleteWorkFiles(QStringLiteral("*"), true);
    workfolder::UnlockFolder(workLockFd, workFolder, true);
}

CSchedule* CProject::GetSchedule(int index) {
    return At(schedules, index, "Invalid index for schedule!!");
}

CResponse* CProject::GetResponse(int index) {
    return At(responses, index, "Invalid index for response!!");
}

CQuestionnaireResults* CProject::GetQuestionnaireResults(int index) {
    return At(questionnaireResults, index, "Invalid index for questionnaire response!!");
}

void CProject::SetMethod(int method) {
    if (method < 0 || method > 4)
        throw std::runtime_error("invalid method!!");
    general.SetMethod(method);
    experimentParameter.SetMethod(method);
}

bool CProject::CopySchedule(const CSchedule* source, int index, CSchedule* dest) {
    if (!source)
        return false;
    if (!dest) {
        if (index < 0 || index >= GetScheduleCount())
            return false;
        dest = schedules[static_cast<size_t>(index)].get();
    }
    dest->SetTrialCount(source->GetTrialCount());
    dest->SetStimulusCount(source->GetStimulusCount());
    dest->comment = source->comment;
    dest->name = source->name;
    if (source != dest)
        dest->trials = source->trials;
    return true;
}

CSchedule* CProject::AddSchedule(const CSchedule* source) {
    schedules.push_back(std::make_unique<CSchedule>());
    CSchedule* added = schedules.back().get();
    if (source)
        CopySchedule(source, -1, added);
    return added;
}

bool CProject::DeleteSchedule(int index) {
    return EraseAt(schedules, index);
}

CResponse* CProject::AddResponse() {
    responses.push_back(std::make_unique<CResponse>());
    return responses.back().get();
}

bool CProject::DeleteResponse(int index) {
    return EraseAt(responses, index);
}

CQuestionnaireResults* CProject::AddQuestionnaireResults() {
    questionnaireResults.push_back(std::make_unique<CQuestionnaireResults>());
    return questionnaireResults.back().get();
}

bool CProject::DeleteQuestionnaireResults(int index) {
    return EraseAt(questionnaireResults, index);
}

void CProject::ClearParts() {
    general.Clear();
    terminalInfo.Clear();
    stimuli.Clear();
    ClearSchedules();
    ClearExperimentParameter();
    ClearResponses();
    questionnaire.Clear();
    ClearQuestionnaireResults();
}

bool CProject::New() {
    if (!CreateWorkFolder())
        return false;
    fileName.clear();
    loadedFileName.clear();
    decimalSeparator = QLatin1Char('.');
    listSeparator = QLatin1Char(',');
    ClearParts();
    return true;
}

bool CProject::Open() {
    // Everything is read into a second project first, so that a bad archive or entry
    // leaves this one as it was; its destructor removes whichever work folder is left.
    CProject fresh;
    bool loaded = false;
    errorText.clear();
    try {
        if (!fresh.CreateWorkFolder())
            Fail(fresh.tempPath, QStringLiteral("no work folder can be made there"));
        else if (HoldsLockFileEntry(fresh, fileName))
            Fail(fileName, QStringLiteral("the archive holds the lock file of a work folder"));
        else if (!fresh.Unpack(fileName, fresh.workFolder))
            errorText = fresh.ErrorText();
        else
            loaded = true;
        if (loaded) {
            fresh.LoadGeneral();
            fresh.LoadTerminalInfo();
            fresh.LoadStimuli();
            fresh.LoadSchedules();
            fresh.LoadExperimentParameter();
            fresh.LoadResponses();
            fresh.LoadInstruction();
            fresh.LoadQuestionnaire();
            fresh.LoadQuestionnaireResults();
        }
    } catch (...) {
        fileName = loadedFileName;
        throw;
    }
    if (!loaded) {
        fileName = loadedFileName;
        return false;
    }
    SwapContents(fresh);
    loadedFileName = fileName;
    return true;
}

void CProject::SwapContents(CProject& other) {
    std::swap(workFolder, other.workFolder);
    std::swap(workLockFd, other.workLockFd);
    std::swap(general, other.general);
    std::swap(terminalInfo, other.terminalInfo);
    std::swap(stimuli, other.stimuli);
    std::swap(schedules, other.schedules);
    std::swap(experimentParameter, other.experimentParameter);
    std::swap(responses, other.responses);
    std::swap(instruction, other.instruction);
    std::swap(questionnaire, other.questionnaire);
    std::swap(questionnaireResults, other.questionnaireResults);
}

bool CProject::Save() {
    errorText.clear();
    if (workFolder.isEmpty())
        return Fail(fileName, QStringLiteral("the project has no work folder"));
    // Entries are rewritten in place; those of items deleted since the last save (and any
    // other INI or TXT file) go afterwards. The stimulus copies stay.
    savedEntries.clear();
    SaveGeneral();
    SaveTerminalInfo();
    SaveStimuli();
    SaveSchedules();
    SaveExperimentParameter();
    SaveResponses();
    SaveInstruction();
    SaveQuestionnaire();
    SaveQuestionnaireResults();
    workfolder::DeleteFiles(workFolder, QStringLiteral("INI"), savedEntries);
    workfolder::DeleteFiles(workFolder, QStringLiteral("TXT"), savedEntries);
    SetExtensions({QStringLiteral("INI"), QStringLiteral("WAV"), QStringLiteral("TXT")});
    // Pack names the file and the cause.
    if (!Pack(workFolder, fileName, false))
        return false;
    loadedFileName = fileName;
    return true;
}

bool CProject::Close() {
    if (workFolder.isEmpty())
        return false;
    DeleteWorkFiles(QStringLiteral("*"), true);
    ClearParts();
    return true;
}

QStringList CProject::NumberedEntries(const QString& prefix) const {
    std::vector<NumberedName> found;
    const QStringList files =
        QDir(workFolder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
    for (const QString& name : files) {
        if (!name.startsWith(prefix, Qt::CaseInsensitive) ||
            !name.endsWith(QStringLiteral(".INI"), Qt::CaseInsensitive) || name.size() < prefix.size() + 4)
            continue;
        NumberedName n{name, name.mid(prefix.size(), name.size() - prefix.size() - 4), false};
        n.numeric = !n.digits.isEmpty() && std::all_of(n.digits.begin(), n.digits.end(),
                                                       [](QChar c) { return c >= u'0' && c <= u'9'; });
        if (n.numeric) {
            qsizetype zeros = 0;
            while (zeros < n.digits.size() && n.digits[zeros] == u'0')
                ++zeros;
            n.digits.remove(0, zeros);
        }
        found.push_back(std::move(n));
    }
    std::sort(found.begin(), found.end());
    QStringList names;
    for (const NumberedName& n : found)
        names.append(n.name);
    return names;
}

QString CProject::ExistingEntryPath(const QString& name) const {
    const QString exact = EntryPath(name);
    if (QFileInfo::exists(exact))
        return exact;
    const QStringList files =
        QDir(workFolder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
    for (const QString& file : files) {
        if (file.compare(name, Qt::CaseInsensitive) == 0)
            return EntryPath(file);
    }
    return exact;
}

QString CProject::SavedEntryPath(const QString& name) {
    savedEntries.insert(name);
    return EntryPath(name);
}

void CProject::LoadGeneral() {
    general.Load(ExistingEntryPath(Entry("GENERAL")));
    SetMethod(general.GetMethod()); // the method EXP.INI is read with
}

void CProject::LoadTerminalInfo() {
    terminalInfo.Load(ExistingEntryPath(Entry("TERM")));
}

void CProject::LoadStimuli() {
    stimuli.Load(ExistingEntryPath(Entry("STIMULI")));
}

void CProject::LoadSchedules() {
    ClearSchedules();
    for (const QString& name : NumberedEntries(QStringLiteral("SCH")))
        AddSchedule(nullptr)->Load(EntryPath(name));
}

void CProject::LoadExperimentParameter() {
    experimentParameter.Load(ExistingEntryPath(Entry("EXP")), false);
}

void CProject::LoadResponses() {
    ClearResponses();
    for (const QString& name : NumberedEntries(QStringLiteral("RSP"))) {
        if (!AddResponse()->Load(EntryPath(name)))
            DeleteResponse(GetResponseCount() - 1);
    }
}

void CProject::LoadInstruction() {
    instruction.Load(ExistingEntryPath(QStringLiteral("INST.TXT")));
}

void CProject::LoadQuestionnaire() {
    questionnaire.Load(ExistingEntryPath(Entry("QSL")));
}

void CProject::LoadQuestionnaireResults() {
    ClearQuestionnaireResults();
    for (const QString& name : NumberedEntries(QStringLiteral("QSR")))
        AddQuestionnaireResults()->Load(EntryPath(name));
}

void CProject::SaveGeneral() {
    general.Save(SavedEntryPath(Entry("GENERAL")), true);
}

void CProject::SaveTerminalInfo() {
    terminalInfo.Save(SavedEntryPath(Entry("TERM")), true);
}

void CProject::SaveStimuli() {
    stimuli.Save(SavedEntryPath(Entry("STIMULI")), true);
}

void CProject::SaveSchedules() {
    for (int i = 0; i < GetScheduleCount(); ++i)
        schedules[static_cast<size_t>(i)]->Save(SavedEntryPath(QStringLiteral("SCH%1.INI").arg(Counter(i))),
                                                true);
}

void CProject::SaveExperimentParameter() {
    if (experimentParameter.GetMethod() == -1)
        return; // nothing is written without a method, so an EXP.INI left over goes
    experimentParameter.Save(SavedEntryPath(Entry("EXP")), true);
}

void CProject::SaveResponses() {
    for (int i = 0; i < GetResponseCount(); ++i)
        responses[static_cast<size_t>(i)]->Save(SavedEntryPath(QStringLiteral("RSP%1.INI").arg(Counter(i))));
}

void CProject::SaveInstruction() {
    instruction.Save(SavedEntryPath(QStringLiteral("INST.TXT")));
}

void CProject::SaveQuestionnaire() {
    questionnaire.Save(SavedEntryPath(Entry("QSL")), true);
}

void CProject::SaveQuestionnaireResults() {
    for (int i = 0; i < GetQuestionnaireResultsCount(); ++i)
        questionnaireResults[static_cast<size_t>(i)]->Save(
            SavedEntryPath(QStringLiteral("QSR%1.INI").arg(Counter(i))), true);
}
