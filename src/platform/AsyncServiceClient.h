#pragma once

#include "ServiceClient.h"

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace tamvik {

// Runs the service requests of one window on a worker thread of its own, so that the
// window's thread never waits on the network. Requests run one at a time in the order
// they were sent, through one ServiceClient (its cookies and settings last as long as this
// object); each reply is handed back on this object's thread as a queued call. A reply
// still on its way when this object goes is dropped with it.
class AsyncServiceClient : public QObject {
    Q_OBJECT
public:
    using Request = std::function<ServiceResult(ServiceClient&)>;
    using Reply = std::function<void(const ServiceResult&)>;

    explicit AsyncServiceClient(QObject* parent = nullptr);
    // Abandons the running request (the client's abort check ends it within a fraction
    // of a second), discards the queued ones and waits for the worker.
    ~AsyncServiceClient() override;
    AsyncServiceClient(const AsyncServiceClient&) = delete;
    AsyncServiceClient& operator=(const AsyncServiceClient&) = delete;

    // Changes the worker's client (time-outs, proxy) before the requests sent after this
    // call. The client's abort check belongs to this object and is not to be replaced.
    void Configure(std::function<void(ServiceClient&)> change);
    // Queues a request; `reply` runs on this object's thread when it is done.
    void Send(Request request, Reply reply);
    // ServiceClient::PostForm as a queued request.
    void PostForm(const QString& url, const QByteArray& body, Reply reply);

    // Requests sent whose replies have not come back yet.
    int Pending() const { return m_pending; }

private:
    struct Job {
        Request request;
        Reply reply;
        bool counted = false; // a request of the window, not a Configure step
    };
    void Enqueue(Job job);
    void Work();
    void Deliver(const ServiceResult& result, const Reply& reply);

    ServiceClient m_client; // the worker's; Configure steps run on the worker too
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_jobs;
    bool m_stopping = false;
    std::atomic<bool> m_abandon{false};
    int m_pending = 0; // this object's thread only
    std::thread m_worker;
};

} // namespace tamvik
