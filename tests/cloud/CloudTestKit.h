#pragma once

// What the cloud tests share: a private settings file, a file-only keychain, a library with one
// settable current project, manual time, the fake Google server, a "browser" that follows the
// sign-in page over HTTP, and a manager built on all of them.

#include "FakeGoogleServer.h"
#include "kit/Files.h"

#include "cloud/CloudProjectLibrary.h"
#include "cloud/GoogleDriveSyncManager.h"
#include "cloud/KeychainStore.h"
#include "platform/ManualMediaClock.h"
#include "platform/ManualScheduler.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "settings/AppSettings.h"

#include <QNetworkAccessManager>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <functional>
#include <memory>

namespace cloud_test {

using testkit::writeFile;

class FakeLibrary : public cloud::CloudProjectLibrary {
public:
    std::optional<Project> currentProject() const override { return current; }
    void upsertCloudProject(const projects::ProjectMetadata& metadata, const QString&, const QString&) override
    {
        upserted.append(metadata);
    }
    void updateCloudFolderID(const QUuid& projectID, const QString& folderID) override
    {
        if (current && current->id == projectID)
            current->cloudFolderID = folderID;
    }
    std::optional<QUuid> projectWithCloudFolder(const QString& folderID) const override
    {
        return current && current->cloudFolderID == folderID ? std::optional<QUuid>(current->id) : std::nullopt;
    }
    void setCurrent(std::optional<Project> project)
    {
        current = std::move(project);
        emit currentProjectIDChanged();
    }
    std::optional<Project> current;
    QList<projects::ProjectMetadata> upserted;
};

// Answers the duplicate-name question from a script, and counts the questions.
class ScriptedPrompter : public cloud::ConflictPrompter {
public:
    void promptDuplicateConflict(
        const QString& filename, std::function<void(cloud::DuplicateConflictAction)> answer) override
    {
        asked.append(filename);
        answer(answers.isEmpty() ? cloud::DuplicateConflictAction::cancel : answers.takeFirst());
    }
    QList<cloud::DuplicateConflictAction> answers;
    QStringList asked;
};

// The manager with its passes counted instead of run.
class TestManager : public cloud::GoogleDriveSyncManager {
public:
    using GoogleDriveSyncManager::GoogleDriveSyncManager;
    ~TestManager() override { worker().stop(); }

    using GoogleDriveSyncManager::auth;
    using GoogleDriveSyncManager::drive;
    using GoogleDriveSyncManager::worker;

    std::atomic<int> fullSyncs { 0 };
    bool realPasses = false; // start(…, true): the passes run as well as being counted

protected:
    void runFullSyncNow() override
    {
        ++fullSyncs;
        if (realPasses)
            GoogleDriveSyncManager::runFullSyncNow();
    }
    void refreshCloudProjectsNow(bool updateStatus) override
    {
        if (realPasses)
            GoogleDriveSyncManager::refreshCloudProjectsNow(updateStatus);
    }
};

class CloudTestKit {
public:
    CloudTestKit();

    cloud::GoogleEndpoints endpoints() const;
    TestManager& start(std::optional<cloud::GoogleEndpoints> endpoints = std::nullopt, bool realPasses = false);
    // Runs a full sync and waits until it has reported.
    void fullSync()
    {
        manager->syncNow();
        drain();
    }
    // Runs `job` on the manager's worker and waits for it; main-thread reports posted before
    // have been applied when this returns.
    void onWorker(const std::function<void()>& job);
    // Waits (with a generous upper bound) until every job posted so far has run and reported.
    void drain()
    {
        onWorker([] {});
    }
    // Processes events until `condition` holds; false after the time-out.
    static bool waitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 20000); }

    cloud::CloudProjectLibrary::Project cloudProject(const QString& name = QStringLiteral("Feature"));
    // Signs in through the browser and the fake, and waits for the e-mail.
    void signIn();
    QString storedRefreshToken() { return keychain.getText(QStringLiteral("refresh_token")).value_or(QString()); }

    QTemporaryDir dir;
    platform::UserDefaults defaults;
    settings::AppSettings settings;
    cloud::KeychainStore keychain;
    FakeLibrary library;
    platform::ManualMediaClock clock;
    platform::ManualScheduler scheduler;
    platform::NotificationCenter notifications;
    FakeGoogleServer server;
    ScriptedPrompter prompter;

    // The browser: every URL opened is kept, and followed when `followBrowser` is set.
    QList<QUrl> opened;
    bool followBrowser = true;
    bool browserOpens = true;
    QNetworkAccessManager network;
    std::unique_ptr<TestManager> manager; // last, so it goes first
};

} // namespace cloud_test
