#pragma once

// One byte budget for the decoded-frame caches of every player in the process, beside the thread
// budget: each open cache may keep an equal share of it (and no more than its own cap), so the
// main, program and take players open together stay within one bound instead of one per item.
//
// Threads: take() and the leases are safe from any thread; a lease's share is read by the
// decoder thread that owns its cache.

#include "media/player/DecodeThreadBudget.h"

#include <atomic>
#include <cstddef>

namespace media {

class DecodedFrameBudget {
public:
    explicit DecodedFrameBudget(std::size_t totalBytes);
    // 768 MiB: a 1080p BGRA cache of about 90 frames alone, 15 frames each with six open.
    static DecodedFrameBudget& shared();

    class Lease {
    public:
        // The bytes this cache may keep now (the share shrinks as other caches open); without a
        // budget, no limit.
        std::size_t shareBytes() const;

    private:
        friend class DecodedFrameBudget;
        BudgetLease place_;
        const DecodedFrameBudget* budget_ = nullptr;
    };

    Lease take();
    int activeLeases() const { return active_.load(); }
    std::size_t totalBytes() const { return total_; }

private:
    const std::size_t total_;
    std::atomic<int> active_ { 0 };
};

} // namespace media
