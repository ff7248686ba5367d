#include "LocalLibrary.h"

#include "Ctmvfile.h"
#include "ResultArchive.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cstdlib>

namespace fake {

namespace {

const char* const kOk = "API_RESULT=0,API_MESSAGE=";

int Number(const std::string& text) {
    return std::atoi(text.c_str());
}

// Nothing in a reply is escaped: what would split it goes.
std::string Clean(std::string value) {
    for (char& c : value)
        if (c == ',' || c == '=' || c == '\r' || c == '\n')
            c = ' ';
    return value;
}

std::string Record(std::initializer_list<std::pair<const char*, std::string>> fields) {
    std::string line;
    for (const auto& [key, value] : fields)
        line += (line.empty() ? "" : ",") + std::string(key) + "=" + Clean(value);
    return line + "\n";
}

// The program sends '<' for '+' in project names and titles.
std::string Unplus(std::string text) {
    std::replace(text.begin(), text.end(), '<', '+');
    return text;
}

std::string FileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Unescape(std::string text) {
    for (size_t at = 0; (at = text.find("&=", at)) != std::string::npos; ++at)
        text.erase(at, 1);
    return text;
}

// tempParameter.ini: a [Parameter] section whose values may hold line breaks, so a line
// continues the value before it unless it starts with one of the file's keys.
std::map<std::string, std::string> ParseParameters(std::string text) {
    static const char* const keys[] = {"USER_ID",       "USER_PWD",
                                       "OP_KBN",        "TMV_SEQ",
                                       "PROJECT_TITLE", "CATEGORY_SEQ",
                                       "CATEGORY_NAME", "PROJECT_NAME",
                                       "TEACHING_TEXT", "BUTTON_NUM",
                                       "TMV_SIZE",      "BUTTON_CAP_LIST",
                                       "TAG1_ID",       "STIMFILE_FORCE_UPDATE_FLG"};
    if (text.rfind("\xEF\xBB\xBF", 0) == 0)
        text.erase(0, 3);
    std::map<std::string, std::string> values;
    std::string* current = nullptr;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        start = end + 1;
        const auto key = std::find_if(std::begin(keys), std::end(keys), [&line](const char* k) {
            return line.rfind(std::string(k) + "=", 0) == 0;
        });
        if (key != std::end(keys)) {
            current = &values[*key];
            *current = line.substr(std::string(*key).size() + 1);
        } else if (current && line != "[Parameter]") {
            *current += "\n" + line;
        }
    }
    for (auto& [key, value] : values)
        while (!value.empty() && value.back() == '\n')
            value.pop_back();
    return values;
}

bool Contains(const std::string& text, const std::string& part) {
    return part.empty() || text.find(part) != std::string::npos;
}

// Writes bytes beside path and takes them only when they are a project archive.
bool StoreArchive(const std::string& bytes, const QString& path) {
    const QString part = path + QStringLiteral(".part");
    bool stored = false;
    {
        QFile out(part);
        stored = out.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                 out.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size());
    }
    std::vector<TMVARCHIVEFILEINFO> entries;
    CTmvFile reader;
    stored = stored && reader.ReadDirectory(part, entries);
    if (stored) {
        QFile::remove(path);
        stored = QFile::rename(part, path);
    }
    if (!stored)
        QFile::remove(part);
    return stored;
}

} // namespace

LocalLibrary::LocalLibrary(FakeService& service, const QString& folder) : m_folder(folder) {
    QDir().mkpath(m_folder);
    m_categories = {{1, "Listening", "1"}, {2, "Pitch", "2"}};
    m_nextCategory = 3;
    m_tags = {{"1", "Tones"}, {"2", "Voices"}};
    const auto bind = [this, &service](const char* operation,
                                       FakeReply (LocalLibrary::*handler)(const FakeRequest&)) {
        service.SetHandler(operation, [this, handler](const FakeRequest& r) { return (this->*handler)(r); });
    };
    bind("getTmvInfo", &LocalLibrary::GetTmvInfo);
    bind("getTmvTitleInfo", &LocalLibrary::GetTmvTitleInfo);
    bind("searchCategoryList", &LocalLibrary::SearchCategoryList);
    bind("updateCategoryList", &LocalLibrary::UpdateCategoryList);
    bind("getMasterInfo", &LocalLibrary::GetMasterInfo);
    bind("getProjectInfo", &LocalLibrary::GetProjectInfo);
    bind("setProjectInfo", &LocalLibrary::SetProjectInfo);
    bind("deleteProjectInfo", &LocalLibrary::DeleteProjectInfo);
    service.SetReply("searchScenarioList", FakeReply::Text("")); // no curriculum scenarios
}

