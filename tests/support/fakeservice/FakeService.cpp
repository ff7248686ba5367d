#include "FakeService.h"

#include <algorithm>
#include <arpa/inet.h>
#include <fstream>
#include <httplib.h>
#include <netinet/in.h>
#include <stdexcept>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

namespace fake {

namespace {

const std::string kOk = "API_RESULT=0,API_MESSAGE=";

std::map<std::string, std::string> ParseCookies(const std::string& header) {
    std::map<std::string, std::string> cookies;
    size_t start = 0;
    while (start < header.size()) {
        size_t end = header.find(';', start);
        if (end == std::string::npos)
            end = header.size();
        std::string item = header.substr(start, end - start);
        item.erase(0, item.find_first_not_of(' '));
        if (const size_t eq = item.find('='); eq != std::string::npos)
            cookies[item.substr(0, eq)] = item.substr(eq + 1);
        else if (!item.empty())
            cookies[item] = std::string();
        start = end + 1;
    }
    return cookies;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::string FakeRequest::Field(const std::string& name) const {
    for (const auto& [k, v] : fields)
        if (k == name)
            return v;
    return {};
}

bool FakeRequest::HasField(const std::string& name) const {
    return std::any_of(fields.begin(), fields.end(), [&](const auto& f) { return f.first == name; });
}

std::vector<std::string> FakeRequest::FieldNames() const {
    std::vector<std::string> names;
    for (const auto& f : fields)
        names.push_back(f.first);
    return names;
}

std::string FakeRequest::Header(const std::string& name) const {
    for (const auto& [k, v] : headers)
        if (strcasecmp(k.c_str(), name.c_str()) == 0)
            return v;
    return {};
}

FakeReply FakeReply::Text(std::string body) {
    FakeReply r;
    r.body = std::move(body);
    return r;
}

FakeReply FakeReply::Status(int status, std::string body) {
    FakeReply r;
    r.status = status;
    r.body = std::move(body);
    return r;
}

FakeReply FakeReply::Delayed(std::chrono::milliseconds delay, std::string body) {
    FakeReply r;
    r.delay = delay;
    r.body = std::move(body);
    return r;
}

FakeReply FakeReply::Redirect(std::string location, int status) {
    FakeReply r;
    r.status = status;
    r.location = std::move(location);
    return r;
}

FakeReply FakeReply::File(std::string path) {
    FakeReply r;
    r.bodyFile = std::move(path);
    r.contentType = "application/octet-stream";
    return r;
}

FakeReply FakeReply::Trickle(std::string body, std::chrono::milliseconds every) {
    FakeReply r;
    r.body = std::move(body);
    r.chunkDelay = every;
    r.chunkSize = 1;
    return r;
}

std::string FakeService::PercentDecode(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int hi = HexValue(text[i + 1]);
            const int lo = HexValue(text[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out.push_back(static_cast<char>(hi * 16 + lo));
                i += 2;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

std::vector<std::pair<std::string, std::string>> FakeService::ParseFormBody(const std::string& body) {
    std::vector<std::pair<std::string, std::string>> fields;
    if (body.empty())
        return fields;
    size_t start = 0;
    while (start <= body.size()) {
        size_t end = body.find('&', start);
        if (end == std::string::npos)
            end = body.size();
        const std::string item = body.substr(start, end - start);
        const size_t eq = item.find('=');
        if (eq == std::string::npos)
            fields.emplace_back(PercentDecode(item), std::string());
        else
            fields.emplace_back(PercentDecode(item.substr(0, eq)), PercentDecode(item.substr(eq + 1)));
        start = end + 1;
    }
    return fields;
}

FakeReply FakeService::DefaultReply(const std::string& operation, bool& known) {
    static const std::map<std::string, std::string> defaults = {
        // login: full rights
        {"userAuth", "API_RESULT=0,API_MESSAGE=,USER_AUTH=0"},
        // the project is known to the service
        {"getTmvInfo", "API_RESULT=0,API_MESSAGE=E00030,TMV_SEQ=1"},
        // test run
        {"startTest", "API_RESULT=0,API_MESSAGE=,EXEC_SEQ=1"},
        {"prepareTest", kOk},
        {"enforcementTest", kOk},
        {"endTest", kOk},
        {"returnTestResult", ""}, // no answerer yet
        {"saveTestResult", kOk},
        // online library: empty lists, accepted updates
        {"searchCategoryList", ""},
        {"updateCategoryList", ""},
        {"searchScenarioList", ""},
        {"getProjectInfo", ""},
        {"deleteProjectInfo", kOk},
        {"getMasterInfo", ""},
        {"getTmvTitleInfo", ""},
        {"setProjectInfo", kOk},
    };
    const auto it = defaults.find(operation);
    known = it != defaults.end();
    return known ? FakeReply::Text(it->second) : FakeReply::Status(404, "unknown operation");
}

FakeService::FakeService() : FakeService(0) {}

FakeService::FakeService(int port) : m_server(std::make_unique<httplib::Server>()) {
    Start(port);
}

FakeService::FakeService(const std::string& certFile, const std::string& keyFile)
    : m_server(std::make_unique<httplib::SSLServer>(certFile.c_str(), keyFile.c_str())), m_tls(true) {
    if (!static_cast<httplib::SSLServer&>(*m_server).is_valid())
        throw std::runtime_error("fake service: cannot load " + certFile + " and " + keyFile);
    Start();
}

void FakeService::Start(int port) {
    auto handle = [this](const httplib::Request& req, httplib::Response& res,
                         std::vector<FakeRequest::Part> parts) {
        FakeRequest r;
        r.arrival = Clock::now();
        r.path = req.path;
        r.method = req.method;
        r.remotePort = req.remote_port;
        const size_t slash = req.path.find_last_of('/');
        r.operation = slash == std::string::npos ? req.path : req.path.substr(slash + 1);
        r.rawBody = req.body;
        for (const auto& [k, v] : req.headers)
            r.headers.emplace_back(k, v);
        r.cookies = ParseCookies(req.get_header_value("Cookie"));
        if (req.is_multipart_form_data()) {
            for (const auto& part : parts)
                r.fields.emplace_back(part.name, part.content);
            r.parts = std::move(parts);
        } else {
            r.fields = ParseFormBody(req.body);
        }
        {
            std::lock_guard lock(m_mutex);
            m_requests.push_back(r);
        }
        m_changed.notify_all();

        const FakeReply reply = Answer(r);
        if (reply.delay.count() > 0) {
            std::unique_lock lock(m_mutex);
            m_changed.wait_for(lock, reply.delay, [this] { return m_stopping; });
        }
        res.status = reply.status;
        for (const auto& cookie : reply.setCookies)
            res.set_header("Set-Cookie", cookie);
        if (!reply.location.empty())
            res.set_header("Location", reply.location);
        if (reply.bodyFile.empty() && reply.truncateAt == std::string::npos &&
            reply.chunkDelay.count() == 0) {
            res.set_content(reply.body, reply.contentType.c_str());
            return;
        }
        // Streamed: from the file or the body, in pieces, maybe cut or slowed down.
        auto file = std::make_shared<std::ifstream>();
        size_t length = reply.body.size();
        if (!reply.bodyFile.empty()) {
            file->open(reply.bodyFile, std::ios::binary);
            file->seekg(0, std::ios::end);
            length = file->good() ? static_cast<size_t>(file->tellg()) : 0;
        }
        res.set_content_provider(
            length, reply.contentType,
            [this, reply, file](size_t offset, size_t wanted, httplib::DataSink& sink) {
                if (offset >= reply.truncateAt)
                    return false; // the connection drops before the announced end
                if (offset > 0 && reply.chunkDelay.count() > 0) {
                    std::unique_lock lock(m_mutex);
                    if (m_changed.wait_for(lock, reply.chunkDelay, [this] { return m_stopping; }))
                        return false;
                }
                size_t n = std::min<size_t>(wanted, std::max<size_t>(reply.chunkSize, 1));
                if (reply.truncateAt != std::string::npos)
                    n = std::min(n, reply.truncateAt - offset);
                std::string piece(n, '\0');
                if (!reply.bodyFile.empty()) {
                    file->seekg(static_cast<std::streamoff>(offset));
                    file->read(piece.data(), static_cast<std::streamsize>(n));
                    if (file->gcount() != static_cast<std::streamsize>(n))
                        return false;
                } else {
                    piece = reply.body.substr(offset, n);
                }
                return sink.write(piece.data(), piece.size());
            });
    };
    // Bodies are read through a content reader: the library refuses form bodies above 8 KiB
    // on its ordinary path, and a test run of 200 trials registers more than that.
    m_server->Post(R"(.*)", [this, handle](const httplib::Request& req, httplib::Response& res,
                                           const httplib::ContentReader& reader) {
        httplib::Request whole = req;
        std::vector<FakeRequest::Part> parts;
        if (req.is_multipart_form_data()) {
            size_t limit = 0;
            {
                std::lock_guard lock(m_mutex);
                limit = m_partLimit;
            }
            reader(
                [&parts](const httplib::MultipartFormData& part) {
                    parts.push_back({part.name, part.filename, part.content_type, std::string(), 0});
                    return true;
                },
                [&parts, limit](const char* data, size_t length) {
                    FakeRequest::Part& part = parts.back();
                    part.size += length;
                    if (part.content.size() < limit)
                        part.content.append(data, std::min(length, limit - part.content.size()));
                    return true;
                });
        } else {
            reader([&whole](const char* data, size_t length) {
                whole.body.append(data, length);
                return true;
            });
        }
        handle(whole, res, std::move(parts));
    }); // also the absolute form a proxy receives
    m_server->Get(R"(.*)",
                  [handle](const httplib::Request& req, httplib::Response& res) { handle(req, res, {}); });
    if (port > 0)
        m_port = m_server->bind_to_port("127.0.0.1", port) ? port : -1;
    else
        m_port = m_server->bind_to_any_port("127.0.0.1");
    if (m_port <= 0)
        throw std::runtime_error("fake service: cannot bind " +
                                 (port > 0 ? "port " + std::to_string(port) : std::string("a port")) +
                                 " on 127.0.0.1");
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    // Bound already, so clients can connect; this only waits for the accept loop.
    for (int i = 0; i < 5000 && !m_server->is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

FakeService::~FakeService() {
    Stop();
}

std::string FakeService::BaseUrl() const {
    return (m_tls ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(m_port) + "/";
}

std::string FakeService::OperationUrl(const std::string& operation) const {
    return BaseUrl() + "W0001/" + operation;
}

void FakeService::SetReply(const std::string& operation, FakeReply reply) {
    std::lock_guard lock(m_mutex);
    m_scripts[operation].reply = std::make_unique<FakeReply>(std::move(reply));
}

void FakeService::SetHandler(const std::string& operation, FakeHandler handler) {
    std::lock_guard lock(m_mutex);
    m_scripts[operation].handler = std::move(handler);
}

void FakeService::QueueReply(const std::string& operation, FakeReply reply) {
    std::lock_guard lock(m_mutex);
    m_scripts[operation].queue.push_back(std::move(reply));
}

void FakeService::ResetOperation(const std::string& operation) {
    std::lock_guard lock(m_mutex);
    m_scripts.erase(operation);
}

FakeReply FakeService::Answer(const FakeRequest& request) {
    FakeHandler handler;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_scripts.find(request.operation);
        if (it != m_scripts.end()) {
            Script& s = it->second;
            if (!s.queue.empty()) {
                FakeReply r = std::move(s.queue.front());
                s.queue.erase(s.queue.begin());
                return r;
            }
            if (s.handler)
                handler = s.handler;
            else if (s.reply)
                return *s.reply;
        }
    }
    if (handler) // outside the lock: a handler may look at the recorded requests
        return handler(request);
    bool known = false;
    return DefaultReply(request.operation, known);
}

std::vector<FakeRequest> FakeService::Requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

std::vector<FakeRequest> FakeService::Requests(const std::string& operation) const {
    std::lock_guard lock(m_mutex);
    std::vector<FakeRequest> out;
    for (const auto& r : m_requests)
        if (r.operation == operation)
            out.push_back(r);
    return out;
}

size_t FakeService::Count(const std::string& operation) const {
    std::lock_guard lock(m_mutex);
    return std::count_if(m_requests.begin(), m_requests.end(),
                         [&](const FakeRequest& r) { return r.operation == operation; });
}

FakeRequest FakeService::Last(const std::string& operation) const {
    std::lock_guard lock(m_mutex);
    for (auto it = m_requests.rbegin(); it != m_requests.rend(); ++it)
        if (it->operation == operation)
            return *it;
    throw std::out_of_range("fake service: no request of " + operation);
}

bool FakeService::WaitFor(const std::string& operation, size_t n, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] {
        return static_cast<size_t>(
                   std::count_if(m_requests.begin(), m_requests.end(),
                                 [&](const FakeRequest& r) { return r.operation == operation; })) >= n;
    });
}

void FakeService::SetPartLimit(size_t bytes) {
    std::lock_guard lock(m_mutex);
    m_partLimit = bytes;
}

void FakeService::ClearRequests() {
    std::lock_guard lock(m_mutex);
    m_requests.clear();
}

void FakeService::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_server)
        m_server->stop();
    if (m_thread.joinable())
        m_thread.join();
}

int FakeService::RefusingPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    // Bound but never listening: connections to the port are refused while it stays
    // closed; the kernel is unlikely to hand the same port out again at once.
    ::close(fd);
    return port;
}

} // namespace fake
