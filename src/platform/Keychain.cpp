#include "platform/Keychain.h"

#include "platform/DebugLog.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <qt6keychain/keychain.h>

#include <chrono>
#include <condition_variable>
#include <deque>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

struct Waiter {
    // What to do, set before the job is queued.
    int kind = 0; // Keychain::JobKind
    QString service;
    QString account;
    QByteArray input;

    // The answer, under `mutex`.
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    QKeychain::Error error = QKeychain::NoError;
    QString errorString;
    QByteArray data;
};

// Writes `bytes` to `path` through a private temporary file in the same folder, then renames it,
// so a reader sees the old file or the new one whole. The file is created 0600 whatever the umask.
bool writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    QByteArray temp = QFile::encodeName(path) + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    bool ok = ::fchmod(fd, S_IRUSR | S_IWUSR) == 0;
    qsizetype written = 0;
    while (ok && written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        written += n > 0 ? n : 0;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.constData(), QFile::encodeName(path).constData()) == 0;
    if (!ok)
        ::unlink(temp.constData());
    return ok;
}

std::mutex& queueMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::deque<std::shared_ptr<Waiter>>& queuedJobs()
{
    static std::deque<std::shared_ptr<Waiter>> jobs;
    return jobs;
}

// On the keychain thread: starts every job queued so far. Called by name, so no data crosses
// threads inside Qt's event, whose locks the thread sanitizer cannot see; the jobs come through
// our own locked queue.
class KeychainThreadContext : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE void startQueuedJobs()
    {
        for (;;) {
            std::shared_ptr<Waiter> waiter;
            {
                std::lock_guard lock(queueMutex());
                if (queuedJobs().empty())
                    return;
                waiter = queuedJobs().front();
                queuedJobs().pop_front();
            }
            QKeychain::Job* job = nullptr;
            switch (waiter->kind) {
            case 0:
                job = new QKeychain::ReadPasswordJob(waiter->service);
                break;
            case 1: {
                auto* write = new QKeychain::WritePasswordJob(waiter->service);
                write->setBinaryData(waiter->input);
                job = write;
                break;
            }
            default:
                job = new QKeychain::DeletePasswordJob(waiter->service);
                break;
            }
            // Deleted by us once its result is read: QtKeychain's own auto-delete races its executor.
            job->setAutoDelete(false);
            job->setKey(waiter->account);
            QObject::connect(job, &QKeychain::Job::finished, this, [waiter](QKeychain::Job* finished) {
                std::lock_guard lock(waiter->mutex);
                waiter->error = finished->error();
                waiter->errorString = finished->errorString();
                if (auto* read = qobject_cast<QKeychain::ReadPasswordJob*>(finished))
                    waiter->data = read->binaryData();
                waiter->finished = true;
                waiter->done.notify_all();
                finished->deleteLater();
            });
            job->start();
        }
    }
};

// QtKeychain keeps process-wide state bound to the thread of its first job, so every job of the
// process runs on one thread that lives as long as the process.
KeychainThreadContext* keychainContext()
{
    static KeychainThreadContext* context = [] {
        auto* thread = new QThread();
        thread->setObjectName(QStringLiteral("Corvale.Keychain"));
        auto* object = new KeychainThreadContext();
        object->moveToThread(thread);
        thread->start(); // after the object is made, so the thread's start orders the two
        return object;
    }();
    return context;
}

} // namespace

Keychain::Keychain(QString service, QString fallbackFilePath, bool useSystemKeychain, double timeoutSeconds)
    : service_(std::move(service))
    , fallbackPath_(std::move(fallbackFilePath))
    , useSystemKeychain_(useSystemKeychain)
    , timeoutSeconds_(timeoutSeconds)
{
}

Keychain::~Keychain() = default;

QString Keychain::defaultFallbackPath()
{
    return QFileInfo(UserDefaults::standardFilePath()).absolutePath() + QStringLiteral("/secrets.json");
}

bool Keychain::usedFallback() const
{
    std::lock_guard lock(mutex_);
    return usedFallback_;
}

