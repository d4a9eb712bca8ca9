#include "remote/AvahiServicePublisher.h"

#include "platform/DebugLog.h"
#include "platform/MainThread.h"
#include "remote/QueuedCalls.h"

#include <QTimer>

#include <avahi-client/client.h>
#include <avahi-client/publish.h>
#include <avahi-common/alternative.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/strlst.h>
#include <avahi-common/thread-watch.h>

namespace remote {

namespace {

// DNS-SD wants the type and domain without their trailing dots; the default domain is "local".
QByteArray withoutTrailingDot(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    if (bytes.endsWith('.'))
        bytes.chop(1);
    return bytes;
}

// A service name is one DNS label: at most 63 bytes of UTF-8, cut at a character boundary.
QString asServiceName(const QString& name)
{
    QString cut = name;
    while (cut.toUtf8().size() > 63)
        cut.chop(cut.size() >= 2 && cut.at(cut.size() - 1).isLowSurrogate() ? 2 : 1);
    return cut.isEmpty() ? QStringLiteral("Corvale") : cut;
}

// Holds the poll's lock for the calls the main thread makes into Avahi.
class PollLock {
public:
    explicit PollLock(AvahiThreadedPoll* poll)
        : poll_(poll)
    {
        if (poll_)
            avahi_threaded_poll_lock(poll_);
    }
    ~PollLock()
    {
        if (poll_)
            avahi_threaded_poll_unlock(poll_);
    }
    PollLock(const PollLock&) = delete;
    PollLock& operator=(const PollLock&) = delete;

private:
    AvahiThreadedPoll* poll_;
};

} // namespace

AvahiServicePublisher::AvahiServicePublisher(QObject* parent)
    : QObject(parent)
{
}

AvahiServicePublisher::~AvahiServicePublisher()
{
    tearDown();
}

void AvahiServicePublisher::publish(const ServiceDescription& service, Listener listener)
{
    Q_ASSERT(platform::isMainThread());
    service_ = service;
    name_ = asServiceName(service.name);
    listener_ = std::move(listener);
    wanted_ = true;
    failureReported_ = false;
    if (!client_)
        startClient();
    else
        registerService();
}

void AvahiServicePublisher::stop()
{
    Q_ASSERT(platform::isMainThread());
    wanted_ = false;
    tearDown();
    name_.clear();
    if (auto didStop = listener_.didStop)
        platform::runOnMain(this, [didStop] { didStop(); });
}

void AvahiServicePublisher::startClient()
{
    ++generation_;
    poll_ = avahi_threaded_poll_new();
    if (!poll_) {
        reportFailure(QStringLiteral("cannot create the Avahi poll"));
        return;
    }
    int error = 0;
    // The first state arrives from inside avahi_client_new(); like every later one it is posted.
    client_ = avahi_client_new(avahi_threaded_poll_get(poll_), AVAHI_CLIENT_NO_FAIL,
        reinterpret_cast<AvahiClientCallback>(&AvahiServicePublisher::clientCallback), this, &error);
    if (!client_) {
        avahi_threaded_poll_free(poll_);
        poll_ = nullptr;
        reportFailure(QString::fromUtf8(avahi_strerror(error)));
        // No system bus yet: a client cannot even wait for the daemon, so try again later.
        QTimer::singleShot(retrySeconds * 1000, this, [this] {
            if (wanted_ && !client_)
                startClient();
        });
        return;
    }
    if (avahi_threaded_poll_start(poll_) < 0) {
        avahi_client_free(client_);
        avahi_threaded_poll_free(poll_);
        client_ = nullptr;
        poll_ = nullptr;
        reportFailure(QStringLiteral("cannot start the Avahi poll thread"));
    }
}

void AvahiServicePublisher::tearDown()
{
    ++generation_;
    if (!poll_)
        return;
    // Stopped first: no callback runs while the objects go.
    avahi_threaded_poll_stop(poll_);
    if (group_)
        avahi_entry_group_free(group_);
    if (client_)
        avahi_client_free(client_);
    avahi_threaded_poll_free(poll_);
    group_ = nullptr;
    client_ = nullptr;
    poll_ = nullptr;
}

void AvahiServicePublisher::clientCallback(AvahiClient*, int state, void* self)
{
    auto* publisher = static_cast<AvahiServicePublisher*>(self);
    // Read on the poll thread, which the main thread only changes while holding the poll's lock
    // or after stopping the thread.
    const quint64 generation = publisher->generation_.load();
    publisher->calls_.post([publisher, state, generation] { publisher->onClientState(state, generation); });
}

void AvahiServicePublisher::groupCallback(AvahiEntryGroup*, int state, void* self)
{
    auto* publisher = static_cast<AvahiServicePublisher*>(self);
    const quint64 generation = publisher->generation_.load();
    publisher->calls_.post([publisher, state, generation] { publisher->onGroupState(state, generation); });
}

void AvahiServicePublisher::onClientState(int state, quint64 generation)
{
    if (generation != generation_ || !client_)
        return;
    switch (state) {
    case AVAHI_CLIENT_S_RUNNING:
        failureReported_ = false;
        if (wanted_)
            registerService();
        break;
    case AVAHI_CLIENT_S_COLLISION:
    case AVAHI_CLIENT_S_REGISTERING: {
        // The host name changed or collided: the records go until the server runs again.
        PollLock lock(poll_);
        if (group_)
            avahi_entry_group_reset(group_);
        break;
    }
    case AVAHI_CLIENT_CONNECTING:
        reportFailure(QStringLiteral("avahi-daemon is not running; waiting for it"));
        break;
    case AVAHI_CLIENT_FAILURE: {
        reportFailure(clientError());
        // The daemon went away: a new client waits for it to come back.
        tearDown();
        if (wanted_)
            startClient();
        break;
    }
    default:
        break;
    }
}

void AvahiServicePublisher::onGroupState(int state, quint64 generation)
{
    if (generation != generation_ || !group_)
        return;
    switch (state) {
    case AVAHI_ENTRY_GROUP_ESTABLISHED: {
        ServiceDescription published = service_;
        published.name = name_;
        if (listener_.didPublish)
            listener_.didPublish(published);
        break;
    }
    case AVAHI_ENTRY_GROUP_COLLISION: {
        {
            PollLock lock(poll_);
            char* alternative = avahi_alternative_service_name(name_.toUtf8().constData());
            dlog("⚠️ Bonjour name collision:", name_, "→", QString::fromUtf8(alternative));
            name_ = QString::fromUtf8(alternative);
            avahi_free(alternative);
            avahi_entry_group_reset(group_);
        }
        registerService();
        break;
    }
    case AVAHI_ENTRY_GROUP_FAILURE:
        reportFailure(clientError());
        break;
    default:
        break;
    }
}

void AvahiServicePublisher::registerService()
{
    if (!client_)
        return;
    QString failure;
    {
        PollLock lock(poll_);
        if (avahi_client_get_state(client_) != AVAHI_CLIENT_S_RUNNING)
            return; // published when the client reaches the running state
        if (!group_) {
            group_ = avahi_entry_group_new(
                client_, reinterpret_cast<AvahiEntryGroupCallback>(&AvahiServicePublisher::groupCallback), this);
            if (!group_) {
                failure = QString::fromUtf8(avahi_strerror(avahi_client_errno(client_)));
            }
        }
        if (group_ && avahi_entry_group_is_empty(group_)) {
            AvahiStringList* txt = nullptr;
            for (const auto& [key, value] : service_.txt) {
                txt = avahi_string_list_add_pair_arbitrary(txt, key.constData(),
                    reinterpret_cast<const uint8_t*>(value.constData()), std::size_t(value.size()));
            }
            const QByteArray type = withoutTrailingDot(service_.type);
            const QByteArray domain = withoutTrailingDot(service_.domain);
            int result = AVAHI_ERR_COLLISION;
            // A name taken by another service on this host is replaced at once.
            for (int attempt = 0; attempt < 16 && result == AVAHI_ERR_COLLISION; ++attempt) {
                result = avahi_entry_group_add_service_strlst(group_, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC,
                    AvahiPublishFlags(0), name_.toUtf8().constData(), type.constData(),
                    domain == "local" ? nullptr : domain.constData(), nullptr, service_.port, txt);
                if (result == AVAHI_ERR_COLLISION) {
                    char* alternative = avahi_alternative_service_name(name_.toUtf8().constData());
                    name_ = QString::fromUtf8(alternative);
                    avahi_free(alternative);
                }
            }
            avahi_string_list_free(txt);
            if (result >= 0)
                result = avahi_entry_group_commit(group_);
            if (result < 0)
                failure = QString::fromUtf8(avahi_strerror(result));
        }
    }
    if (!failure.isEmpty())
        reportFailure(failure);
}

QString AvahiServicePublisher::clientError()
{
    PollLock lock(poll_);
    return QString::fromUtf8(avahi_strerror(avahi_client_errno(client_)));
}

void AvahiServicePublisher::reportFailure(const QString& error)
{
    // One report per outage, not one per reconnection attempt.
    if (failureReported_)
        return;
    failureReported_ = true;
    // Reported from the event loop, like every other outcome, never from inside publish().
    calls_.post([this, error] {
        if (listener_.didNotPublish)
            listener_.didNotPublish(error);
    });
}

} // namespace remote
