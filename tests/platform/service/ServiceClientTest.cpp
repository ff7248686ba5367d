#include "ServiceClient.h"
#include "FakeService.h"

#include "TestDir.h"

#include <QFile>
#include <QProcess>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>

using fake::FakeReply;
using fake::FakeService;
using tamvik::ServiceClient;
using tamvik::ServiceResult;
using Status = tamvik::ServiceResult::Status;
using namespace std::chrono_literals;

namespace {

QString Url(const FakeService& s, const char* op) {
    return QString::fromStdString(s.OperationUrl(op));
}

double SecondsOf(const std::function<void()>& f) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

} // namespace

TEST(ServiceClient, PostsTheBodyWithTheFormHeadersAndReturnsTheReplyBytes) {
    FakeService service;
    service.SetReply("userAuth", std::string("API_RESULT=0,USER_AUTH=0\r\n"));
    ServiceClient client;
    const ServiceResult r = client.PostForm(Url(service, "userAuth"), "USER_ID=u&USER_PWD=p");
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(r.httpStatus, 200);
    EXPECT_EQ(r.body, QByteArray("API_RESULT=0,USER_AUTH=0\r\n"));

    const auto req = service.Last("userAuth");
    EXPECT_EQ(req.method, "POST");
    EXPECT_EQ(req.path, "/W0001/userAuth");
    EXPECT_EQ(req.rawBody, "USER_ID=u&USER_PWD=p");
    EXPECT_EQ(req.Header("Accept"), "text/html, */*");
    EXPECT_EQ(req.Header("User-Agent"), "Mozilla/3.0 (compatible; Indy Library)");
    EXPECT_EQ(req.Header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(req.Header("Expect"), "");
}

TEST(ServiceClient, KeepsCookiesPerClientAndOpensANewConnectionForEveryRequest) {
    FakeService service;
    FakeReply login = FakeReply::Text("API_RESULT=0");
    login.setCookies = {"SESSION=abc; Path=/"};
    service.SetReply("userAuth", login);

    ServiceClient first;
    ServiceClient second;
    ASSERT_TRUE(first.PostForm(Url(service, "userAuth"), "").ok());
    ASSERT_TRUE(first.PostForm(Url(service, "startTest"), "").ok());
    ASSERT_TRUE(second.PostForm(Url(service, "startTest"), "").ok());

    const auto starts = service.Requests("startTest");
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[0].cookies.count("SESSION"), 1u);
    EXPECT_EQ(starts[0].cookies.at("SESSION"), "abc");
    EXPECT_TRUE(starts[1].cookies.empty()) << "cookies leaked to another client";

    const auto all = service.Requests();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_NE(all[0].remotePort, all[1].remotePort) << "a connection was reused";
}

TEST(ServiceClient, FollowsRedirects) {
    FakeService service;
    service.SetReply("getTmvInfo", FakeReply::Redirect(service.OperationUrl("moved"), 307));
    service.SetReply("moved", std::string("API_RESULT=1"));
    ServiceClient client;
    const ServiceResult r = client.PostForm(Url(service, "getTmvInfo"), "TMV_NAME=x");
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(r.body, QByteArray("API_RESULT=1"));
    EXPECT_EQ(service.Last("moved").rawBody, "TMV_NAME=x");
}

TEST(ServiceClient, AnHttpErrorStatusIsAFailureWithTheBodyKept) {
    FakeService service;
    service.SetReply("startTest", FakeReply::Status(500, "boom"));
    ServiceClient client;
    const ServiceResult r = client.PostForm(Url(service, "startTest"), "");
    EXPECT_EQ(r.status, Status::HttpError);
    EXPECT_EQ(r.httpStatus, 500);
    EXPECT_EQ(r.body, QByteArray("boom"));
    EXPECT_EQ(client.LastErrorText(), QStringLiteral("HTTP status 500"));
    EXPECT_EQ(client.LastUrl(), Url(service, "startTest"));

    // A later exchange that succeeds leaves nothing to tell.
    service.SetReply("startTest", "API_RESULT=0");
    ASSERT_TRUE(client.PostForm(Url(service, "startTest"), "").ok());
    EXPECT_TRUE(client.LastErrorText().isEmpty());
}

TEST(ServiceClient, ARefusedConnectionFailsQuickly) {
    const int port = FakeService::RefusingPort();
    ASSERT_GT(port, 0);
    ServiceClient client;
    ServiceResult r;
    const double seconds = SecondsOf(
        [&] { r = client.PostForm(QStringLiteral("http://127.0.0.1:%1/W0001/userAuth").arg(port), "x=1"); });
    EXPECT_EQ(r.status, Status::ConnectFailed) << r.error.toStdString();
    EXPECT_LT(seconds, 2.0);
    EXPECT_TRUE(client.LastErrorText().contains(QStringLiteral("onnect")))
        << client.LastErrorText().toStdString();
}