Keychain::JobResult Keychain::runJob(JobKind kind, const QString& account, const QByteArray& data)
{
    if (!useSystemKeychain_)
        return { false, false, {}, QStringLiteral("the system keychain is not used") };
    auto waiter = std::make_shared<Waiter>();
    waiter->kind = int(kind);
    waiter->service = service_;
    waiter->account = account;
    waiter->input = data;
    {
        std::lock_guard lock(queueMutex());
        queuedJobs().push_back(waiter);
    }
    QMetaObject::invokeMethod(keychainContext(), "startQueuedJobs", Qt::QueuedConnection);

    std::unique_lock lock(waiter->mutex);
    JobResult result;
    const auto timeout = std::chrono::duration<double>(timeoutSeconds_);
    if (!waiter->done.wait_for(lock, timeout, [&] { return waiter->finished; })) {
        result.error = QStringLiteral("the keychain did not answer");
        return result;
    }
    result.notFound = waiter->error == QKeychain::EntryNotFound;
    result.ok = waiter->error == QKeychain::NoError || result.notFound;
    result.data = waiter->data;
    if (!result.ok)
        result.error = waiter->errorString.isEmpty() ? QStringLiteral("keychain error %1").arg(int(waiter->error))
                                                     : waiter->errorString;
    return result;
}

std::optional<QByteArray> Keychain::read(const QString& account)
{
    std::lock_guard lock(mutex_);
    if (auto stored = readFile(account))
        return stored;
    const JobResult result = runJob(JobKind::read, account, {});
    if (!result.ok || result.notFound)
        return std::nullopt;
    return result.data;
}

void Keychain::write(const QString& account, const QByteArray& data)
{
    std::lock_guard lock(mutex_);
    const JobResult result = runJob(JobKind::write, account, data);
    if (result.ok) {
        if (readFile(account))
            updateFile(account, std::nullopt);
        return;
    }
    noteFallback(result.error);
    if (!updateFile(account, data))
        dlog("❌ [Keychain] could not store a secret in", fallbackPath_);
}

void Keychain::remove(const QString& account)
{
    std::lock_guard lock(mutex_);
    runJob(JobKind::remove, account, {});
    if (readFile(account) && !updateFile(account, std::nullopt))
        dlog("❌ [Keychain] could not remove a secret from", fallbackPath_);
}

void Keychain::noteFallback(const QString& reason)
{
    usedFallback_ = true;
    if (loggedFallback_)
        return;
    loggedFallback_ = true;
    dlog("⚠️ [Keychain] keychain unavailable (", reason, "), keeping secrets in", fallbackPath_);
}

std::optional<QByteArray> Keychain::readFile(const QString& account) const
{
    QFile file(fallbackPath_);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonObject services = QJsonDocument::fromJson(file.readAll()).object();
    const QJsonValue value = services.value(service_).toObject().value(account);
    if (!value.isString())
        return std::nullopt;
    return QByteArray::fromBase64(value.toString().toLatin1());
}

bool Keychain::updateFile(const QString& account, const std::optional<QByteArray>& data)
{
    const QFileInfo info(fallbackPath_);
    if (!QDir().mkpath(info.absolutePath()))
        return false;
    ::chmod(QFile::encodeName(info.absolutePath()).constData(), S_IRWXU);

    QJsonObject services;
    QFile file(fallbackPath_);
    if (file.open(QIODevice::ReadOnly)) {
        QJsonParseError error {};
        const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
        file.close();
        if (error.error != QJsonParseError::NoError || !document.isObject()) {
            // Never overwrite what we cannot read: keep it aside for the user.
            const QString aside = fallbackPath_ + QStringLiteral(".unreadable");
            QFile::remove(aside);
            QFile::rename(fallbackPath_, aside);
            dlog("⚠️ [Keychain] unreadable secrets file moved to", aside);
        } else {
            services = document.object();
        }
    }
    QJsonObject accounts = services.value(service_).toObject();
    if (data)
        accounts.insert(account, QString::fromLatin1(data->toBase64()));
    else
        accounts.remove(account);
    if (accounts.isEmpty())
        services.remove(service_);
    else
        services.insert(service_, accounts);
    return writeFileAtomically(fallbackPath_, QJsonDocument(services).toJson(QJsonDocument::Compact));
}

} // namespace platform

#include "Keychain.moc"
