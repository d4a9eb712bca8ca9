#pragma once

// Named notifications with a user-info map ("corvaleRecordingFinished", "CorvaleResetSplitViews").
// Observers are always called on the main thread: a post from the main thread is delivered at
// once, a post from any other thread is queued to the main thread.

#include "platform/MainThread.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <map>
#include <mutex>

namespace platform {

class NotificationCenter : public QObject {
    Q_OBJECT
public:
    using Observer = std::function<void(const QVariantMap& userInfo)>;

    NotificationCenter();

    static NotificationCenter& shared();

    // `context` (optional) ends the observation when it is destroyed.
    int addObserver(const QString& name, QObject* context, Observer observer);
    void removeObserver(int token);

    void post(const QString& name, const QVariantMap& userInfo = {});

private:
    struct Entry {
        QString name;
        bool hasContext = false;
        QPointer<QObject> context;
        std::shared_ptr<Observer> observer;
    };

    void deliver(const QString& name, const QVariantMap& userInfo);

    std::mutex mutex_;
    int nextToken_ = 1;
    std::map<int, Entry> observers_;
    // Checked by deliveries posted from other threads.
    LivenessFlag liveness_;
};

} // namespace platform