QString LocalLibrary::ArchivePath(int seq) const {
    return m_folder + QStringLiteral("/project%1.tmv").arg(seq);
}

LocalLibrary::Project* LocalLibrary::FindProject(int seq) {
    const auto it =
        std::find_if(m_projects.begin(), m_projects.end(), [seq](const Project& p) { return p.seq == seq; });
    return it == m_projects.end() ? nullptr : &*it;
}

LocalLibrary::Project* LocalLibrary::FindByName(const std::string& fileName) {
    const auto it = std::find_if(m_projects.begin(), m_projects.end(),
                                 [&fileName](const Project& p) { return p.fileName == fileName; });
    return it == m_projects.end() ? nullptr : &*it;
}

const LocalLibrary::Category* LocalLibrary::FindCategory(int seq) const {
    const auto it = std::find_if(m_categories.begin(), m_categories.end(),
                                 [seq](const Category& c) { return c.seq == seq; });
    return it == m_categories.end() ? nullptr : &*it;
}

LocalLibrary::Project& LocalLibrary::Register(const std::string& fileName) {
    if (Project* known = FindByName(fileName))
        return *known;
    Project p;
    p.seq = m_nextProject++;
    p.fileName = fileName;
    m_projects.push_back(std::move(p));
    return m_projects.back();
}

AnswerStyle LocalLibrary::StyleOf(int projectSeq) {
    QString path;
    {
        std::lock_guard lock(m_mutex);
        if (Project* p = FindProject(projectSeq))
            path = p->uploaded ? ArchivePath(p->seq) : QString::fromStdString(p->localPath);
    }
    AnswerStyle style;
    if (!path.isEmpty() && ReadAnswerStyle(path, style))
        return style;
    return AnswerStyle{};
}

void LocalLibrary::Keep(SavedRun run) {
    std::lock_guard lock(m_mutex);
    if (Project* p = FindProject(run.projectSeq))
        ++p->version;
    const auto same = std::find_if(m_runs.begin(), m_runs.end(),
                                   [&run](const SavedRun& r) { return r.runSeq == run.runSeq; });
    if (same != m_runs.end())
        *same = std::move(run);
    else
        m_runs.push_back(std::move(run));
}

size_t LocalLibrary::SavedRunCount() const {
    std::lock_guard lock(m_mutex);
    return m_runs.size();
}

FakeReply LocalLibrary::GetTmvInfo(const FakeRequest& request) {
    const std::string path = Unplus(request.Field("TMV_NAME"));
    const std::string name = FileNameOf(path);
    // A project without a file cannot have runs handed back: the service does not know it.
    if (name.empty())
        return FakeReply::Text(kOk);
    std::lock_guard lock(m_mutex);
    Project& p = Register(name);
    if (name != path)
        p.localPath = path;
    return FakeReply::Text(std::string(p.uploaded ? "API_RESULT=1" : "API_RESULT=0") +
                           ",API_MESSAGE=E00030,TMV_SEQ=" + std::to_string(p.seq));
}

FakeReply LocalLibrary::GetTmvTitleInfo(const FakeRequest& request) {
    const std::string name = FileNameOf(Unplus(request.Field("TMV_NAME")));
    const std::string title = Unplus(request.Field("TMV_TITLE"));
    std::lock_guard lock(m_mutex);
    std::string body;
    for (const Project& p : m_projects)
        if (p.uploaded && (p.fileName == name || p.title == title))
            body += Record({{"TMV_NAME", p.fileName},
                            {"CATEGORY_SEQ", std::to_string(p.categorySeq)},
                            {"TAG1_ID", p.tag},
                            {"API_RESULT", "1"},
                            {"API_MESSAGE", "E00030"}});
    return FakeReply::Text(body);
}

