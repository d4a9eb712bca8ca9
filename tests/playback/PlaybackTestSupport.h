#pragma once

// An engine on private settings, fake players, a manual scheduler and its own notification
// centre, with stand-ins for the panels and the media loader that the test answers by hand.

#include "fakes/FakeMediaPlayer.h"
#include "kit/FileSizeLimit.h"
#include "kit/Files.h"
#include "platform/ManualScheduler.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "playback/ClipMediaLoader.h"
#include "playback/PlaybackDialogs.h"
#include "playback/PlaybackViewModel.h"
#include "settings/AppSettings.h"

#include <gtest/gtest.h>

#include <QPointer>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace playback_test {

// A file of tests/playback/data.
QByteArray fixture(const char* name);
using testkit::writeFile;

// Holds every request until the test answers it.
class ManualMediaLoader final : public playback::ClipMediaLoader {
public:
    template <class T> struct Request {
        QUrl url;
        QPointer<QObject> guard;
        std::function<void(platform::Result<T, QString>)> done;
    };

    void loadThumbnail(
        const QUrl& url, QObject* guard, std::function<void(platform::Result<QImage, QString>)> done) override
    {
        thumbnails.push_back({ url, guard, std::move(done) });
    }
    void loadInfo(
        const QUrl& url, QObject* guard, std::function<void(platform::Result<media::MediaInfo, QString>)> done) override
    {
        infos.push_back({ url, guard, std::move(done) });
    }

    // Answers the oldest open request of its kind (as the real loader, nothing when the guard is gone).
    void answerThumbnail(platform::Result<QImage, QString> result) { answer(thumbnails, std::move(result)); }
    void answerInfo(platform::Result<media::MediaInfo, QString> result) { answer(infos, std::move(result)); }

    std::vector<Request<QImage>> thumbnails;
    std::vector<Request<media::MediaInfo>> infos;

private:
    template <class T> static void answer(std::vector<Request<T>>& requests, platform::Result<T, QString> result)
    {
        ASSERT_FALSE(requests.empty());
        Request<T> request = std::move(requests.front());
        requests.erase(requests.begin());
        if (request.guard)
            request.done(std::move(result));
    }
};

class RecordingDialogs final : public playback::PlaybackDialogs {
public:
    void chooseMovieFiles(const MovieFilesRequest&, std::function<void(const QList<QUrl>&)>) override { }
    void chooseReportFile(
        const ReportFileRequest& request, std::function<void(const std::optional<QUrl>&)> done) override
    {
        reportRequests.push_back(request);
        reportDone = std::move(done);
    }
    void beep() override { ++beeps; }
    void revealInFileManager(const QUrl& file) override { reveals.push_back(file); }

    std::vector<ReportFileRequest> reportRequests;
    std::function<void(const std::optional<QUrl>&)> reportDone;
    int beeps = 0;
    std::vector<QUrl> reveals;
};

class EngineTest : public ::testing::Test {
protected:
    EngineTest();
    ~EngineTest() override;

    // A folder under the test's temporary folder (created).
    QString folder(const QString& name) const;
    // A file with some bytes in it.
    QUrl touch(const QString& folder, const QString& name) const;
    // Makes `path` the recording folder and leaves project-selection mode, as opening a project does.
    void openProject(const QString& path);
    // Lets queued deliveries (settings changes, notifications, save results) run.
    static void drainEvents();
    QByteArray playlistText(const QString& folder);

    QTemporaryDir dir_;
    std::unique_ptr<platform::UserDefaults> defaults_;
    std::unique_ptr<settings::AppSettings> settings_;
    platform::ManualScheduler scheduler_;
    platform::NotificationCenter notifications_;
    std::vector<media::FakeMediaPlayer*> players_;
    RecordingDialogs dialogs_;
    ManualMediaLoader* loader_ = nullptr;
    std::unique_ptr<playback::PlaybackViewModel> vm_;
};

// An engine with a project open, for the player-facing operations.
class ProjectEngineTest : public EngineTest {
protected:
    ProjectEngineTest();

    // Adds a clip file as a finished recording (which selects it). With `seconds` the main
    // player's item is made ready with that length (negative: unknown) and the time published.
    QUuid add(const QString& name, std::optional<double> seconds = std::nullopt, double fps = 25.0);
    media::FakeMediaPlayer* main() const { return players_.at(0); }
    media::FakeMediaPlayer* program() const { return players_.at(1); }
    // Publishes the main player's time as its periodic observer does.
    void report();
    playback::ClipItem clip(const QUuid& id) const;

    QString project_;
};

} // namespace playback_test
