#pragma once

// One budget of decoding threads for every player in the process: each open decoder takes a
// share, so six players decoding at once do not each start a thread per core.

#include <atomic>
#include <utility>

namespace media {

// A holder's place in a budget's count of holders (decoders, caches): counted while it lives,
// moved but never copied. Shared by the thread and byte budgets.
class BudgetLease {
public:
    BudgetLease() = default;
    explicit BudgetLease(std::atomic<int>& holders)
        : holders_(&holders)
    {
        holders.fetch_add(1);
    }
    ~BudgetLease() { release(); }
    BudgetLease(BudgetLease&& other) noexcept
        : holders_(std::exchange(other.holders_, nullptr))
    {
    }
    BudgetLease& operator=(BudgetLease&& other) noexcept
    {
        if (this != &other) {
            release();
            holders_ = std::exchange(other.holders_, nullptr);
        }
        return *this;
    }
    bool held() const { return holders_ != nullptr; }

private:
    void release()
    {
        if (holders_)
            holders_->fetch_sub(1);
    }
    std::atomic<int>* holders_ = nullptr;
};

class DecodeThreadBudget {
public:
    explicit DecodeThreadBudget(int totalThreads);
    static DecodeThreadBudget& shared();

    // Held by a decoder for its life; threads() is the share it got when it was taken.
    class Lease {
    public:
        int threads() const { return threads_; }

    private:
        friend class DecodeThreadBudget;
        BudgetLease place_;
        int threads_ = 1;
    };

    Lease take();
    int activeLeases() const { return active_.load(); }
    int totalThreads() const { return total_; }

private:
    const int total_;
    std::atomic<int> active_ { 0 };
};

} // namespace media