std::string LocalLibrary::CategoryList(const std::string& name, const std::string& level) const {
    std::string body;
    for (const Category& c : m_categories) {
        if (!Contains(c.name, name) || (!level.empty() && c.level != level))
            continue;
        const auto projects = std::count_if(m_projects.begin(), m_projects.end(), [&c](const Project& p) {
            return p.uploaded && p.categorySeq == c.seq;
        });
        body += Record({{"CATEGORY_NAME", c.name},
                        {"CTGR_LEVEL", c.level},
                        {"TMV_NUM", std::to_string(projects)},
                        {"USER_NUM", "0"},
                        {"CATEGORY_SEQ", std::to_string(c.seq)}});
    }
    return body;
}

FakeReply LocalLibrary::SearchCategoryList(const FakeRequest& request) {
    std::lock_guard lock(m_mutex);
    return FakeReply::Text(CategoryList(request.Field("CATEGORY_NAME"), request.Field("CTGR_LEVEL")));
}

FakeReply LocalLibrary::UpdateCategoryList(const FakeRequest& request) {
    const std::string list = request.Field("LIST_CATEGORY");
    std::lock_guard lock(m_mutex);
    size_t start = 0;
    while (start < list.size()) {
        size_t end = list.find(';', start);
        if (end == std::string::npos)
            end = list.size();
        std::map<std::string, std::string> entry;
        const std::string text = list.substr(start, end - start);
        for (size_t at = 0; at <= text.size();) {
            size_t comma = text.find(',', at);
            if (comma == std::string::npos)
                comma = text.size();
            const std::string field = text.substr(at, comma - at);
            if (const size_t eq = field.find('='); eq != std::string::npos)
                entry[field.substr(0, eq)] = field.substr(eq + 1);
            at = comma + 1;
        }
        start = end + 1;
        const int seq = Number(entry["CATEGORY_SEQ"]);
        const auto category = std::find_if(m_categories.begin(), m_categories.end(),
                                           [seq](const Category& c) { return c.seq == seq; });
        const std::string op = entry["OP_KBN"];
        if (op == "1") {
            m_categories.push_back({m_nextCategory++, entry["CATEGORY_NAME"], entry["CTGR_LEVEL"]});
        } else if (op == "2" && category != m_categories.end()) {
            category->name = entry["CATEGORY_NAME"];
            category->level = entry["CTGR_LEVEL"];
        } else if (op == "3" && category != m_categories.end() &&
                   std::none_of(m_projects.begin(), m_projects.end(),
                                [seq](const Project& p) { return p.uploaded && p.categorySeq == seq; })) {
            m_categories.erase(category);
        }
    }
    return FakeReply::Text(CategoryList({}, {}));
}

FakeReply LocalLibrary::GetMasterInfo(const FakeRequest&) {
    std::string body;
    for (const auto& [id, name] : m_tags)
        body += Record({{"TAG_DETAIL_ID", id}, {"TAG_NAME_JP", name}});
    return FakeReply::Text(body);
}

bool LocalLibrary::Merge(Project& project, QString& error) {
    if (project.mergedVersion == project.version)
        return true;
    std::vector<SavedRun> runs;
    for (const SavedRun& run : m_runs)
        if (run.projectSeq == project.seq)
            runs.push_back(run);
    const QString out = m_folder + QStringLiteral("/download%1.tmv").arg(project.seq);
    if (!WriteArchiveWithRuns(ArchivePath(project.seq), runs, out, error))
        return false;
    QFile file(out);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read ") + out;
        return false;
    }
    project.merged = file.readAll();
    project.mergedVersion = project.version;
    return true;
}

