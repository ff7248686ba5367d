#include "AsyncServiceClient.h"
#include "FakeService.h"

#include "WaitUntil.h"

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

using fake::FakeReply;
using fake::FakeService;
using tamvik::AsyncServiceClient;
using tamvik::ServiceResult;
using namespace std::chrono_literals;

namespace {

QString Url(const FakeService& s, const char* op) {
    return QString::fromStdString(s.OperationUrl(op));
}

// Runs the event loop of this thread until done() holds or the hang bound has passed.
bool PumpUntil(const std::function<bool()>& done) {
    return tamvik_test::WaitUntil([&] {
        QCoreApplication::processEvents();
        return done();
    });
}

class AsyncServiceClientTest : public testing::Test {
protected:
    int argc = 1;
    char name[8] = "async";
    char* argv[1] = {name};
    QCoreApplication app{argc, argv};
    FakeService service;
};

} // namespace

// Requests go out one at a time in the order sent, the replies come back in that order on
// the sender's thread, and the sender's thread is free while they are under way.
TEST_F(AsyncServiceClientTest, RunsInOrderOffTheSendersThreadAndRepliesOnIt) {
    std::atomic<bool> senderServed{false};
    // The first request is answered only once the sender's thread has run its event loop.
    service.SetHandler("first", [&](const fake::FakeRequest&) {
        const bool served = tamvik_test::WaitUntil([&] { return senderServed.load(); });
        return FakeReply::Text(served ? "served" : "frozen");
    });
    service.SetReply("second", "two");
    AsyncServiceClient client;
    std::vector<std::string> replies;
    std::vector<bool> onSender;
    for (const char* op : {"first", "second"})
        client.PostForm(Url(service, op), QByteArray("op=") + op, [&](const ServiceResult& r) {
            replies.push_back(r.body.toStdString());
            onSender.push_back(QThread::currentThread() == app.thread());
        });
    EXPECT_EQ(client.Pending(), 2);
    QMetaObject::invokeMethod(
        &app, [&] { senderServed = true; }, Qt::QueuedConnection);
    ASSERT_TRUE(PumpUntil([&] { return replies.size() == 2; }));
    EXPECT_EQ(replies, (std::vector<std::string>{"served", "two"}));
    EXPECT_EQ(onSender, (std::vector<bool>{true, true}));
    EXPECT_EQ(client.Pending(), 0);
    const auto requests = service.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].operation, "first");
    EXPECT_EQ(requests[1].operation, "second");
}

// Settings reach the worker's client before the requests sent after them: a total
// time-out ends a reply that takes longer, with the status a blocking client gives.
TEST_F(AsyncServiceClientTest, ConfigureAppliesToTheRequestsThatFollow) {
    service.SetReply("slow", FakeReply::Delayed(5s, "late"));
    AsyncServiceClient client;
    client.Configure([](tamvik::ServiceClient& c) { c.SetTotalTimeout(300); });
    std::unique_ptr<ServiceResult> result;
    client.PostForm(Url(service, "slow"), {},
                    [&](const ServiceResult& r) { result = std::make_unique<ServiceResult>(r); });
    ASSERT_TRUE(PumpUntil([&] { return result != nullptr; }));
    EXPECT_EQ(result->status, ServiceResult::Status::TimedOut) << result->error.toStdString();
}

// A client that goes while its request waits for the service abandons it without waiting
// for the reply, and no reply reaches anyone afterwards.
TEST_F(AsyncServiceClientTest, GoingAwayAbandonsTheRunningRequestAndDropsItsReply) {
    service.SetReply("slow", FakeReply::Delayed(20s, "late"));
    bool replied = false;
    auto client = std::make_unique<AsyncServiceClient>();
    client->PostForm(Url(service, "slow"), {}, [&](const ServiceResult&) { replied = true; });
    client->PostForm(Url(service, "never"), {}, [&](const ServiceResult&) { replied = true; });
    ASSERT_TRUE(service.WaitFor("slow", 1, 10s));
    const auto before = std::chrono::steady_clock::now();
    client.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 5s) << "waited for the service";
    QCoreApplication::processEvents();
    EXPECT_FALSE(replied);
    EXPECT_EQ(service.Count("never"), 0u);
}