TEST(ServiceClient, AStalledReplyEndsAtTheReadTimeOut) {
    FakeService service;
    service.SetReply("returnTestResult", FakeReply::Delayed(20s, "late"));
    ServiceClient client;
    client.SetReadTimeout(500);
    ServiceResult r;
    const double seconds = SecondsOf([&] { r = client.PostForm(Url(service, "returnTestResult"), ""); });
    EXPECT_EQ(r.status, Status::TimedOut) << r.error.toStdString();
    EXPECT_GE(seconds, 0.45);
    EXPECT_LT(seconds, 5.0) << "ten times the time-out; the reply itself comes after 20 s";
}

TEST(ServiceClient, ATotalTimeOutOrAnAbortEndsAWaitingRequest) {
    FakeService service;
    service.SetReply("enforcementTest", FakeReply::Delayed(20s, "late"));
    ServiceClient client;
    client.SetReadTimeout(20000);
    client.SetTotalTimeout(300);
    ServiceResult r;
    double seconds = SecondsOf([&] { r = client.PostForm(Url(service, "enforcementTest"), ""); });
    EXPECT_EQ(r.status, Status::TimedOut) << r.error.toStdString();
    EXPECT_LT(seconds, 3.0) << "ten times the time-out; the reply itself comes after 20 s";

    client.SetTotalTimeout(0);
    const auto until = std::chrono::steady_clock::now() + 200ms;
    client.SetAbortCheck([&] { return std::chrono::steady_clock::now() > until; });
    seconds = SecondsOf([&] { r = client.PostForm(Url(service, "enforcementTest"), ""); });
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.error, QStringLiteral("abandoned"));
    EXPECT_LT(seconds, 2.0) << "ten times the abort's 200 ms";
}

// A reply that trickles in never stalls for the read time-out: only the bound on the whole
// exchange ends it.
TEST(ServiceClient, ATricklingReplyEndsOnlyAtTheTotalBound) {
    FakeService service;
    service.SetReply("userAuth", FakeReply::Trickle("API_RESULT=0", 50ms));
    ServiceClient client;
    client.SetReadTimeout(300);
    ServiceResult r;
    double seconds = SecondsOf([&] { r = client.PostForm(Url(service, "userAuth"), ""); });
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(r.body, QByteArray("API_RESULT=0"));
    EXPECT_GE(seconds, 0.5) << "eleven pauses of 50 ms: longer than the read time-out";

    service.SetReply("userAuth", FakeReply::Trickle(std::string(200, 'x'), 50ms)); // 10 s
    client.SetTotalTimeout(500);
    seconds = SecondsOf([&] { r = client.PostForm(Url(service, "userAuth"), ""); });
    EXPECT_EQ(r.status, Status::TimedOut) << r.error.toStdString();
    EXPECT_LT(seconds, 5.0) << "ten times the bound; the reply itself lasts 10 s";
    EXPECT_EQ(client.GetTotalTimeout(), 500);
}

TEST(ServiceClient, ASlowReplyWithinTheReadTimeOutArrives) {
    FakeService service;
    service.SetReply("endTest", FakeReply::Delayed(300ms, "API_RESULT=0"));
    ServiceClient client;
    client.SetReadTimeout(3000);
    const ServiceResult r = client.PostForm(Url(service, "endTest"), "");
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(r.body, QByteArray("API_RESULT=0"));
}

TEST(ServiceClient, UsesTheGivenProxyAndNeverTheEnvironments) {
    FakeService proxy;
    const QString target =
        QStringLiteral("http://127.0.0.1:%1/W0001/userAuth").arg(FakeService::RefusingPort());

    ServiceClient viaProxy;
    viaProxy.SetProxy(QStringLiteral("127.0.0.1"), proxy.Port());
    ASSERT_TRUE(viaProxy.PostForm(target, "USER_ID=u").ok());
    EXPECT_EQ(proxy.Last("userAuth").rawBody, "USER_ID=u");

    // No proxy set: a proxy named by the environment must not be used.
    FakeService service;
    const std::string proxyUrl = "http://127.0.0.1:" + std::to_string(proxy.Port());
    ::setenv("http_proxy", proxyUrl.c_str(), 1);
    ::setenv("HTTP_PROXY", proxyUrl.c_str(), 1);
    ServiceClient direct;
    direct.SetProxy(QString(), 8080);
    const ServiceResult r = direct.PostForm(Url(service, "startTest"), "");
    ::unsetenv("http_proxy");
    ::unsetenv("HTTP_PROXY");
    EXPECT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(service.Count("startTest"), 1u);
    EXPECT_EQ(proxy.Count("startTest"), 0u);
    EXPECT_EQ(direct.GetProxyPort(), 0);
}

TEST(ServiceClient, ATlsHandshakeWithAPlainServerIsATlsFailure) {
    FakeService service;
    ServiceClient client;
    client.SetReadTimeout(2000);
    const ServiceResult r =
        client.PostForm(QStringLiteral("https://127.0.0.1:%1/W0001/userAuth").arg(service.Port()), "");
    EXPECT_EQ(r.status, Status::TlsFailed) << r.error.toStdString();
    EXPECT_FALSE(client.LastErrorText().contains(QStringLiteral("SSL_CERT_FILE")))
        << "no certificate was there to verify";
}