std::string LocalLibrary::ProjectList(const FakeRequest& request) {
    const int categorySeq = Number(request.Field("CATEGORY_SEQ"));
    const std::string level = request.Field("DIFFICULTY");
    const std::string title = request.Field("PROJECT_TITLE");
    const std::string categoryName = request.Field("CATEGORY_NAME");
    std::string body;
    for (Project& p : m_projects) {
        const Category* c = FindCategory(p.categorySeq);
        if (!p.uploaded || (categorySeq != 0 && p.categorySeq != categorySeq) ||
            (!level.empty() && (!c || c->level != level)) || !Contains(p.title, title) ||
            (!categoryName.empty() && (!c || c->name != categoryName)))
            continue;
        QString error;
        if (!Merge(p, error)) {
            std::fprintf(stderr, "tamvik-fakeservice: %s\n", qPrintable(error));
            continue;
        }
        const auto tag =
            std::find_if(m_tags.begin(), m_tags.end(), [&p](const auto& t) { return t.first == p.tag; });
        body += Record({{"PROJECT_TITLE", p.title},
                        {"DIFFICULTY", c ? c->level : std::string()},
                        {"CATEGORY_NAME", c ? c->name : std::string()},
                        {"CONTENT", tag != m_tags.end() ? tag->second : std::string()},
                        {"PROJECT_NAME", p.fileName},
                        {"PROJECT_SEQ", std::to_string(p.seq)},
                        {"TMV_SIZE", std::to_string(p.merged.size())}});
    }
    return body;
}

FakeReply LocalLibrary::GetProjectInfo(const FakeRequest& request) {
    std::lock_guard lock(m_mutex);
    if (request.Field("OP_KBN") != "2")
        return FakeReply::Text(ProjectList(request));
    Project* p = FindProject(Number(request.Field("PROJECT_SEQ")));
    if (!p || !p->uploaded)
        return FakeReply::Status(404, "no such project");
    QString error;
    if (!Merge(*p, error))
        return FakeReply::Status(500, error.toStdString());
    FakeReply reply;
    reply.body.assign(p->merged.constData(), size_t(p->merged.size()));
    reply.contentType = "application/octet-stream";
    return reply;
}

FakeReply LocalLibrary::SetProjectInfo(const FakeRequest& request) {
    const FakeRequest::Part* file = nullptr;
    const FakeRequest::Part* info = nullptr;
    for (const auto& part : request.parts) {
        if (part.name == "PROJECT_FILE")
            file = &part;
        else if (part.name == "PROJECT_INFO")
            info = &part;
    }
    if (!file || !info)
        return FakeReply::Text("API_RESULT=1,API_MESSAGE=E00001");
    auto values = ParseParameters(info->content);
    const std::string name = FileNameOf(Unescape(values["PROJECT_NAME"]));
    if (name.empty())
        return FakeReply::Text("API_RESULT=1,API_MESSAGE=E00001");

    std::lock_guard lock(m_mutex);
    Project* p = values["OP_KBN"] == "2" ? FindProject(Number(values["TMV_SEQ"])) : nullptr;
    if (!p)
        p = &Register(name);
    if (!StoreArchive(file->content, ArchivePath(p->seq)))
        return FakeReply::Text("API_RESULT=1,API_MESSAGE=E00001");
    p->uploaded = true;
    p->title = Unescape(values["PROJECT_TITLE"]);
    p->categorySeq = Number(values["CATEGORY_SEQ"]);
    p->tag = values["TAG1_ID"];
    ++p->version;
    return FakeReply::Text(kOk);
}

FakeReply LocalLibrary::DeleteProjectInfo(const FakeRequest& request) {
    const std::string seqs = request.Field("PROJECT_SEQ");
    std::lock_guard lock(m_mutex);
    size_t start = 0;
    while (start < seqs.size()) {
        size_t end = seqs.find(',', start);
        if (end == std::string::npos)
            end = seqs.size();
        const int seq = Number(seqs.substr(start, end - start));
        start = end + 1;
        if (Project* p = FindProject(seq); p && p->uploaded) {
            QFile::remove(ArchivePath(seq));
            QFile::remove(m_folder + QStringLiteral("/download%1.tmv").arg(seq));
            m_runs.erase(std::remove_if(m_runs.begin(), m_runs.end(),
                                        [seq](const SavedRun& r) { return r.projectSeq == seq; }),
                         m_runs.end());
            m_projects.erase(m_projects.begin() + (p - m_projects.data()));
        }
    }
    return FakeReply::Text(ProjectList(request));
}

} // namespace fake
