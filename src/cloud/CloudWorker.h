#pragma once

// The thread "Corvale.CloudSync" that runs every network job of cloud sync, one at a time in the
// order posted, with its own QNetworkAccessManager. A job is plain code that blocks on send();
// results go back to the main thread with platform::runOnMain, which keeps their order.
//
// Threads: post(), stop() and isStopping() from any thread; send() only from a job on the worker.
// The worker runs its own job loop (not QThread::exec), so a request waiting in send() processes
// network events without ever starting the next job.

#include <QByteArray>
#include <QList>
#include <QThread>
#include <QUrl>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <utility>

class QIODevice;
class QNetworkAccessManager;
class QNetworkReply;

namespace cloud {

class CloudWorker : public QThread {
    Q_OBJECT
public:
    using Job = std::function<void()>;

    struct Request {
        QByteArray method = "GET";
        QUrl url;
        QList<std::pair<QByteArray, QByteArray>> headers;
        QByteArray body;
        QIODevice* bodyDevice = nullptr; // streamed instead of `body` when set
        std::function<void(qint64 sent, qint64 total)> onUploadProgress;
    };

    struct Response {
        int status = 0; // 0: no HTTP answer arrived
        QByteArray body;
        QList<std::pair<QByteArray, QByteArray>> headers;
        QString errorText; // why there is no answer
        bool cancelled = false;

        bool hasAnswer() const { return status > 0; }
        bool isSuccess() const { return status >= 200 && status <= 299; }
        // First header of that name, any letter case; empty when absent.
        QByteArray header(const QByteArray& name) const;
    };

    // Answers larger than this are refused: everything the station downloads is small JSON.
    static constexpr qint64 maxAnswerBytes = 64LL * 1024 * 1024;
    static constexpr int requestTimeoutMs = 60000;

    explicit CloudWorker(QObject* parent = nullptr);
    ~CloudWorker() override;

    void post(Job job);
    // Drops queued jobs, aborts the request in flight, and joins the thread. Jobs posted later
    // are dropped.
    void stop();
    bool isStopping() const;
    bool isCurrent() const { return QThread::currentThread() == this; }

    Response send(const Request& request);

protected:
    void run() override;

private:
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    bool stopping_ = false;

    // Worker thread only.
    QNetworkAccessManager* network_ = nullptr;
    QObject* context_ = nullptr; // aborts the request in flight; set and cleared under mutex_
};

} // namespace cloud
