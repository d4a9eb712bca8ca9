#include "fakes/FakeMediaPlayer.h"
#include "platform/MainThread.h"

#include "media/player/PlayerFrameQueue.h"
#include "media/player/PlayerItem.h"
#include "media/player/PlayerTimebase.h"
#include "platform/MediaClock.h"

#include <QSize>

#include <limits>

namespace media {

FakeMediaPlayer::FakeMediaPlayer(QObject* parent)
    : FakeMediaPlayer(platform::MediaClock::system(), parent)
{
}

FakeMediaPlayer::FakeMediaPlayer(platform::MediaClock& clock, QObject* parent)
    : MediaPlayer(parent)
    , clock_(clock)
{
}

FakeMediaPlayer::~FakeMediaPlayer()
{
    if (item_)
        item_->setPlayer(nullptr);
}

MediaPlayerFactory FakeMediaPlayer::factory(std::vector<FakeMediaPlayer*>* made)
{
    return [made] {
        auto player = std::make_unique<FakeMediaPlayer>();
        if (made)
            made->push_back(player.get());
        return std::unique_ptr<MediaPlayer>(std::move(player));
    };
}

bool FakeMediaPlayer::replaceCurrentItem(std::shared_ptr<PlayerItem> item)
{
    if (item && item != item_ && item->player() && item->player() != this)
        return false;
    calls_.push_back({ "replace", item ? 1.0 : 0.0 });
    if (item_)
        item_->setPlayer(nullptr);
    item_ = std::move(item);
    seconds_ = 0.0;
    if (item_)
        item_->setPlayer(this);
    syncTimebase();
    emit currentItemChanged();
    return true;
}

void FakeMediaPlayer::play()
{
    calls_.push_back({ "play", 1.0 });
    setRate(1.0f);
    calls_.pop_back(); // recorded as "play", not as a rate
}

void FakeMediaPlayer::pause()
{
    calls_.push_back({ "pause", 0.0 });
    setRate(0.0f);
    calls_.pop_back();
}

void FakeMediaPlayer::setRate(float rate)
{
    calls_.push_back({ "rate", static_cast<double>(rate) });
    const float clamped = clampRate(rate);
    if (clamped == rate_)
        return;
    rate_ = clamped;
    emit rateChanged(rate_);
}

void FakeMediaPlayer::seek(const MediaTime& time)
{
    if (!time.isNumeric())
        return;
    calls_.push_back({ "seek", time.seconds() });
    if (!item_)
        return;
    seconds_ = std::min(std::max(0.0, time.seconds()), durationSeconds());
    syncTimebase();
    // As the real player: the jump reaches the periodic observers from the main thread's queue.
    platform::runOnMain(this, [this] { firePeriodicObservers(); });
}

MediaPlayer::ObserverToken FakeMediaPlayer::addPeriodicTimeObserver(
    const MediaTime& interval, std::function<void(const MediaTime&)> block)
{
    return observers_.addPeriodic(interval, std::move(block));
}

MediaPlayer::ObserverToken FakeMediaPlayer::addBoundaryTimeObserver(
    const std::vector<MediaTime>& times, std::function<void()> block)
{
    return observers_.addBoundary(times, std::move(block));
}

void FakeMediaPlayer::removeTimeObserver(ObserverToken token)
{
    observers_.remove(token);
}

bool FakeMediaPlayer::ready() const
{
    return item_ && item_->status() == PlayerItem::Status::ReadyToPlay;
}

double FakeMediaPlayer::durationSeconds() const
{
    if (!ready() || !item_->duration().isNumeric())
        return std::numeric_limits<double>::infinity();
    return item_->duration().seconds();
}

void FakeMediaPlayer::makeReady(double duration, double nominalFrameRate, bool hasAudio)
{
    if (!item_)
        return;
    item_->markReady(duration >= 0.0 ? MediaTime::fromSeconds(duration, 240000) : MediaTime::indefinite(), true,
        hasAudio, QSize(1920, 1080), nominalFrameRate);
}

void FakeMediaPlayer::makeFailed(const QString& error)
{
    if (item_)
        item_->markFailed(error);
}

void FakeMediaPlayer::advance(double hostSeconds)
{
    if (!ready() || rate_ <= 0.0f || hostSeconds <= 0.0)
        return;
    const double from = seconds_;
    const double end = durationSeconds();
    const double to = std::min(from + hostSeconds * rate_, end);
    seconds_ = to;
    syncTimebase();
    // The same order as the real player's tick: boundaries, then the end or the periodic calls.
    if (!observers_.crossBoundaries(from, to, [this] { return ready(); }))
        return;
    if (rate_ <= 0.0f || seconds_ != to)
        return; // an observer paused or sought
    if (to >= end) {
        rate_ = 0.0f;
        emit rateChanged(rate_);
        observers_.reportAll(end);
        item_->notifyDidPlayToEnd();
        return;
    }
    observers_.crossPeriodic(from, to);
}

void FakeMediaPlayer::setCurrentTime(double seconds)
{
    seconds_ = seconds;
    syncTimebase();
}

void FakeMediaPlayer::firePeriodicObservers()
{
    observers_.reportAll(seconds_);
}

void FakeMediaPlayer::presentFrame(const Frame& frame, double durationSeconds)
{
    if (!item_ || frame.isNull())
        return;
    auto& queue = *item_->frameQueue();
    // A new epoch puts this picture on show whatever its time.
    queue.beginEpoch(queue.epoch() + 1);
    queue.push(frame, durationSeconds, queue.epoch());
}

void FakeMediaPlayer::failPlayback(const QString& error)
{
    if (item_)
        item_->notifyFailedToPlayToEnd(error);
}

std::vector<double> FakeMediaPlayer::seekTargets() const
{
    std::vector<double> targets;
    for (const auto& call : calls_)
        if (call.name == "seek")
            targets.push_back(call.value);
    return targets;
}

int FakeMediaPlayer::replaceCount() const
{
    int count = 0;
    for (const auto& call : calls_)
        count += call.name == "replace" ? 1 : 0;
    return count;
}

void FakeMediaPlayer::syncTimebase()
{
    if (item_)
        item_->timebase()->setAnchor(seconds_, clock_.now(), 0.0);
}

} // namespace media
