#include "cloud/CloudWorker.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace cloud {

namespace {

// Lives on the worker. stop() calls it by name, so no data crosses threads inside Qt's event
// (whose locks the thread sanitizer cannot see).
class InFlightAborter : public QObject {
    Q_OBJECT
public:
    QNetworkReply* reply = nullptr; // worker thread only

    Q_INVOKABLE void abortInFlight()
    {
        if (reply)
            reply->abort();
    }
};

} // namespace

QByteArray CloudWorker::Response::header(const QByteArray& name) const
{
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

CloudWorker::CloudWorker(QObject* parent)
    : QThread(parent)
{
    setObjectName(QStringLiteral("Corvale.CloudSync"));
}

CloudWorker::~CloudWorker()
{
    stop();
}

void CloudWorker::post(Job job)
{
    {
        std::lock_guard lock(mutex_);
        if (stopping_)
            return;
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

bool CloudWorker::isStopping() const
{
    std::lock_guard lock(mutex_);
    return stopping_;
}

void CloudWorker::stop()
{
    Q_ASSERT(!isCurrent());
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        jobs_.clear();
        if (context_)
            QMetaObject::invokeMethod(context_, "abortInFlight", Qt::QueuedConnection);
    }
    wake_.notify_all();
    wait();
    // The worker's last step was under this lock: taking it makes everything the worker did
    // visible here (QThread::wait() alone is invisible to the thread sanitizer).
    std::lock_guard lock(mutex_);
}

void CloudWorker::run()
{
    QNetworkAccessManager network;
    network.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    InFlightAborter context;
    {
        std::lock_guard lock(mutex_);
        network_ = &network;
        context_ = &context;
    }
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (stopping_)
                break;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
    std::lock_guard lock(mutex_);
    network_ = nullptr;
    context_ = nullptr;
}

CloudWorker::Response CloudWorker::send(const Request& request)
{
    Q_ASSERT(isCurrent());
    Response response;
    if (isStopping()) {
        response.cancelled = true;
        response.errorText = QStringLiteral("Cancelled");
        return response;
    }

    QNetworkRequest networkRequest(request.url);
    networkRequest.setTransferTimeout(requestTimeoutMs);
    for (const auto& [name, value] : request.headers)
        networkRequest.setRawHeader(name, value);

    // A streamed body is read from its device as it goes out, never copied into memory first.
    if (request.bodyDevice)
        networkRequest.setAttribute(QNetworkRequest::DoNotBufferUploadDataAttribute, true);
    QNetworkReply* reply = nullptr;
    if (request.bodyDevice)
        reply = network_->sendCustomRequest(networkRequest, request.method, request.bodyDevice);
    else if (request.method == "GET" && request.body.isEmpty())
        reply = network_->get(networkRequest);
    else
        reply = network_->sendCustomRequest(networkRequest, request.method, request.body);

    bool tooLarge = false;
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        response.body += reply->readAll();
        if (response.body.size() > maxAnswerBytes && !tooLarge) {
            tooLarge = true;
            reply->abort();
        }
    });
    if (request.onUploadProgress)
        QObject::connect(reply, &QNetworkReply::uploadProgress, &loop, request.onUploadProgress);
    auto* aborter = static_cast<InFlightAborter*>(context_);
    aborter->reply = reply;
    if (!reply->isFinished())
        loop.exec();
    aborter->reply = nullptr;
    if (!tooLarge)
        response.body += reply->readAll();

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    response.status = status.isValid() ? status.toInt() : 0;
    for (const auto& header : reply->rawHeaderPairs())
        response.headers.append({ header.first, header.second });
    if (tooLarge) {
        response.status = 0;
        response.body.clear();
        response.errorText = QStringLiteral("The answer is too large");
    } else if (isStopping()) {
        response.status = 0;
        response.cancelled = true;
        response.errorText = QStringLiteral("Cancelled");
    } else if (response.status == 0) {
        response.errorText = reply->error() == QNetworkReply::OperationCanceledError
            ? QStringLiteral("The request timed out")
            : reply->errorString();
    }
    delete reply;
    return response;
}

} // namespace cloud

#include "CloudWorker.moc"
