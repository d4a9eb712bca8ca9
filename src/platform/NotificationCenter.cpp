#include "platform/NotificationCenter.h"

#include "platform/MainThread.h"

#include <QCoreApplication>

#include <vector>

namespace platform {

NotificationCenter::NotificationCenter() = default;

NotificationCenter& NotificationCenter::shared()
{
    static NotificationCenter* center = [] {
        auto* c = new NotificationCenter();
        if (auto* app = QCoreApplication::instance())
            c->moveToThread(app->thread());
        return c;
    }();
    return *center;
}

int NotificationCenter::addObserver(const QString& name, QObject* context, Observer observer)
{
    std::lock_guard lock(mutex_);
    const int token = nextToken_++;
    Entry entry;
    entry.name = name;
    entry.hasContext = context != nullptr;
    entry.context = context;
    entry.observer = std::make_shared<Observer>(std::move(observer));
    observers_.emplace(token, std::move(entry));
    return token;
}

void NotificationCenter::removeObserver(int token)
{
    std::lock_guard lock(mutex_);
    observers_.erase(token);
}

void NotificationCenter::post(const QString& name, const QVariantMap& userInfo)
{
    if (isMainThread()) {
        deliver(name, userInfo);
        return;
    }
    runOnMain(liveness_.token(), [this, name, userInfo] { deliver(name, userInfo); });
}

void NotificationCenter::deliver(const QString& name, const QVariantMap& userInfo)
{
    std::vector<std::pair<int, std::shared_ptr<Observer>>> targets;
    {
        std::lock_guard lock(mutex_);
        for (auto it = observers_.begin(); it != observers_.end();) {
            if (it->second.hasContext && !it->second.context) {
                it = observers_.erase(it);
                continue;
            }
            if (it->second.name == name)
                targets.emplace_back(it->first, it->second.observer);
            ++it;
        }
    }
    for (auto& [token, observer] : targets) {
        {
            // An observer removed by an earlier one in this delivery is not called.
            std::lock_guard lock(mutex_);
            if (!observers_.count(token))
                continue;
        }
        (*observer)(userInfo);
    }
}

} // namespace platform
