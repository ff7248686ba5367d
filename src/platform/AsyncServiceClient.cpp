#include "AsyncServiceClient.h"

#include <exception>

namespace tamvik {

AsyncServiceClient::AsyncServiceClient(QObject* parent) : QObject(parent) {
    m_client.SetAbortCheck([this] { return m_abandon.load(std::memory_order_relaxed); });
    m_worker = std::thread([this] { Work(); });
}

AsyncServiceClient::~AsyncServiceClient() {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
        m_jobs.clear();
    }
    m_abandon = true;
    m_wake.notify_all();
    m_worker.join();
    // Replies already posted to this object go with it.
}

void AsyncServiceClient::Configure(std::function<void(ServiceClient&)> change) {
    Job job;
    job.request = [change = std::move(change)](ServiceClient& client) {
        change(client);
        ServiceResult done;
        done.status = ServiceResult::Status::Ok;
        return done;
    };
    Enqueue(std::move(job));
}

void AsyncServiceClient::Send(Request request, Reply reply) {
    Job job;
    job.request = std::move(request);
    job.reply = std::move(reply);
    job.counted = true;
    ++m_pending;
    Enqueue(std::move(job));
}

void AsyncServiceClient::PostForm(const QString& url, const QByteArray& body, Reply reply) {
    Send([url, body](ServiceClient& client) { return client.PostForm(url, body); }, std::move(reply));
}

void AsyncServiceClient::Enqueue(Job job) {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
}

void AsyncServiceClient::Work() {
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_stopping)
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        ServiceResult result;
        try {
            result = job.request(m_client);
        } catch (const std::exception& e) {
            result.status = ServiceResult::Status::Failed;
            result.error = QString::fromLocal8Bit(e.what());
        }
        if (!job.counted)
            continue;
        QMetaObject::invokeMethod(
            this,
            [this, result = std::move(result), reply = std::move(job.reply)] { Deliver(result, reply); },
            Qt::QueuedConnection);
    }
}

void AsyncServiceClient::Deliver(const ServiceResult& result, const Reply& reply) {
    --m_pending;
    if (reply)
        reply(result);
}

} // namespace tamvik
