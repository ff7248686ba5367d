#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace httplib {
class Server;
}

// A stand-in for the answer and library service: a real HTTP server on 127.0.0.1 on a
// port of its own, answering each operation (the last path segment, as in
// ".../W0001/startTest") from a per-test script, and recording every request.
//
// Script, first match wins: replies queued for the operation (one each, in order), then
// the operation's handler, then its fixed reply, then the default of the operation
// (DefaultReply), and 404 for an operation nobody scripted.
namespace fake {

using Clock = std::chrono::steady_clock;

struct FakeRequest {
    std::string operation; // last segment of the path
    std::string path;
    std::string method;
    std::string rawBody; // exactly as received
    // Form fields in the order sent, split at '&' and the first '=', then percent-decoded
    // (a '+' stays a '+'). For a multipart body: each part's name and content.
    std::vector<std::pair<std::string, std::string>> fields;
    // The body parts of a multipart request in the order sent.
    struct Part {
        std::string name;
        std::string fileName;
        std::string contentType;
        std::string content; // up to the service's part limit (SetPartLimit)
        size_t size = 0;     // every byte received
    };
    std::vector<Part> parts;
    std::vector<std::pair<std::string, std::string>> headers;
    std::map<std::string, std::string> cookies;
    Clock::time_point arrival;
    int remotePort = 0; // the client's port: a new one for every new connection

    // The first field of that name; empty when missing.
    std::string Field(const std::string& name) const;
    bool HasField(const std::string& name) const;
    // Field names in order.
    std::vector<std::string> FieldNames() const;
    // The first header of that name, compared without regard to case.
    std::string Header(const std::string& name) const;
};

struct FakeReply {
    int status = 200;
    std::string body;
    std::string contentType = "text/html; charset=UTF-8";
    std::chrono::milliseconds delay{0};  // waited before answering (cut short by Stop)
    std::vector<std::string> setCookies; // "name=value; Path=/"
    std::string location;                // sent as Location (use with a 3xx status)
    // Streamed replies: the body read from this file while it is sent (body is then
    // ignored), so a large reply needs no memory.
    std::string bodyFile;
    // Sends this many bytes of the announced body and then drops the connection.
    size_t truncateAt = std::string::npos;
    // Waited between pieces of 64 KiB (cut short by Stop).
    std::chrono::milliseconds chunkDelay{0};
    // The size of those pieces; 1 with a chunkDelay trickles the reply byte by byte.
    size_t chunkSize = 64 * 1024;

    static FakeReply Text(std::string body);
    static FakeReply Status(int status, std::string body = {});
    static FakeReply Delayed(std::chrono::milliseconds delay, std::string body = {});
    static FakeReply Redirect(std::string location, int status = 302);
    static FakeReply File(std::string path);
    // The body one byte at a time, each `every` after the one before: data keeps coming,
    // so no read time-out ends the exchange.
    static FakeReply Trickle(std::string body, std::chrono::milliseconds every);
};

using FakeHandler = std::function<FakeReply(const FakeRequest&)>;

class FakeService {
public:
    // Starts listening at once, on a free port; throws std::runtime_error when no port can
    // be bound.
    FakeService();
    // The same on the given port (0: a free one).
    explicit FakeService(int port);
    // The same over HTTPS with the given PEM certificate (chain) and private key.
    FakeService(const std::string& certFile, const std::string& keyFile);
    ~FakeService();
    FakeService(const FakeService&) = delete;
    FakeService& operator=(const FakeService&) = delete;

    int Port() const { return m_port; }
    // The service address as a user stores it: "http://127.0.0.1:<port>/" ("https" with TLS).
    std::string BaseUrl() const;
    // BaseUrl() + "W0001/" + operation.
    std::string OperationUrl(const std::string& operation) const;

    void SetReply(const std::string& operation, FakeReply reply);
    void SetReply(const std::string& operation, std::string body) {
        SetReply(operation, FakeReply::Text(body));
    }
    void SetHandler(const std::string& operation, FakeHandler handler);
    void QueueReply(const std::string& operation, FakeReply reply);
    // Back to the operation's default.
    void ResetOperation(const std::string& operation);

    // The reply a happy path needs, for every operation of the program.
    static FakeReply DefaultReply(const std::string& operation, bool& known);

    std::vector<FakeRequest> Requests() const;
    std::vector<FakeRequest> Requests(const std::string& operation) const;
    size_t Count(const std::string& operation) const;
    // The last request of operation; throws std::out_of_range when there is none.
    FakeRequest Last(const std::string& operation) const;
    // Waits until operation has been received at least n times.
    bool WaitFor(const std::string& operation, size_t n, std::chrono::milliseconds timeout) const;
    void ClearRequests();
    // Keeps at most this many bytes of each multipart part (the size is counted whole).
    void SetPartLimit(size_t bytes);

    // Stops listening: later connections are refused. Delayed replies end at once.
    void Stop();

    // A port on 127.0.0.1 where nothing listens (a connection is refused).
    static int RefusingPort();

    // Percent-decodes text; '+' stays '+'.
    static std::string PercentDecode(const std::string& text);
    static std::vector<std::pair<std::string, std::string>> ParseFormBody(const std::string& body);

private:
    struct Script {
        std::vector<FakeReply> queue;
        FakeHandler handler;
        std::unique_ptr<FakeReply> reply;
    };
    FakeReply Answer(const FakeRequest& request);
    void Start(int port = 0);

    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;
    bool m_tls = false;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::map<std::string, Script> m_scripts;
    std::vector<FakeRequest> m_requests;
    bool m_stopping = false;
    size_t m_partLimit = std::string::npos;
};

} // namespace fake
