#pragma once

// A tap on a player item's pictures: asks whether a new frame is due for an item time and
// copies it. Frames are 8-bit BGRA and shared, never copied, with every other output and view
// of the item; each carries its colour tags and interlacing, and its presentation time is its
// display time on the item's time line.
//
// Thread rule: main thread only, as the item it serves (attaching, detaching, reading the item
// time and copying frames are asserted there); the exceptions are setFrameAvailableHandler(),
// which any thread may call, and the handler itself, which runs on the item's decoder thread and
// must only signal, never call back into the output.

#include "media/frame/Frame.h"
#include "media/player/MediaTime.h"

#include <QPointer>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace media {

class PlayerFrameQueue;
class PlayerItem;
class PlayerTimebase;

class PlayerVideoOutput {
public:
    static std::shared_ptr<PlayerVideoOutput> create();
    ~PlayerVideoOutput();
    PlayerVideoOutput(const PlayerVideoOutput&) = delete;
    PlayerVideoOutput& operator=(const PlayerVideoOutput&) = delete;

    // The item served, or null.
    PlayerItem* item() const { return item_; }

    // The item time shown at a host time (media clock seconds); invalid when not attached.
    MediaTime itemTimeForHostTime(double hostSeconds) const;
    // True when the frame due at `itemTime` is not the one this output copied last.
    bool hasNewFrameForItemTime(const MediaTime& itemTime);
    // The frame due at `itemTime` (null when there is none yet); `displayTime` gets its time.
    Frame copyFrameForItemTime(const MediaTime& itemTime, MediaTime* displayTime = nullptr);

    // Called on a decoding thread whenever a new frame may have become due; for views that
    // repaint on demand and for waiting in tests. Null removes it.
    void setFrameAvailableHandler(std::function<void()> handler);

    // Display times are given with this timescale, which holds every common frame rate exactly.
    static constexpr std::int32_t kDisplayTimescale = 240000;

private:
    friend class PlayerItem;
    PlayerVideoOutput() = default;
    void attach(PlayerItem* item, std::shared_ptr<PlayerFrameQueue> queue, std::shared_ptr<PlayerTimebase> timebase);
    void detach(PlayerItem* item);

    PlayerItem* item_ = nullptr;
    std::shared_ptr<PlayerFrameQueue> queue_;
    std::shared_ptr<PlayerTimebase> timebase_;
    int listenerToken_ = 0;
    std::uint64_t lastSequence_ = 0;

    std::shared_ptr<std::mutex> handlerMutex_ = std::make_shared<std::mutex>();
    std::shared_ptr<std::function<void()>> handler_ = std::make_shared<std::function<void()>>();
};

} // namespace media
