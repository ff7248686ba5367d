#include "ServiceClient.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <curl/curl.h>

namespace tamvik {

namespace {

using Clock = std::chrono::steady_clock;

// How long one wait for socket activity lasts before the time-outs are looked at again.
constexpr int PollSliceMs = 20;

// Tracks data movement so that a stalled reply ends after the read time-out; libcurl's
// own low-speed limit counts whole seconds only.
struct Transfer {
    QByteArray* body = nullptr;
    const ServiceBodySink* sink = nullptr; // instead of body when set
    bool sinkRefused = false;
    const std::function<void(const ServiceProgress&)>* progress = nullptr;
    Clock::time_point lastActivity;
    curl_off_t lastDown = 0;
    curl_off_t lastUp = 0;
    int idleLimitMs = 0;
    bool idleExpired = false;
    const std::function<bool()>* abortCheck = nullptr;
    bool aborted = false;
};

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t n = size * count;
    t->lastActivity = Clock::now();
    if (t->sink && *t->sink) {
        if (!(*t->sink)(data, n)) {
            t->sinkRefused = true;
            return 0; // libcurl ends the transfer with a write error
        }
        return n;
    }
    t->body->append(data, static_cast<qsizetype>(n));
    return n;
}

bool Abandoned(Transfer* t) {
    if (t->abortCheck && *t->abortCheck && (*t->abortCheck)())
        t->aborted = true;
    return t->aborted;
}

bool IdleTooLong(Transfer* t) {
    if (Clock::now() - t->lastActivity > std::chrono::milliseconds(t->idleLimitMs))
        t->idleExpired = true;
    return t->idleExpired;
}

int Progress(void* user, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal, curl_off_t ulnow) {
    auto* t = static_cast<Transfer*>(user);
    if (Abandoned(t))
        return 1;
    if (dlnow != t->lastDown || ulnow != t->lastUp) {
        t->lastDown = dlnow;
        t->lastUp = ulnow;
        t->lastActivity = Clock::now();
        if (t->progress && *t->progress)
            (*t->progress)(ServiceProgress{dltotal, dlnow, ultotal, ulnow});
        return 0;
    }
    return IdleTooLong(t) ? 1 : 0;
}

ServiceResult::Status StatusOf(CURLcode code) {
    switch (code) {
    case CURLE_COULDNT_CONNECT:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return ServiceResult::Status::ConnectFailed;
    case CURLE_OPERATION_TIMEDOUT:
        return ServiceResult::Status::TimedOut;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_SHUTDOWN_FAILED:
        return ServiceResult::Status::TlsFailed;
    default:
        return ServiceResult::Status::Failed;
    }
}

} // namespace

struct ServiceClient::Handle {
    CURL* curl = nullptr;
    CURLM* multi = nullptr;            // drives the transfer in short slices to watch the idle time
    curl_slist* headers = nullptr;     // form posts
    curl_slist* mimeHeaders = nullptr; // multipart posts: libcurl writes the content type
    char errorBuffer[CURL_ERROR_SIZE] = {};
};

ServiceClient::ServiceClient() : m_handle(std::make_unique<Handle>()) {
    CURL* c = curl_easy_init();
    m_handle->curl = c;
    m_handle->multi = curl_multi_init();
    if (!c)
        return;
    m_handle->headers = curl_slist_append(m_handle->headers, "Accept: text/html, */*");
    m_handle->headers =
        curl_slist_append(m_handle->headers, "Content-Type: application/x-www-form-urlencoded");
    // No "100-continue" round trip: a large form would otherwise wait for the server.
    m_handle->headers = curl_slist_append(m_handle->headers, "Expect:");
    m_handle->mimeHeaders = curl_slist_append(m_handle->mimeHeaders, "Accept: text/html, */*");
    m_handle->mimeHeaders = curl_slist_append(m_handle->mimeHeaders, "Expect:");
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, m_handle->headers);
    curl_easy_setopt(c, CURLOPT_USERAGENT, "Mozilla/3.0 (compatible; Indy Library)");
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, m_handle->errorBuffer);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_COOKIEFILE, ""); // cookies in memory, for this client only
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 15L);
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(c, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(c, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    // The distribution's libcurl has a built-in bundle path, which would hide a lab's own
    // certificate authority named the usual OpenSSL way.
    if (const char* caFile = std::getenv("SSL_CERT_FILE"); caFile && *caFile)
        curl_easy_setopt(c, CURLOPT_CAINFO, caFile);
    curl_easy_setopt(c, CURLOPT_PROXY, "");
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, Progress);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, WriteBody);
}

ServiceClient::~ServiceClient() {
    if (m_handle->multi)
        curl_multi_cleanup(m_handle->multi);
    if (m_handle->curl)
        curl_easy_cleanup(m_handle->curl);
    curl_slist_free_all(m_handle->headers);
    curl_slist_free_all(m_handle->mimeHeaders);
}

void ServiceClient::SetConnectTimeout(int ms) {
    if (ms > 0)
        m_connectMs = ms;
}

void ServiceClient::SetReadTimeout(int ms) {
    if (ms > 0)
        m_readMs = ms;
}

void ServiceClient::SetProxy(const QString& host, int port) {
    m_proxyHost = host;
    m_proxyPort = host.isEmpty() ? 0 : port;
}

