#include "remote/ClipFileTransfer.h"

#include "platform/MainThread.h"
#include "remote/PlaybackRemotePort.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QUuid>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace remote {

namespace {

struct FileFacts {
    std::int64_t size = 0;
    double modifiedAt = 0.0;
    QString extension;
    QString fileName;
};

QString standardPath(const QUrl& url)
{
    return QDir::cleanPath(url.toLocalFile());
}

// None when the file is missing, unreadable or empty.
std::optional<FileFacts> factsOf(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || info.size() < 1)
        return std::nullopt;
    const auto modified = info.lastModified();
    return FileFacts { info.size(),
        modified.isValid() ? static_cast<double>(modified.toMSecsSinceEpoch()) / 1000.0 : 0.0,
        info.suffix().isEmpty() || !info.fileName().contains(QLatin1Char('.')) ? QString() : info.suffix().toLower(),
        info.fileName() };
}

} // namespace

ClipFileTransfer::ClipFileTransfer(Services services)
    : services_(std::move(services))
{
    if (!services_.readChunk)
        services_.readChunk = [](int fd, char* buffer, std::int64_t size) -> std::int64_t {
            return ::read(fd, buffer, static_cast<std::size_t>(size));
        };
}

ClipFileTransfer::~ClipFileTransfer()
{
    std::unique_lock lock(mutex_);
    stopping_ = true;
    waiting_.clear();
    ready_.clear();
    changed_.notify_all();
    changed_.wait(lock, [this] { return running_ == 0; });
}

QJsonArray ClipFileTransfer::buildCacheManifestClips() const
{
    Q_ASSERT(platform::isMainThread());
    QJsonArray entries;
    for (const auto& clip : services_.playback.clips()) {
        const auto facts = factsOf(standardPath(clip.url));
        if (!facts)
            continue;
        entries.append(QJsonObject { { QStringLiteral("id"), PlaybackRemotePort::idText(clip.id) },
            { QStringLiteral("name"), clip.name }, { QStringLiteral("fileName"), facts->fileName },
            { QStringLiteral("extension"), facts->extension },
            { QStringLiteral("sizeBytes"), static_cast<qint64>(facts->size) },
            { QStringLiteral("modifiedAt"), facts->modifiedAt } });
    }
    return entries;
}

void ClipFileTransfer::streamClipToClient(const QString& clipID, ConnectionId conn)
{
    Q_ASSERT(platform::isMainThread());
    const Job notFound { clipID, {}, 0, conn };
    const QUuid id(clipID);
    if (id.isNull()) {
        sendStatus(
            notFound, QStringLiteral("error"), { { QStringLiteral("message"), QStringLiteral("clip not found") } });
        return;
    }
    std::optional<PlaybackRemotePort::Clip> clip;
    for (const auto& candidate : services_.playback.clips())
        if (candidate.id == id) {
            clip = candidate;
            break;
        }
    if (!clip) {
        sendStatus(
            notFound, QStringLiteral("error"), { { QStringLiteral("message"), QStringLiteral("clip not found") } });
        return;
    }
    const Job job { clipID, standardPath(clip->url), 0, conn };
    const auto facts = factsOf(job.path);
    if (!facts) {
        sendStatus(job, QStringLiteral("error"), { { QStringLiteral("message"), QStringLiteral("file missing") } });
        return;
    }
    sendStatus(job, QStringLiteral("start"),
        { { QStringLiteral("fileName"), facts->fileName }, { QStringLiteral("extension"), facts->extension },
            { QStringLiteral("sizeBytes"), static_cast<qint64>(facts->size) },
            { QStringLiteral("modifiedAt"), facts->modifiedAt } });
    {
        std::lock_guard lock(mutex_);
        waiting_.push_back({ job.clipID, job.path, facts->size, conn });
    }
    startWaitingJobs();
}

int ClipFileTransfer::activeTransfers() const
{
    std::lock_guard lock(mutex_);
    return running_ + static_cast<int>(waiting_.size() + ready_.size());
}

void ClipFileTransfer::startWaitingJobs()
{
    int toStart = 0;
    {
        std::lock_guard lock(mutex_);
        for (auto it = waiting_.begin(); it != waiting_.end() && running_ + toStart < maxConcurrentTransfers;) {
            if (busy_.count(it->connection)) {
                ++it;
                continue;
            }
            busy_.insert(it->connection);
            ready_.push_back(std::move(*it));
            it = waiting_.erase(it);
            ++toStart;
        }
        running_ += toStart;
    }
    for (int i = 0; i < toStart; ++i)
        platform::runInBackground([this] { runNextJob(); });
}

void ClipFileTransfer::runNextJob()
{
    Job job;
    {
        std::lock_guard lock(mutex_);
        if (!ready_.empty()) {
            job = std::move(ready_.front());
            ready_.pop_front();
        }
    }
    if (job.connection != 0)
        read(job);
    {
        std::lock_guard lock(mutex_);
        busy_.erase(job.connection);
        --running_;
        changed_.notify_all();
        if (stopping_)
            return;
    }
    startWaitingJobs();
}

void ClipFileTransfer::read(const Job& job)
{
    const QByteArray path = QFile::encodeName(job.path);
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat status { };
    if (fd < 0 || ::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        if (fd >= 0)
            ::close(fd);
        sendStatus(job, QStringLiteral("error"), { { QStringLiteral("message"), QStringLiteral("open failed") } });
        return;
    }
    QByteArray buffer(static_cast<qsizetype>(chunkBytes), Qt::Uninitialized);
    std::int64_t seq = 0;
    std::int64_t sent = 0;
    for (;;) {
        if (!waitForDrain(job.connection)) {
            ::close(fd);
            return;
        }
        std::int64_t got = services_.readChunk(fd, buffer.data(), chunkBytes);
        while (got < 0 && errno == EINTR)
            got = services_.readChunk(fd, buffer.data(), chunkBytes);
        if (got < 0) {
            ::close(fd);
            sendStatus(job, QStringLiteral("error"), { { QStringLiteral("message"), QStringLiteral("read failed") } });
            return;
        }
        if (got == 0)
            break;
        sent += got;
        sendStatus(job, QStringLiteral("chunk"),
            { { QStringLiteral("seq"), static_cast<qint64>(seq++) },
                { QStringLiteral("data"),
                    QString::fromLatin1(QByteArray::fromRawData(buffer.constData(), got).toBase64()) } });
    }
    ::close(fd);
    sendStatus(job, QStringLiteral("end"),
        { { QStringLiteral("sizeBytes"), static_cast<qint64>(sent) },
            { QStringLiteral("expectedBytes"), static_cast<qint64>(job.announced) } });
}

bool ClipFileTransfer::waitForDrain(ConnectionId connection)
{
    for (;;) {
        const auto unsent = services_.unsentBytes(connection);
        if (!unsent)
            return false;
        std::unique_lock lock(mutex_);
        if (stopping_)
            return false;
        if (*unsent < drainThresholdBytes)
            return true;
        // The server tells no one when its bytes leave, so look again shortly.
        changed_.wait_for(lock, std::chrono::milliseconds(5), [this] { return stopping_; });
    }
}

void ClipFileTransfer::sendStatus(const Job& job, const QString& status, RemoteMessage fields)
{
    fields.insert(QStringLiteral("type"), QStringLiteral("cache.transfer"));
    fields.insert(QStringLiteral("status"), status);
    fields.insert(QStringLiteral("clipID"), job.clipID);
    services_.transport.send(job.connection, fields);
}

} // namespace remote
