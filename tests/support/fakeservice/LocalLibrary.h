#pragma once

#include "FakeService.h"
#include "RunRecord.h"

#include <QByteArray>
#include <QString>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace fake {

// The online project library of the stand-in service, kept for the service's lifetime:
// categories (two to start with), content tags, uploaded projects with their information,
// and the saved runs of each project. A download hands out the uploaded archive with the
// project's saved runs added as stored responses, so upload, download and
// synchronisation round-trip and the results come back with their project.
//
// Projects are known by their file name, as the upload dialog matches them: getTmvInfo
// gives every named project a sequence number (PROJECT_SEQ of its test runs), so runs of a
// project saved before its first upload come back with it once it is uploaded.
//
// Installs the handlers of getTmvInfo, getTmvTitleInfo, searchCategoryList,
// updateCategoryList, searchScenarioList, getMasterInfo, getProjectInfo, setProjectInfo
// and deleteProjectInfo on the service, which must outlive it. Archives are kept in
// folder (created when missing).
class LocalLibrary {
public:
    LocalLibrary(FakeService& service, const QString& folder);
    LocalLibrary(const LocalLibrary&) = delete;
    LocalLibrary& operator=(const LocalLibrary&) = delete;

    // How subjects answer the project: read from its uploaded archive, else from the file
    // the program named on this machine; a training style when neither can be read.
    AnswerStyle StyleOf(int projectSeq);
    // Keeps a saved run with its project; a later save of the same run replaces it.
    void Keep(SavedRun run);

    size_t SavedRunCount() const;

private:
    struct Category {
        int seq = 0;
        std::string name;
        std::string level;
    };
    struct Project {
        int seq = 0;
        std::string fileName;  // without folders: the key
        std::string localPath; // where the program keeps it, when it said so
        bool uploaded = false;
        std::string title;
        int categorySeq = 0;
        std::string tag;
        int version = 0; // changes with each upload and saved run
        int mergedVersion = -1;
        QByteArray merged; // the archive as downloads hand it out
    };
    using Records = std::vector<std::map<std::string, std::string>>;

    FakeReply GetTmvInfo(const FakeRequest& request);
    FakeReply GetTmvTitleInfo(const FakeRequest& request);
    FakeReply SearchCategoryList(const FakeRequest& request);
    FakeReply UpdateCategoryList(const FakeRequest& request);
    FakeReply GetMasterInfo(const FakeRequest& request);
    FakeReply GetProjectInfo(const FakeRequest& request);
    FakeReply SetProjectInfo(const FakeRequest& request);
    FakeReply DeleteProjectInfo(const FakeRequest& request);

    // Under the lock.
    Project* FindProject(int seq);
    Project* FindByName(const std::string& fileName);
    const Category* FindCategory(int seq) const;
    Project& Register(const std::string& fileName);
    std::string CategoryList(const std::string& name, const std::string& level) const;
    std::string ProjectList(const FakeRequest& request);
    bool Merge(Project& project, QString& error);
    QString ArchivePath(int seq) const;

    const QString m_folder;
    mutable std::mutex m_mutex;
    std::vector<Category> m_categories;
    std::vector<std::pair<std::string, std::string>> m_tags; // id, name
    std::vector<Project> m_projects;
    std::vector<SavedRun> m_runs;
    int m_nextCategory = 1;
    int m_nextProject = 1;
};

} // namespace fake
