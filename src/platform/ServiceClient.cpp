#include "ServiceClient.h"

#include "CurlLibrary.h"

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

// A certificate that does not verify is most often signed by a lab's own authority,
// which the system store does not hold.
bool CertificateNotVerified(CURLcode code) {
    return code == CURLE_PEER_FAILED_VERIFICATION || code == CURLE_SSL_CACERT_BADFILE ||
           code == CURLE_SSL_ISSUER_ERROR;
}

} // namespace

struct ServiceClient::Handle {
    const CurlLibrary* api = nullptr; // set with curl
    CURL* curl = nullptr;
    CURLM* multi = nullptr;            // drives the transfer in short slices to watch the idle time
    curl_slist* headers = nullptr;     // form posts
    curl_slist* mimeHeaders = nullptr; // multipart posts: libcurl writes the content type
    char errorBuffer[CURL_ERROR_SIZE] = {};
};

ServiceClient::ServiceClient() : m_handle(std::make_unique<Handle>()) {
    // The distribution's libcurl has a built-in bundle path, which would hide a lab's own
    // certificate authority named the usual OpenSSL way. Taken now, as the environment
    // stands when the client is made.
    if (const char* caFile = std::getenv("SSL_CERT_FILE"); caFile && *caFile)
        m_caFile = caFile;
}

// The transfer handle with its fixed options, made for the first request.
bool ServiceClient::EnsureHandle(QString& error) {
    if (m_handle->curl)
        return true;

    QString why;
    const CurlLibrary* api = CurlLibrary::Get(&why);
    if (!api) {
        error = why;
        return false;
    }
    CURL* c = api->easy_init();
    CURLM* multi = api->multi_init();
    if (!c || !multi) {
        if (c)
            api->easy_cleanup(c);
        if (multi)
            api->multi_cleanup(multi);
        error = QStringLiteral("cannot create an HTTP client");
        return false;
    }
    m_handle->api = api;
    m_handle->curl = c;
    m_handle->multi = multi;
    m_handle->headers = api->slist_append(m_handle->headers, "Accept: text/html, */*");
    m_handle->headers =
        api->slist_append(m_handle->headers, "Content-Type: application/x-www-form-urlencoded");
    // No "100-continue" round trip: a large form would otherwise wait for the server.
    m_handle->headers = api->slist_append(m_handle->headers, "Expect:");
    m_handle->mimeHeaders = api->slist_append(m_handle->mimeHeaders, "Accept: text/html, */*");
    m_handle->mimeHeaders = api->slist_append(m_handle->mimeHeaders, "Expect:");
    api->easy_setopt(c, CURLOPT_HTTPHEADER, m_handle->headers);
    api->easy_setopt(c, CURLOPT_USERAGENT, "Mozilla/3.0 (compatible; Indy Library)");
    api->easy_setopt(c, CURLOPT_ERRORBUFFER, m_handle->errorBuffer);
    api->easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    api->easy_setopt(c, CURLOPT_COOKIEFILE, ""); // cookies in memory, for this client only
    api->easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    api->easy_setopt(c, CURLOPT_MAXREDIRS, 15L);
    api->easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    api->easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    api->easy_setopt(c, CURLOPT_FORBID_REUSE, 1L);
    api->easy_setopt(c, CURLOPT_FRESH_CONNECT, 1L);
    api->easy_setopt(c, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    api->easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    api->easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!m_caFile.isEmpty())
        api->easy_setopt(c, CURLOPT_CAINFO, m_caFile.constData());
    api->easy_setopt(c, CURLOPT_PROXY, "");
    api->easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    api->easy_setopt(c, CURLOPT_XFERINFOFUNCTION, Progress);
    api->easy_setopt(c, CURLOPT_WRITEFUNCTION, WriteBody);
    return true;
}

ServiceClient::~ServiceClient() {
    const CurlLibrary* api = m_handle->api;
    if (!api)
        return; // nothing was ever made
    api->multi_cleanup(m_handle->multi);
    api->easy_cleanup(m_handle->curl);
    api->slist_free_all(m_handle->headers);
    api->slist_free_all(m_handle->mimeHeaders);
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
    const CurlLibrary* api = m_handle->api;
    CURLM* multi = m_handle->multi;
    if (api->multi_add_handle(multi, m_handle->curl) != CURLM_OK)
        return static_cast<int>(CURLE_FAILED_INIT);
    CURLcode result = CURLE_OK;
    bool done = false;
    while (!done) {
        int running = 0;
        if (api->multi_perform(multi, &running) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
        int pending = 0;
        while (CURLMsg* msg = api->multi_info_read(multi, &pending)) {
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
        api->multi_poll(multi, nullptr, 0, PollSliceMs, nullptr);
    }
    api->multi_remove_handle(multi, m_handle->curl);
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
            const CurlLibrary* api = m_handle->api;
            api->easy_setopt(c, CURLOPT_HTTPHEADER, m_handle->headers);
            api->easy_setopt(c, CURLOPT_POST, 1L);
            api->easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
            api->easy_setopt(c, CURLOPT_POSTFIELDS, body.constData());
            return true;
        },
        sink ? &sink : nullptr);
}

