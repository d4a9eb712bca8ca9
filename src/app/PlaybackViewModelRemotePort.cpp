#include "app/PlaybackViewModelRemotePort.h"

#include "media/player/PlayerItem.h"
#include "playback/PlaybackViewModel.h"

namespace app {

namespace {

template <class Signal>
void relay(playback::PlaybackViewModel& engine, Signal changed, PlaybackViewModelRemotePort* port,
    remote::PlaybackRemotePort::Property property)
{
    QObject::connect(&engine, changed, port, [port, property] { emit port->propertyAssigned(property); });
}

} // namespace

PlaybackViewModelRemotePort::PlaybackViewModelRemotePort(playback::PlaybackViewModel& engine, QObject* parent)
    : PlaybackRemotePort(parent)
    , engine_(engine)
{
    using Engine = playback::PlaybackViewModel;
    relay(engine, &Engine::currentTimeChanged, this, Property::currentTime);
    relay(engine, &Engine::isPlayingChanged, this, Property::isPlaying);
    relay(engine, &Engine::durationChanged, this, Property::duration);
    relay(engine, &Engine::selectedClipIDChanged, this, Property::selectedClipID);
    relay(engine, &Engine::secondaryClipIDChanged, this, Property::secondaryClipID);
    relay(engine, &Engine::previewTakeChanged, this, Property::previewTake);
    relay(engine, &Engine::previewTakeClipIDsChanged, this, Property::previewTakeClipIDs);
    relay(engine, &Engine::clipsChanged, this, Property::clips);
    relay(engine, &Engine::markInChanged, this, Property::markIn);
    relay(engine, &Engine::markOutChanged, this, Property::markOut);
    relay(engine, &Engine::loopInOutChanged, this, Property::loopInOut);
}

std::vector<PlaybackViewModelRemotePort::Clip> PlaybackViewModelRemotePort::clips() const
{
    std::vector<Clip> list;
    list.reserve(static_cast<std::size_t>(engine_.clips().size()));
    for (const auto& item : engine_.clips())
        list.push_back({ item.id, item.url, item.slateDisplayName(), item.duration, item.markIn, item.markOut,
            item.take, item.inputNumber, item.offline });
    return list;
}

std::optional<QUuid> PlaybackViewModelRemotePort::selectedClipID() const
{
    return engine_.selectedClipID();
}
std::optional<QUuid> PlaybackViewModelRemotePort::secondaryClipID() const
{
    return engine_.secondaryClipID();
}
bool PlaybackViewModelRemotePort::isPlaying() const
{
    return engine_.isPlaying();
}
double PlaybackViewModelRemotePort::currentTime() const
{
    return engine_.currentTime();
}
bool PlaybackViewModelRemotePort::loopInOut() const
{
    return engine_.loopInOut();
}
std::optional<double> PlaybackViewModelRemotePort::markIn() const
{
    return engine_.markIn();
}
std::optional<double> PlaybackViewModelRemotePort::markOut() const
{
    return engine_.markOut();
}
std::optional<qint64> PlaybackViewModelRemotePort::previewTake() const
{
    return engine_.previewTake();
}
QList<QUuid> PlaybackViewModelRemotePort::previewTakeClipIDs() const
{
    return engine_.previewTakeClipIDs();
}

double PlaybackViewModelRemotePort::playerTime() const
{
    const auto* player = engine_.player();
    return player ? player->currentTime().seconds() : 0.0;
}

std::optional<double> PlaybackViewModelRemotePort::playerItemDuration() const
{
    const auto* player = engine_.player();
    const auto item = player ? player->currentItem() : nullptr;
    if (!item)
        return std::nullopt;
    // An unknown length stays not-a-number here; the snapshot sends it as 0.
    return item->duration().seconds();
}

void PlaybackViewModelRemotePort::togglePlayPause()
{
    engine_.togglePlayPause();
}
void PlaybackViewModelRemotePort::stopPlayback()
{
    engine_.stopPlayback();
}
void PlaybackViewModelRemotePort::jogFrame(int direction)
{
    engine_.jogFrame(direction);
}
void PlaybackViewModelRemotePort::shuttleTap(int direction)
{
    engine_.shuttleTap(direction);
}
void PlaybackViewModelRemotePort::setMarkIn()
{
    engine_.setMarkIn();
}
void PlaybackViewModelRemotePort::setMarkOut()
{
    engine_.setMarkOut();
}
void PlaybackViewModelRemotePort::clearMarks()
{
    engine_.clearMarks();
}
void PlaybackViewModelRemotePort::playInToOut()
{
    engine_.playInToOut();
}
void PlaybackViewModelRemotePort::setLoopInOut(bool value)
{
    engine_.setLoopInOut(value);
}
void PlaybackViewModelRemotePort::seek(double seconds, bool stopTransport)
{
    engine_.seek(seconds, stopTransport);
}
void PlaybackViewModelRemotePort::selectClip(const std::optional<QUuid>& id)
{
    engine_.selectClip(id);
}
void PlaybackViewModelRemotePort::setSecondaryClip(const std::optional<QUuid>& id)
{
    engine_.setSecondaryClip(id);
}
void PlaybackViewModelRemotePort::deleteSelectedClip()
{
    engine_.deleteSelectedClip();
}
void PlaybackViewModelRemotePort::deleteAllClips()
{
    engine_.deleteAllClips();
}

} // namespace app
