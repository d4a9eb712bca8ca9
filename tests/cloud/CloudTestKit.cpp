#include "CloudTestKit.h"

#include "platform/MainThread.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QNetworkReply>

namespace cloud_test {

CloudTestKit::CloudTestKit()
    : defaults(dir.filePath(QStringLiteral("defaults.json")))
    , settings(defaults)
    , keychain(dir.filePath(QStringLiteral("config/secrets.json")), false)
{
    network.setAutoDeleteReplies(true);
}

cloud::GoogleEndpoints CloudTestKit::endpoints() const
{
    cloud::GoogleEndpoints endpoints = cloud::GoogleEndpoints {}.rebased(server.baseURL());
    endpoints.clientID = server.clientID();
    return endpoints;
}

TestManager& CloudTestKit::start(std::optional<cloud::GoogleEndpoints> given, bool realPasses)
{
    cloud::GoogleDriveSyncManager::Dependencies dependencies { settings, defaults, keychain, library, scheduler, clock,
        notifications, given.value_or(endpoints()), {}, &prompter };
    dependencies.browser = [this](const QUrl& url) {
        opened.append(url);
        if (browserOpens && followBrowser)
            network.get(QNetworkRequest(url));
        return browserOpens;
    };
    manager = std::make_unique<TestManager>(std::move(dependencies));
    manager->realPasses = realPasses;
    drain();
    return *manager;
}

void CloudTestKit::onWorker(const std::function<void()>& job)
{
    bool done = false;
    platform::LivenessFlag alive;
    manager->worker().post([&job, &done, token = alive.token()] {
        job();
        platform::runOnMain(token, [&done] { done = true; });
    });
    EXPECT_TRUE(waitFor([&] { return done; }));
}

cloud::CloudProjectLibrary::Project CloudTestKit::cloudProject(const QString& name)
{
    cloud::CloudProjectLibrary::Project project;
    project.id = QUuid::createUuid();
    project.name = name;
    project.folderPath = dir.filePath(name);
    project.isCloud = true;
    project.metadata.id = project.id.toString(QUuid::WithoutBraces).toUpper();
    project.metadata.name = name;
    project.metadata.formatRaw = QStringLiteral("1080p25");
    project.metadata.colorSpaceRaw = QStringLiteral("rec709");
    project.metadata.outputColorModeRaw = QStringLiteral("rec709");
    project.metadata.storageRaw = QStringLiteral("cloud");
    project.metadata.folderName = name;
    QDir().mkpath(project.folderPath);
    return project;
}

void CloudTestKit::signIn()
{
    manager->signIn();
    EXPECT_TRUE(waitFor([this] { return manager->signedInEmail().has_value(); }));
}

} // namespace cloud_test
