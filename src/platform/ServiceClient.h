#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace tamvik {

// Outcome of one exchange with the service. Failure is a status, never an exception.
struct ServiceResult {
    enum class Status {
        Ok,
        ConnectFailed, // refused, unreachable, name not resolved
        TimedOut,      // connect time-out or no data for the read time-out
        HttpError,     // the server answered with a status of 400 or more
        TlsFailed,     // handshake or certificate verification failed
        Cancelled,     // the abort check abandoned the request
        Failed,        // anything else (bad address, transfer error)
    };
    Status status = Status::Failed;
    long httpStatus = 0;
    QByteArray body; // the reply body as received (also on HttpError)
    QString error;   // cause, for logs and message details (as ServiceClient::LastErrorText)

    bool ok() const { return status == Status::Ok; }
};

// One file of a multipart post, read from disk while it is sent.
struct ServiceFilePart {
    QString name;        // the form field
    QString path;        // the file sent
    QString fileName;    // the file name this body part announces
    QString contentType; // empty: libcurl's choice by the file name's extension
};

// Where a reply body goes instead of ServiceResult::body: called with each piece as it
// arrives; false abandons the request, which then fails.
using ServiceBodySink = std::function<bool(const char* data, std::size_t size)>;

// Progress of a running request: bytes announced and moved so far in each direction
// (a total of 0 is not known yet).
struct ServiceProgress {
    std::int64_t downloadTotal = 0;
    std::int64_t downloaded = 0;
    std::int64_t uploadTotal = 0;
    std::int64_t uploaded = 0;
};

// The longest a window waits for one of its short requests to the service (log-in,
// look-ups, lists, the test run's requests): a service that trickles its reply cannot hold
// the window longer. Transfers of whole projects have bounds of their own.
inline constexpr int kWindowRequestBoundMs = 30000;

// A blocking HTTP(S) client for the answer and library service. Each window or thread
// that talks to the service owns one; it is used by one thread at a time. Cookies are
// kept for the life of the client; every request opens a new connection. TLS 1.2 or
// later, with the server's certificate verified against the system store (or the file
// named by SSL_CERT_FILE). curl_global_init must have run before the first client.
class ServiceClient {
public:
    ServiceClient();
    ~ServiceClient();
    ServiceClient(const ServiceClient&) = delete;
    ServiceClient& operator=(const ServiceClient&) = delete;

    // Time-outs in milliseconds; the read time-out is the longest time without any data
    // moving. Values below 1 keep the previous setting (30000 ms each at construction).
    void SetConnectTimeout(int ms);
    void SetReadTimeout(int ms);
    int GetConnectTimeout() const { return m_connectMs; }
    int GetReadTimeout() const { return m_readMs; }
    // Longest time a whole exchange may take; values below 1 set no limit (the default).
    void SetTotalTimeout(int ms) { m_totalMs = ms > 0 ? ms : 0; }
    int GetTotalTimeout() const { return m_totalMs; }
    // Asked while a request runs (several times a second while waiting); true abandons the
    // request, which then fails. An empty function abandons nothing.
    void SetAbortCheck(std::function<bool()> check) { m_abortCheck = std::move(check); }
    // Called on the requesting thread whenever bytes have moved; empty for none.
    void SetProgress(std::function<void(const ServiceProgress&)> progress) {
        m_progress = std::move(progress);
    }

    // Proxy host and port; an empty host means no proxy, also not one from the
    // environment.
    void SetProxy(const QString& host, int port);
    QString GetProxyHost() const { return m_proxyHost; }
    int GetProxyPort() const { return m_proxyPort; }

    // Posts body as application/x-www-form-urlencoded and collects the whole reply.
    ServiceResult PostForm(const QString& url, const QByteArray& body);
    // The same with the reply handed piece by piece to sink (the result's body stays
    // empty), so a large reply never sits in memory.
    ServiceResult PostForm(const QString& url, const QByteArray& body, const ServiceBodySink& sink);
    // Posts files as multipart/form-data, each streamed from disk, without waiting for a
    // "100 Continue"; the reply is collected as by PostForm.
    ServiceResult PostMultipart(const QString& url, const std::vector<ServiceFilePart>& parts);

    // Why the last exchange failed, for the detail line of a message: libcurl's message
    // (refused, not resolved, timed out), the reply's HTTP status, or a certificate that
    // did not verify with the hint to name a lab's own authority in SSL_CERT_FILE. Empty
    // after an exchange that succeeded.
    QString LastErrorText() const { return m_lastError; }
    // The address of the last exchange.
    QString LastUrl() const { return m_lastUrl; }

private:
    struct Handle;
    bool EnsureHandle(QString& error);
    int Perform(void* transfer);
    // Records the address and the outcome for LastUrl and LastErrorText.
    ServiceResult Exchange(const QString& url, const std::function<bool(void* curl)>& prepare,
                           const ServiceBodySink* sink);
    ServiceResult ExchangeOnce(const QString& url, const std::function<bool(void* curl)>& prepare,
                               const ServiceBodySink* sink);
    std::unique_ptr<Handle> m_handle;
    QByteArray m_caFile; // SSL_CERT_FILE when the client was made
    int m_connectMs = 30000;
    int m_readMs = 30000;
    int m_totalMs = 0;
    std::function<bool()> m_abortCheck;
    std::function<void(const ServiceProgress&)> m_progress;
    QString m_proxyHost;
    int m_proxyPort = 0;
    QString m_lastUrl;
    QString m_lastError;
};

} // namespace tamvik
