#include "media/frame/ScaledFrameCache.h"

#include "media/frame/FrameCompositor.h"
#include "platform/MainThread.h"

#include <array>
#include <cassert>

namespace media {

ScaledFrameCache::ScaledFrameCache(QObject* parent)
    : QObject(parent)
{
}

ScaledFrameCache::~ScaledFrameCache()
{
    assert(platform::isMainThread());
}

Frame ScaledFrameCache::fitOnBlack(const Frame& source, QSize size)
{
    if (size.isEmpty() || source.isNull() || source.format() != PixelFormat::BGRA)
        return {};
    const QRect fit = FrameCompositor::aspectFit(QSize(source.width(), source.height()), QRect(QPoint(0, 0), size));
    const std::array<QRect, 1> covered { fit };
    MutableFrame canvas = FrameCompositor::blackCanvas(size, covered);
    if (canvas.isNull() || !FrameCompositor::draw(canvas, source, fit))
        return {};
    canvas.setColorTags(source.colorTags());
    canvas.setFieldInfo(source.fieldInfo());
    if (source.itemTime())
        canvas.setItemTime(*source.itemTime());
    canvas.setHostTime(source.hostTime());
    return std::move(canvas).share();
}

void ScaledFrameCache::setSource(const Frame& frame)
{
    assert(platform::isMainThread());
    source_ = frame;
    ++sourceSerial_;
    for (auto& [k, entry] : entries_) {
        const QSize size(k.first, k.second);
        if (source_.isNull()) {
            entry.picture = {};
            entry.pictureSerial = sourceSerial_;
            emit frameReady(size);
        } else {
            schedule(size, entry);
        }
    }
}

void ScaledFrameCache::acquire(QSize size)
{
    assert(platform::isMainThread());
    if (size.isEmpty())
        return;
    Entry& entry = entries_[key(size)];
    if (entry.uses == 0)
        entry.id = nextEntryId_++;
    if (entry.uses++ == 0 && !source_.isNull())
        schedule(size, entry);
}

void ScaledFrameCache::release(QSize size)
{
    assert(platform::isMainThread());
    const auto it = entries_.find(key(size));
    if (it != entries_.end() && --it->second.uses <= 0)
        entries_.erase(it);
}

Frame ScaledFrameCache::scaledFrame(QSize size) const
{
    assert(platform::isMainThread());
    const auto it = entries_.find(key(size));
    return it == entries_.end() ? Frame {} : it->second.picture;
}

void ScaledFrameCache::schedule(QSize size, Entry& entry)
{
    // A busy size picks up the newest source when its job comes back.
    if (entry.busy)
        return;
    entry.busy = true;
    ++scaleCount_;
    const std::uint64_t serial = sourceSerial_;
    const std::uint64_t id = entry.id;
    platform::runInBackground([this, alive = alive_.token(), source = source_, size, id, serial]() {
        Frame picture = fitOnBlack(source, size);
        platform::runOnMain(
            alive, [this, size, id, serial, picture = std::move(picture)]() { finished(size, id, serial, picture); });
    });
}

void ScaledFrameCache::finished(QSize size, std::uint64_t id, std::uint64_t serial, Frame picture)
{
    const auto it = entries_.find(key(size));
    if (it == entries_.end() || it->second.id != id)
        return;
    Entry& entry = it->second;
    entry.busy = false;
    if (serial > entry.pictureSerial) {
        entry.picture = std::move(picture);
        entry.pictureSerial = serial;
        emit frameReady(size);
    }
    if (sourceSerial_ > serial && !source_.isNull())
        schedule(size, entry);
}

} // namespace media
