#pragma once

#include "platform/Scheduler.h"

#include <QObject>

#include <map>

class QTimer;

namespace platform {

// Scheduler on QTimer; lives on the thread that created it (the main thread for Scheduler::main()).
class QtScheduler final : public QObject, public Scheduler {
    Q_OBJECT
public:
    explicit QtScheduler(QObject* parent = nullptr);
    ~QtScheduler() override;

    TimerId once(double seconds, std::function<void()> block) override;
    TimerId repeating(double interval, std::function<void()> block) override;
    void cancel(TimerId timer) override;

private:
    TimerId start(double seconds, bool single, std::function<void()> block);

    TimerId nextId_ = 1;
    std::map<TimerId, QTimer*> timers_;
};

} // namespace platform