TEST(ServiceClient, VerifiesTheServersCertificate) {
    TestDir dir;
    const QString cert = dir.file(QStringLiteral("cert.pem"));
    const QString key = dir.file(QStringLiteral("key.pem"));
    const int rc =
        QProcess::execute(QStringLiteral("openssl"),
                          {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                           QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-keyout"),
                           key, QStringLiteral("-out"), cert, QStringLiteral("-days"), QStringLiteral("1"),
                           QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                           QStringLiteral("-addext"), QStringLiteral("subjectAltName=IP:127.0.0.1")});
    if (rc != 0)
        GTEST_SKIP() << "openssl cannot make a test certificate here";
    FakeService service(cert.toStdString(), key.toStdString());
    const QString url = Url(service, "userAuth");
    ASSERT_TRUE(url.startsWith(QStringLiteral("https://")));

    // A certificate that the system store does not vouch for is refused.
    ServiceClient strict;
    ServiceResult r = strict.PostForm(url, "USER_ID=u");
    EXPECT_EQ(r.status, Status::TlsFailed) << r.error.toStdString();
    EXPECT_EQ(service.Count("userAuth"), 0u) << "the request went out over an unverified connection";
    // The user learns how a lab's own authority is named.
    EXPECT_TRUE(strict.LastErrorText().contains(QStringLiteral("SSL_CERT_FILE")))
        << strict.LastErrorText().toStdString();

    // A lab's own authority named by SSL_CERT_FILE is trusted.
    ::setenv("SSL_CERT_FILE", cert.toUtf8().constData(), 1);
    ServiceClient trusting;
    ::unsetenv("SSL_CERT_FILE");
    r = trusting.PostForm(url, "USER_ID=u");
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(service.Last("userAuth").rawBody, "USER_ID=u");
}

TEST(ServiceClient, RefusesSchemesOtherThanHttp) {
    ServiceClient client;
    const ServiceResult r = client.PostForm(QStringLiteral("file:///etc/passwd"), "");
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.body.isEmpty());
}

TEST(ServiceClient, MultipartPostsStreamFilesAndTheNextFormPostIsAFormAgain) {
    FakeService service;
    TestDir dir;
    const QString file = dir.file(QStringLiteral("a b.bin"));
    QByteArray bytes(300000, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7);
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    }
    ServiceClient client;
    std::int64_t announced = 0, sent = 0;
    client.SetProgress([&](const tamvik::ServiceProgress& p) {
        announced = std::max(announced, p.uploadTotal);
        sent = std::max(sent, p.uploaded);
    });
    const ServiceResult r = client.PostMultipart(
        Url(service, "setProjectInfo"),
        {{QStringLiteral("PROJECT_FILE"), file, file, QStringLiteral("application/octet-stream")}});
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    const auto post = service.Last("setProjectInfo");
    ASSERT_EQ(post.parts.size(), 1u);
    EXPECT_EQ(QByteArray::fromStdString(post.parts[0].content), bytes);
    EXPECT_EQ(QString::fromStdString(post.parts[0].fileName), file);
    EXPECT_TRUE(post.Header("Expect").empty()) << "no 100-continue round trip";
    EXPECT_GT(announced, bytes.size());
    EXPECT_EQ(sent, announced);

    // A missing file fails before anything is sent; the client stays usable for forms.
    EXPECT_FALSE(client
                     .PostMultipart(Url(service, "setProjectInfo"),
                                    {{QStringLiteral("F"), dir.file("none"), QString(), QString()}})
                     .ok());
    ASSERT_TRUE(client.PostForm(Url(service, "userAuth"), "USER_ID=u").ok());
    const auto form = service.Last("userAuth");
    EXPECT_EQ(form.rawBody, "USER_ID=u");
    EXPECT_EQ(form.Header("Content-Type"), "application/x-www-form-urlencoded");
}

TEST(ServiceClient, AStreamedReplyGoesToItsSinkWhichMayRefuseIt) {
    FakeService service;
    service.SetReply("getProjectInfo", std::string(200000, 'z'));
    ServiceClient client;
    QByteArray received;
    ServiceResult r =
        client.PostForm(Url(service, "getProjectInfo"), "OP_KBN=2", [&](const char* data, size_t n) {
            received.append(data, static_cast<qsizetype>(n));
            return true;
        });
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_TRUE(r.body.isEmpty());
    EXPECT_EQ(received, QByteArray(200000, 'z'));

    r = client.PostForm(Url(service, "getProjectInfo"), "OP_KBN=2",
                        [](const char*, size_t) { return false; });
    EXPECT_FALSE(r.ok());
    EXPECT_NE(r.status, Status::Cancelled) << "a refusing sink is a failure, not a cancel";

    client.SetAbortCheck([] { return true; });
    r = client.PostForm(Url(service, "getProjectInfo"), "OP_KBN=2");
    EXPECT_EQ(r.status, Status::Cancelled);
}
