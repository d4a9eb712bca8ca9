#pragma once

// The station's remote side over its real engines, for the remote tests and benchmarks: the
// playback engine on fake players (thumbnails and formats never arrive), the capture engine
// without cards or cameras, the control stack on 127.0.0.1 at a port the system chooses, and the
// station's remote control over them. Nothing listens until the stack's setupControlServer().

#include "app/StationRemoteControl.h"
#include "capture/RecordViewModel.h"
#include "platform/ManualMediaClock.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "playback/PlaybackViewModel.h"
#include "remote/RemoteStack.h"
#include "settings/AppSettings.h"

#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <vector>

namespace media {
class FakeMediaPlayer;
}

class RemoteStationKit {
public:
    RemoteStationKit(
        platform::Scheduler& scheduler, remote::PermissionPrompter& prompter, remote::ServicePublisher& publisher,
        std::function<void(int count)> updateActiveTrackCount = [](int) {});
    ~RemoteStationKit();

    // A finished take in the project folder, announced as the capture engine does; the engine
    // adds and selects it.
    QUuid record(const QString& name, const QByteArray& content);
    media::FakeMediaPlayer& mainPlayer() const;

    QTemporaryDir dir;
    QString project;
    platform::UserDefaults defaults;
    settings::AppSettings settings;
    platform::ManualMediaClock clock;
    platform::NotificationCenter notifications;
    std::vector<media::FakeMediaPlayer*> players;
    std::unique_ptr<playback::PlaybackViewModel> playback;
    std::unique_ptr<capture::RecordViewModel> capture;
    std::unique_ptr<remote::RemoteStack> stack;
    std::unique_ptr<app::StationRemoteControl> control;
};
