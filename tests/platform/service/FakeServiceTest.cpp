#include "FakeService.h"
#include "ServiceClient.h"

#include <gtest/gtest.h>

using fake::FakeReply;
using fake::FakeRequest;
using fake::FakeService;
using tamvik::ServiceClient;
using namespace std::chrono_literals;

namespace {

QByteArray Post(ServiceClient& client, const FakeService& s, const char* op, const QByteArray& body = {}) {
    return client.PostForm(QString::fromStdString(s.OperationUrl(op)), body).body;
}

} // namespace

TEST(FakeService, ParsesBodiesItsOwnWay) {
    const auto fields = FakeService::ParseFormBody("A=1+2&B=x=y&C&D=%E3%81%82%2&E=");
    ASSERT_EQ(fields.size(), 5u);
    EXPECT_EQ(fields[0], (std::pair<std::string, std::string>{"A", "1+2"}));
    EXPECT_EQ(fields[1], (std::pair<std::string, std::string>{"B", "x=y"}));
    EXPECT_EQ(fields[2], (std::pair<std::string, std::string>{"C", ""}));
    EXPECT_EQ(fields[3], (std::pair<std::string, std::string>{"D", "あ%2"}));
    EXPECT_EQ(fields[4], (std::pair<std::string, std::string>{"E", ""}));
    EXPECT_TRUE(FakeService::ParseFormBody("").empty());
}

TEST(FakeService, AnswersFromQueueThenHandlerThenReplyThenDefault) {
    FakeService service;
    ServiceClient client;
    EXPECT_EQ(Post(client, service, "startTest"), QByteArray("API_RESULT=0,API_MESSAGE=,EXEC_SEQ=1"));

    service.SetReply("startTest", std::string("fixed"));
    service.SetHandler("startTest",
                       [](const FakeRequest& r) { return FakeReply::Text("seq " + r.Field("N")); });
    service.QueueReply("startTest", FakeReply::Text("first"));
    EXPECT_EQ(Post(client, service, "startTest", "N=7"), QByteArray("first"));
    EXPECT_EQ(Post(client, service, "startTest", "N=8"), QByteArray("seq 8"));
    service.SetHandler("startTest", nullptr);
    EXPECT_EQ(Post(client, service, "startTest"), QByteArray("fixed"));
    service.ResetOperation("startTest");
    EXPECT_EQ(Post(client, service, "startTest"), QByteArray("API_RESULT=0,API_MESSAGE=,EXEC_SEQ=1"));

    const auto r = client.PostForm(QString::fromStdString(service.OperationUrl("noSuchOperation")), {});
    EXPECT_EQ(r.httpStatus, 404);

    const auto requests = service.Requests("startTest");
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_LE(requests[0].arrival, requests[1].arrival);
    EXPECT_EQ(service.Count("noSuchOperation"), 1u);
    service.ClearRequests();
    EXPECT_TRUE(service.Requests().empty());
}

TEST(FakeService, StopRefusesLaterConnectionsAndEndsDelays) {
    auto service = std::make_unique<FakeService>();
    service->SetReply("endTest", FakeReply::Delayed(30s, "late"));
    const QString url = QString::fromStdString(service->OperationUrl("endTest"));
    std::thread waiting([&] {
        ServiceClient client;
        client.PostForm(url, {});
    });
    ASSERT_TRUE(service->WaitFor("endTest", 1, 5s));
    const auto t0 = std::chrono::steady_clock::now();
    service->Stop();
    waiting.join();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 5s);

    ServiceClient client;
    EXPECT_EQ(client.PostForm(url, {}).status, tamvik::ServiceResult::Status::ConnectFailed);
}
