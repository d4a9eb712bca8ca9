#pragma once

// Recently decoded pictures of one item, so stepping backwards over long-GOP material does not
// decode a whole group of pictures for every step. Bounded by bytes (its own cap and its share of
// the process's budget, whichever is less); when full it drops the frames farthest from the latest
// request. Used by the decoder thread only.

#include "media/frame/Frame.h"
#include "media/player/DecodedFrameBudget.h"

#include <cstddef>
#include <map>
#include <optional>

namespace media {

class DecodedFrameCache {
public:
    struct Entry {
        Frame frame;
        double duration = 0.0;
    };

    explicit DecodedFrameCache(std::size_t maxBytes, DecodedFrameBudget* budget = nullptr);

    // The frame whose interval [time, time + duration) holds `itemSeconds`.
    std::optional<Entry> find(double itemSeconds);
    // Whether find() would answer, without counting as a request.
    bool contains(double itemSeconds) const { return lookup(itemSeconds) != frames_.end(); }
    void insert(const Frame& frame, double duration);
    void clear();

    std::size_t count() const { return frames_.size(); }
    std::size_t bytes() const { return bytes_; }
    // What the cache may keep now.
    std::size_t limitBytes() const;

private:
    std::map<double, Entry>::const_iterator lookup(double itemSeconds) const;
    void evictAround(double centre);

    const std::size_t maxBytes_;
    DecodedFrameBudget::Lease lease_;
    std::size_t bytes_ = 0;
    double lastRequest_ = 0.0;
    std::map<double, Entry> frames_; // by presentation time
};

} // namespace media
