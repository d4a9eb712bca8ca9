#include "media/player/PlayerItem.h"

#include "media/player/ItemDecoder.h"
#include "media/player/PlayerFrameQueue.h"
#include "media/player/PlayerTimebase.h"
#include "media/player/PlayerVideoOutput.h"
#include "platform/MainThread.h"

#include <algorithm>
#include <limits>

namespace media {

std::shared_ptr<PlayerItem> PlayerItem::create(const QUrl& url)
{
    return std::shared_ptr<PlayerItem>(new PlayerItem(url));
}

PlayerItem::PlayerItem(const QUrl& url)
    : url_(url)
    , queue_(std::make_shared<PlayerFrameQueue>())
    , timebase_(std::make_shared<PlayerTimebase>())
{
}

PlayerItem::~PlayerItem()
{
    // The decoder thread ends before the object it reports to goes away.
    decoder_.reset();
    for (auto& output : outputs_)
        output->detach(this);
}

void PlayerItem::addOutput(const std::shared_ptr<PlayerVideoOutput>& output)
{
    if (!output || std::find(outputs_.begin(), outputs_.end(), output) != outputs_.end())
        return;
    if (PlayerItem* former = output->item())
        former->removeOutput(output);
    outputs_.push_back(output);
    output->attach(this, queue_, timebase_);
}

void PlayerItem::removeOutput(const std::shared_ptr<PlayerVideoOutput>& output)
{
    auto it = std::find(outputs_.begin(), outputs_.end(), output);
    if (it == outputs_.end())
        return;
    auto kept = *it; // alive until detached
    outputs_.erase(it);
    kept->detach(this);
}

void PlayerItem::load(const platform::MediaClock& clock)
{
    if (decoder_ || status_ == Status::Failed)
        return;
    ItemDecoder::Callbacks callbacks;
    const auto alive = liveness_.token();
    callbacks.opened = [this, alive](const ItemDecoder::OpenInfo& info) {
        platform::runOnMain(alive, [this, info] {
            markReady(
                info.duration, info.hasVideo, info.hasAudio, QSize(info.width, info.height), info.nominalFrameRate);
        });
    };
    callbacks.openFailed
        = [this, alive](const QString& error) { platform::runOnMain(alive, [this, error] { markFailed(error); }); };
    callbacks.playbackFailed = [this, alive](const QString& error) {
        platform::runOnMain(alive, [this, error] { notifyFailedToPlayToEnd(error); });
    };
    decoder_ = std::make_unique<ItemDecoder>(url_, queue_, timebase_, clock, std::move(callbacks));
    if (seekBeforeLoad_ >= 0.0)
        decoder_->seek(seekBeforeLoad_, epoch_);
    if (rateBeforeLoad_ > 0.0)
        decoder_->setRate(rateBeforeLoad_);
}

void PlayerItem::seekFrames(double seconds)
{
    ++epoch_;
    queue_->beginEpoch(epoch_);
    if (decoder_)
        decoder_->seek(seconds, epoch_);
    else
        seekBeforeLoad_ = seconds;
}

void PlayerItem::setDecodeRate(double rate)
{
    if (decoder_)
        decoder_->setRate(rate);
    else
        rateBeforeLoad_ = rate;
}

void PlayerItem::markReady(MediaTime duration, bool hasVideo, bool hasAudio, QSize size, double nominalFrameRate)
{
    if (status_ != Status::Unknown)
        return;
    duration_ = duration;
    hasVideo_ = hasVideo;
    hasAudio_ = hasAudio;
    size_ = size;
    nominalFrameRate_ = nominalFrameRate;
    timebase_->setEnd(duration.isNumeric() ? duration.seconds() : std::numeric_limits<double>::infinity());
    status_ = Status::ReadyToPlay;
    emit durationChanged();
    emit statusChanged(status_);
}

void PlayerItem::markFailed(const QString& error)
{
    if (status_ == Status::Failed)
        return;
    error_ = error;
    status_ = Status::Failed;
    emit statusChanged(status_);
}

void PlayerItem::notifyDidPlayToEnd()
{
    emit didPlayToEndTime();
}

void PlayerItem::notifyFailedToPlayToEnd(const QString& error)
{
    emit failedToPlayToEndTime(error);
}

} // namespace media