// Runs the transfer until it ends or stays idle for the read time-out, waking every few
// milliseconds (libcurl's own loop looks at the clock only about once a second).
int ServiceClient::Perform(void* transferState) {
    auto* transfer = static_cast<Transfer*>(transferState);
    CURLM* multi = m_handle->multi;
    if (curl_multi_add_handle(multi, m_handle->curl) != CURLM_OK)
        return static_cast<int>(CURLE_FAILED_INIT);
    CURLcode result = CURLE_OK;
    bool done = false;
    while (!done) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
        int pending = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi, &pending)) {
            if (msg->msg == CURLMSG_DONE) {
                result = msg->data.result;
                done = true;
            }
        }
        if (done)
            break;
        if (Abandoned(transfer)) {
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        if (IdleTooLong(transfer)) {
            result = CURLE_OPERATION_TIMEDOUT;
            break;
        }
        curl_multi_poll(multi, nullptr, 0, PollSliceMs, nullptr);
    }
    curl_multi_remove_handle(multi, m_handle->curl);
    return static_cast<int>(result);
}

ServiceResult ServiceClient::PostForm(const QString& url, const QByteArray& body) {
    return PostForm(url, body, ServiceBodySink());
}

ServiceResult ServiceClient::PostForm(const QString& url, const QByteArray& body,
                                      const ServiceBodySink& sink) {
    return Exchange(
        url,
        [this, &body](void* handle) {
            CURL* c = static_cast<CURL*>(handle);
            curl_easy_setopt(c, CURLOPT_HTTPHEADER, m_handle->headers);
            curl_easy_setopt(c, CURLOPT_POST, 1L);
            curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
            curl_easy_setopt(c, CURLOPT_POSTFIELDS, body.constData());
            return true;
        },
        sink ? &sink : nullptr);
}

ServiceResult ServiceClient::PostMultipart(const QString& url, const std::vector<ServiceFilePart>& parts) {
    curl_mime* mime = nullptr;
    ServiceResult result = Exchange(
        url,
        [this, &parts, &mime](void* handle) {
            CURL* c = static_cast<CURL*>(handle);
            mime = curl_mime_init(c);
            if (!mime)
                return false;
            for (const ServiceFilePart& part : parts) {
                curl_mimepart* field = curl_mime_addpart(mime);
                // The file is opened when its body part is sent; a missing file fails here.
                if (!field || curl_mime_filedata(field, part.path.toLocal8Bit().constData()) != CURLE_OK)
                    return false;
                curl_mime_name(field, part.name.toUtf8().constData());
                curl_mime_filename(field, part.fileName.toUtf8().constData());
                if (!part.contentType.isEmpty())
                    curl_mime_type(field, part.contentType.toUtf8().constData());
            }
            curl_easy_setopt(c, CURLOPT_HTTPHEADER, m_handle->mimeHeaders);
            curl_easy_setopt(c, CURLOPT_MIMEPOST, mime);
            return true;
        },
        nullptr);
    // The handle must let go of the form before it is freed.
    curl_easy_setopt(m_handle->curl, CURLOPT_MIMEPOST, nullptr);
    curl_easy_setopt(m_handle->curl, CURLOPT_HTTPHEADER, m_handle->headers);
    curl_mime_free(mime);
    return result;
}

ServiceResult ServiceClient::Exchange(const QString& url, const std::function<bool(void* curl)>& prepare,
                                      const ServiceBodySink* sink) {
    ServiceResult result;
    CURL* c = m_handle->curl;
    if (!c || !m_handle->multi) {
        result.error = QStringLiteral("cannot create an HTTP client");
        return result;
    }
    Transfer transfer;
    transfer.body = &result.body;
    transfer.sink = sink;
    transfer.progress = &m_progress;
    transfer.idleLimitMs = m_readMs;
    transfer.lastActivity = Clock::now();
    transfer.abortCheck = &m_abortCheck;

    const QByteArray urlBytes = url.toUtf8();
    const QByteArray proxyBytes = m_proxyHost.toUtf8(); // "" disables the environment's proxy
    m_handle->errorBuffer[0] = 0;
    curl_easy_setopt(c, CURLOPT_URL, urlBytes.constData());
    curl_easy_setopt(c, CURLOPT_PROXY, proxyBytes.constData());
    curl_easy_setopt(c, CURLOPT_PROXYPORT, static_cast<long>(m_proxyPort));
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(m_connectMs));
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(m_totalMs));
    // A backstop for the idle check of Perform, which ends a stalled transfer first.
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, static_cast<long>(m_readMs / 1000 + 2));
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);
    if (!prepare(c)) {
        result.error = QStringLiteral("cannot build the request");
        curl_easy_setopt(c, CURLOPT_POSTFIELDS, nullptr);
        return result;
    }

    const CURLcode code = static_cast<CURLcode>(Perform(&transfer));
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &result.httpStatus);
    // The body pointer must not outlive this call.
    curl_easy_setopt(c, CURLOPT_POSTFIELDS, nullptr);

    if (code != CURLE_OK) {
        result.status = transfer.aborted       ? ServiceResult::Status::Cancelled
                        : transfer.idleExpired ? ServiceResult::Status::TimedOut
                                               : StatusOf(code);
        result.error = transfer.aborted           ? QStringLiteral("abandoned")
                       : transfer.idleExpired     ? QStringLiteral("no data within the read time-out")
                       : transfer.sinkRefused     ? QStringLiteral("the reply could not be stored")
                       : m_handle->errorBuffer[0] ? QString::fromUtf8(m_handle->errorBuffer)
                                                  : QString::fromUtf8(curl_easy_strerror(code));
        if (result.status == ServiceResult::Status::TlsFailed)
            std::fprintf(stderr, "tamvik: TLS failure with %s: %s\n", urlBytes.constData(),
                         result.error.toUtf8().constData());
        return result;
    }
    if (result.httpStatus >= 400) {
        result.status = ServiceResult::Status::HttpError;
        result.error = QStringLiteral("HTTP status %1").arg(result.httpStatus);
        return result;
    }
    result.status = ServiceResult::Status::Ok;
    return result;
}

} // namespace tamvik
