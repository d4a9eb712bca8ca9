#include "media/frame/FramePool.h"

#include <cstring>
#include <map>
#include <mutex>
#include <tuple>
#include <vector>

namespace media {

struct FramePool::State {
    using Key = std::tuple<std::uint32_t, int, int>;

    explicit State(std::size_t maxIdle)
        : maxIdlePerKey(maxIdle)
    {
    }
    ~State()
    {
        for (auto& entry : idle)
            for (FrameBuffer* buffer : entry.second)
                delete buffer;
    }

    const std::size_t maxIdlePerKey;
    mutable std::mutex mutex;
    std::map<Key, std::vector<FrameBuffer*>> idle;
};

FramePool::FramePool(std::size_t maxIdlePerKey)
    : state_(std::make_shared<State>(maxIdlePerKey))
{
}

FramePool::~FramePool() = default;

FramePool& FramePool::shared()
{
    static FramePool pool;
    return pool;
}

MutableFrame FramePool::acquire(PixelFormat format, int width, int height)
{
    if (width <= 0 || height <= 0 || minimumRowBytes(format, width) == 0)
        return {};
    const State::Key key { static_cast<std::uint32_t>(format), width, height };
    FrameBuffer* buffer = nullptr;
    {
        std::lock_guard lock(state_->mutex);
        auto it = state_->idle.find(key);
        if (it != state_->idle.end() && !it->second.empty()) {
            buffer = it->second.back();
            it->second.pop_back();
        }
    }
    if (!buffer)
        buffer = new FrameBuffer(format, width, height, alignedRowBytes(format, width));

    // The buffer returns to the pool if the pool still exists when the last frame lets go.
    std::weak_ptr<State> weakState = state_;
    std::shared_ptr<FrameBuffer> shared(buffer, [weakState, key](FrameBuffer* released) {
        if (auto state = weakState.lock()) {
            std::lock_guard lock(state->mutex);
            auto& list = state->idle[key];
            if (list.size() < state->maxIdlePerKey) {
                list.push_back(released);
                return;
            }
        }
        delete released;
    });
    return MutableFrame(std::move(shared));
}

MutableFrame FramePool::copy(const Frame& frame)
{
    if (frame.isNull())
        return {};
    MutableFrame copy = acquire(frame.format(), frame.width(), frame.height());
    if (copy.rowBytes() == frame.rowBytes()) {
        std::memcpy(copy.data(), frame.data(), frame.rowBytes() * static_cast<std::size_t>(frame.height()));
    } else {
        const std::size_t rowBytes = minimumRowBytes(frame.format(), frame.width());
        for (int y = 0; y < frame.height(); ++y)
            std::memcpy(copy.row(y), frame.row(y), rowBytes);
    }
    copy.setHostTime(frame.hostTime());
    if (frame.itemTime())
        copy.setItemTime(*frame.itemTime());
    copy.setColorTags(frame.colorTags());
    copy.setFieldInfo(frame.fieldInfo());
    return copy;
}

std::size_t FramePool::idleCount() const
{
    std::lock_guard lock(state_->mutex);
    std::size_t count = 0;
    for (const auto& entry : state_->idle)
        count += entry.second.size();
    return count;
}

std::size_t FramePool::idleCount(PixelFormat format, int width, int height) const
{
    std::lock_guard lock(state_->mutex);
    auto it = state_->idle.find(State::Key { static_cast<std::uint32_t>(format), width, height });
    return it == state_->idle.end() ? 0 : it->second.size();
}

void FramePool::drain()
{
    std::vector<FrameBuffer*> victims;
    {
        std::lock_guard lock(state_->mutex);
        for (auto& entry : state_->idle) {
            victims.insert(victims.end(), entry.second.begin(), entry.second.end());
            entry.second.clear();
        }
    }
    for (FrameBuffer* buffer : victims)
        delete buffer;
}

} // namespace media
