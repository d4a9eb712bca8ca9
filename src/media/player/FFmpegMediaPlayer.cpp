#include "media/player/FFmpegMediaPlayer.h"

#include "media/player/PlayerItem.h"
#include "media/player/PlayerTimebase.h"
#include "platform/MainThread.h"
#include "platform/MediaClock.h"
#include "platform/Scheduler.h"

#include <cmath>
#include <limits>

namespace media {

namespace {
// Item times within this of the end count as the end.
constexpr double kEndSlack = 1e-6;
} // namespace

FFmpegMediaPlayer::FFmpegMediaPlayer(QObject* parent)
    : FFmpegMediaPlayer(platform::MediaClock::system(), platform::Scheduler::main(), parent)
{
}

FFmpegMediaPlayer::FFmpegMediaPlayer(platform::MediaClock& clock, platform::Scheduler& scheduler, QObject* parent)
    : MediaPlayer(parent)
    , clock_(clock)
    , scheduler_(scheduler)
{
}

FFmpegMediaPlayer::~FFmpegMediaPlayer()
{
    if (timer_)
        scheduler_.cancel(timer_);
    replaceCurrentItem(nullptr);
}

MediaPlayerFactory FFmpegMediaPlayer::factory()
{
    return [] { return std::make_unique<FFmpegMediaPlayer>(); };
}

bool FFmpegMediaPlayer::replaceCurrentItem(std::shared_ptr<PlayerItem> item)
{
    if (item && item != item_ && item->player() && item->player() != this)
        return false;
    if (item == item_)
        return true;
    if (item_) {
        QObject::disconnect(statusConnection_);
        // The old item stops where it stands; its decoder goes idle.
        item_->timebase()->setAnchor(item_->timebase()->itemTime(clock_.now()), clock_.now(), 0.0);
        item_->setDecodeRate(0.0);
        item_->setPlayer(nullptr);
    }
    item_ = std::move(item);
    if (item_) {
        item_->setPlayer(this);
        statusConnection_ = connect(item_.get(), &PlayerItem::statusChanged, this, [this] { onItemStatusChanged(); });
        item_->load(clock_);
        applyRate();
        if (item_->status() == PlayerItem::Status::Failed)
            onItemStatusChanged();
    }
    lastTickSeconds_ = itemSeconds();
    updateTicking();
    emit currentItemChanged();
    firePeriodicSoon();
    return true;
}

bool FFmpegMediaPlayer::itemReady() const
{
    return item_ && item_->status() == PlayerItem::Status::ReadyToPlay;
}

double FFmpegMediaPlayer::duration() const
{
    if (!itemReady() || !item_->duration().isNumeric())
        return std::numeric_limits<double>::infinity();
    return item_->duration().seconds();
}

double FFmpegMediaPlayer::itemSeconds() const
{
    if (!item_)
        return 0.0;
    return item_->timebase()->itemTime(clock_.now());
}

void FFmpegMediaPlayer::applyRate()
{
    if (!item_)
        return;
    // The time line moves only once the item is ready; until then it holds where it was put.
    const double effective = itemReady() ? rate_ : 0.0;
    const double now = clock_.now();
    item_->timebase()->setAnchor(item_->timebase()->itemTime(now), now, effective);
    item_->setDecodeRate(effective);
}

void FFmpegMediaPlayer::setRate(float rate)
{
    const float clamped = clampRate(rate);
    if (item_ && item_->status() == PlayerItem::Status::Failed && clamped > 0.0f)
        // Asking a failed item to play reports the failure, so a transport waiting for it stops.
        platform::runOnMain(item_.get(), [item = item_] { item->notifyFailedToPlayToEnd(item->errorText()); });
    if (clamped == rate_)
        return;
    rate_ = clamped;
    applyRate();
    lastTickSeconds_ = itemSeconds();
    updateTicking();
    emit rateChanged(rate_);
    firePeriodicSoon();
}

void FFmpegMediaPlayer::seek(const MediaTime& time)
{
    if (!item_ || !time.isNumeric())
        return;
    double target = std::max(0.0, time.seconds());
    target = std::min(target, duration());
    const double now = clock_.now();
    const double effective = item_->timebase()->rate();
    item_->timebase()->setAnchor(target, now, effective);
    item_->seekFrames(target);
    // A seek is a jump: boundaries between the old and the new time are not crossed.
    lastTickSeconds_ = target;
    firePeriodicSoon();
}

MediaTime FFmpegMediaPlayer::currentTime() const
{
    if (!item_)
        return MediaTime::zero();
    return MediaTime::fromSeconds(std::min(itemSeconds(), duration()));
}

MediaPlayer::ObserverToken FFmpegMediaPlayer::addPeriodicTimeObserver(
    const MediaTime& interval, std::function<void(const MediaTime&)> block)
{
    return observers_.addPeriodic(interval, std::move(block));
}

MediaPlayer::ObserverToken FFmpegMediaPlayer::addBoundaryTimeObserver(
    const std::vector<MediaTime>& times, std::function<void()> block)
{
    return observers_.addBoundary(times, std::move(block));
}

void FFmpegMediaPlayer::removeTimeObserver(ObserverToken token)
{
    observers_.remove(token);
}

void FFmpegMediaPlayer::updateTicking()
{
    const bool wanted = item_ && itemReady() && rate_ > 0.0f;
    if (wanted && !timer_)
        timer_ = scheduler_.repeating(kTickInterval, [this] { tick(); });
    else if (!wanted && timer_) {
        scheduler_.cancel(timer_);
        timer_ = 0;
    }
}

void FFmpegMediaPlayer::tick()
{
    if (!itemReady() || rate_ <= 0.0f)
        return;
    const double end = duration();
    const double from = lastTickSeconds_;
    const double to = std::min(itemSeconds(), end);
    lastTickSeconds_ = to;
    const bool atEnd = to >= end - kEndSlack;

    if (!observers_.crossBoundaries(from, to, [this] { return itemReady(); }))
        return;
    if (rate_ <= 0.0f || lastTickSeconds_ != to)
        return; // an observer paused or sought: its own notifications follow

    if (atEnd) {
        reachEnd();
        return;
    }
    observers_.crossPeriodic(from, to);
}

void FFmpegMediaPlayer::reachEnd()
{
    // Paused at the end with the last picture held, as the transport expects.
    auto item = item_;
    const double end = duration();
    rate_ = 0.0f;
    item->timebase()->setAnchor(end, clock_.now(), 0.0);
    item->setDecodeRate(0.0);
    // Decoding ahead stops with the rate: make sure the last picture is the one on show.
    item->seekFrames(end);
    lastTickSeconds_ = end;
    updateTicking();
    emit rateChanged(rate_);
    observers_.reportAll(end);
    item->notifyDidPlayToEnd();
}

void FFmpegMediaPlayer::firePeriodicSoon()
{
    if (periodicPending_)
        return;
    periodicPending_ = true;
    platform::runOnMain(this, [this] {
        periodicPending_ = false;
        observers_.reportAll(std::min(itemSeconds(), duration()));
    });
}

void FFmpegMediaPlayer::onItemStatusChanged()
{
    if (!item_)
        return;
    if (item_->status() == PlayerItem::Status::Failed) {
        updateTicking();
        if (rate_ > 0.0f)
            platform::runOnMain(item_.get(), [item = item_] { item->notifyFailedToPlayToEnd(item->errorText()); });
        return;
    }
    // Ready: time starts to move now, and a seek made before lies within the known duration.
    const double now = clock_.now();
    const double held = std::min(item_->timebase()->itemTime(now), duration());
    item_->timebase()->setAnchor(held, now, 0.0);
    applyRate();
    lastTickSeconds_ = held;
    updateTicking();
    firePeriodicSoon();
}

} // namespace media
