#pragma once

// One budget of decoding threads for every player in the process: each open decoder takes a
// share, so six players decoding at once do not each start a thread per core.

#include <atomic>

namespace media {

class DecodeThreadBudget {
public:
    explicit DecodeThreadBudget(int totalThreads);
    static DecodeThreadBudget& shared();

    // Held by a decoder for its life; threads() is the share it got when it was taken.
    class Lease {
    public:
        Lease() = default;
        ~Lease();
        Lease(Lease&& other) noexcept;
        Lease& operator=(Lease&& other) noexcept;
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        int threads() const { return threads_; }

    private:
        friend class DecodeThreadBudget;
        DecodeThreadBudget* budget_ = nullptr;
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