ServiceResult ServiceClient::PostMultipart(const QString& url, const std::vector<ServiceFilePart>& parts) {
    curl_mime* mime = nullptr;
    const CurlLibrary* api = nullptr;
    ServiceResult result = Exchange(
        url,
        [this, &parts, &mime, &api](void* handle) {
            CURL* c = static_cast<CURL*>(handle);
            api = m_handle->api;
            mime = api->mime_init(c);
            if (!mime)
                return false;
            for (const ServiceFilePart& part : parts) {
                curl_mimepart* field = api->mime_addpart(mime);
                // The file is opened when its body part is sent; a missing file fails here.
                if (!field || api->mime_filedata(field, part.path.toLocal8Bit().constData()) != CURLE_OK)
                    return false;
                api->mime_name(field, part.name.toUtf8().constData());
                api->mime_filename(field, part.fileName.toUtf8().constData());
                if (!part.contentType.isEmpty())
                    api->mime_type(field, part.contentType.toUtf8().constData());
            }
            api->easy_setopt(c, CURLOPT_HTTPHEADER, m_handle->mimeHeaders);
            api->easy_setopt(c, CURLOPT_MIMEPOST, mime);
            return true;
        },
        nullptr);
    if (!api)
        return result; // no request was built
    // The handle must let go of the form before it is freed.
    api->easy_setopt(m_handle->curl, CURLOPT_MIMEPOST, nullptr);
    api->easy_setopt(m_handle->curl, CURLOPT_HTTPHEADER, m_handle->headers);
    api->mime_free(mime);
    return result;
}

ServiceResult ServiceClient::Exchange(const QString& url, const std::function<bool(void* curl)>& prepare,
                                      const ServiceBodySink* sink) {
    m_lastUrl = url;
    ServiceResult result = ExchangeOnce(url, prepare, sink);
    m_lastError = result.ok() ? QString() : result.error;
    return result;
}

ServiceResult ServiceClient::ExchangeOnce(const QString& url, const std::function<bool(void* curl)>& prepare,
                                          const ServiceBodySink* sink) {
    ServiceResult result;
    if (!EnsureHandle(result.error))
        return result;
    const CurlLibrary* api = m_handle->api;
    CURL* c = m_handle->curl;
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
    api->easy_setopt(c, CURLOPT_URL, urlBytes.constData());
    api->easy_setopt(c, CURLOPT_PROXY, proxyBytes.constData());
    api->easy_setopt(c, CURLOPT_PROXYPORT, static_cast<long>(m_proxyPort));
    api->easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(m_connectMs));
    api->easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(m_totalMs));
    // A backstop for the idle check of Perform, which ends a stalled transfer first.
    api->easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    api->easy_setopt(c, CURLOPT_LOW_SPEED_TIME, static_cast<long>(m_readMs / 1000 + 2));
    api->easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
    api->easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);
    if (!prepare(c)) {
        result.error = QStringLiteral("cannot build the request");
        api->easy_setopt(c, CURLOPT_POSTFIELDS, nullptr);
        return result;
    }

    const CURLcode code = static_cast<CURLcode>(Perform(&transfer));
    api->easy_getinfo(c, CURLINFO_RESPONSE_CODE, &result.httpStatus);
    // The body pointer must not outlive this call.
    api->easy_setopt(c, CURLOPT_POSTFIELDS, nullptr);

    if (code != CURLE_OK) {
        result.status = transfer.aborted       ? ServiceResult::Status::Cancelled
                        : transfer.idleExpired ? ServiceResult::Status::TimedOut
                                               : StatusOf(code);
        result.error = transfer.aborted           ? QStringLiteral("abandoned")
                       : transfer.idleExpired     ? QStringLiteral("no data within the read time-out")
                       : transfer.sinkRefused     ? QStringLiteral("the reply could not be stored")
                       : m_handle->errorBuffer[0] ? QString::fromUtf8(m_handle->errorBuffer)
                                                  : QString::fromUtf8(api->easy_strerror(code));
        if (result.status == ServiceResult::Status::TlsFailed)
            std::fprintf(stderr, "tamvik: TLS failure with %s: %s\n", urlBytes.constData(),
                         result.error.toUtf8().constData());
        if (CertificateNotVerified(code))
            result.error += QStringLiteral(" (the service's certificate is not signed by an authority this "
                                           "computer trusts; when it is a lab's own, name that authority's "
                                           "certificate file in SSL_CERT_FILE)");
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
