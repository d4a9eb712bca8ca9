// A 256 MiB file uploaded by the station's Drive client to the fake Google server (its own
// process on 127.0.0.1), against `curl -T` of the same file to an upload session of the same
// fake. Prints both speeds and the station's memory growth (goal under 32 MiB) and, on its last
// line, the time ratio station/curl (goal 1.43 or less: 70 % of curl's speed).

#include "cloud/GoogleDriveSyncManager.h"
#include "cloud/KeychainStore.h"
#include "platform/MainThread.h"
#include "platform/ManualMediaClock.h"
#include "platform/ManualScheduler.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "settings/AppSettings.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

using Clock = std::chrono::steady_clock;

qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readAll().split(' ').value(1).toLongLong() * sysconf(_SC_PAGESIZE);
}

// Reaches the client the sync manager keeps for its passes.
class BenchManager final : public cloud::GoogleDriveSyncManager {
public:
    using GoogleDriveSyncManager::GoogleDriveSyncManager;
    ~BenchManager() override { worker().stop(); }
    using GoogleDriveSyncManager::drive;
    using GoogleDriveSyncManager::worker;
};

QNetworkReply* waitFor(QNetworkReply* reply)
{
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    return reply;
}

// An upload session of the fake for `name` under `parent`, opened with a fresh access token.
QByteArray openSession(
    const QUrl& base, const QString& clientID, const QString& refreshToken, const QString& parent, qint64 size)
{
    QNetworkAccessManager network;
    QNetworkRequest tokenRequest(base.resolved(QUrl(QStringLiteral("/token"))));
    tokenRequest.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
    const QByteArray form = "client_id=" + QUrl::toPercentEncoding(clientID)
        + "&client_secret=&grant_type=refresh_token&refresh_token=" + QUrl::toPercentEncoding(refreshToken);
    QNetworkReply* token = waitFor(network.post(tokenRequest, form));
    const QString access = QJsonDocument::fromJson(token->readAll()).object().value("access_token").toString();
    token->deleteLater();
    QNetworkRequest sessionRequest(base.resolved(QUrl(QStringLiteral("/upload/drive/v3/files?uploadType=resumable"))));
    sessionRequest.setRawHeader("Authorization", "Bearer " + access.toUtf8());
    sessionRequest.setHeader(QNetworkRequest::ContentTypeHeader, "application/json; charset=utf-8");
    sessionRequest.setRawHeader("X-Upload-Content-Type", "video/quicktime");
    sessionRequest.setRawHeader("X-Upload-Content-Length", QByteArray::number(size));
    const QJsonObject metadata { { "name", "curl.mov" }, { "parents", QJsonArray { parent } } };
    QNetworkReply* session
        = waitFor(network.post(sessionRequest, QJsonDocument(metadata).toJson(QJsonDocument::Compact)));
    const QByteArray location = session->rawHeader("Location");
    session->deleteLater();
    return location;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const qint64 mebibytes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 256;
    const qint64 size = mebibytes << 20;
    if (QStandardPaths::findExecutable(QStringLiteral("curl")).isEmpty()) {
        std::printf("curl is not installed (scripts/install-deps.sh adds it)\nratio station/curl = n/a (no curl)\n");
        return 1;
    }

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("upload.mov"));
    if (QFile file(path); !file.open(QIODevice::WriteOnly) || !file.resize(size))
        return 1;

    QProcess fake;
    fake.start(QStringLiteral(CORVALE_FAKE_GOOGLE_SERVER), QStringList());
    QMap<QString, QString> printed;
    while (printed.size() < 3 && fake.waitForReadyRead(10000)) {
        while (fake.canReadLine()) {
            const QString line = QString::fromUtf8(fake.readLine()).trimmed();
            printed.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1));
        }
    }
    const QUrl base(printed.value(QStringLiteral("CORVALE_GOOGLE_BASE_URL")));
    const QString clientID = printed.value(QStringLiteral("CORVALE_GOOGLE_CLIENT_ID"));
    const QString refreshToken = printed.value(QStringLiteral("refresh_token"));
    if (!base.isValid() || refreshToken.isEmpty()) {
        std::printf("the fake server did not start\nratio station/curl = n/a\n");
        return 1;
    }

    platform::UserDefaults defaults(dir.filePath(QStringLiteral("defaults.json")));
    settings::AppSettings settings(defaults);
    cloud::KeychainStore keychain(dir.filePath(QStringLiteral("secrets.json")), false);
    keychain.setData(refreshToken.toUtf8(), QStringLiteral("refresh_token"));
    platform::ManualScheduler scheduler;
    platform::ManualMediaClock clock;
    platform::NotificationCenter notifications;
    struct NoProjects final : cloud::CloudProjectLibrary {
        std::optional<Project> currentProject() const override { return std::nullopt; }
        void upsertCloudProject(const projects::ProjectMetadata&, const QString&, const QString&) override { }
        void updateCloudFolderID(const QUuid&, const QString&) override { }
        std::optional<QUuid> projectWithCloudFolder(const QString&) const override { return std::nullopt; }
    } library;
    cloud::GoogleEndpoints endpoints = cloud::GoogleEndpoints {}.rebased(base);
    endpoints.clientID = clientID;
    BenchManager manager({ settings, defaults, keychain, library, scheduler, clock, notifications, endpoints,
        [](const QUrl&) { return false; } });

    // The station: its client, on its worker, into its root folder.
    QString parent;
    bool uploaded = false;
    bool done = false;
    double stationSeconds = 0;
    platform::LivenessFlag alive;
    const qint64 before = residentBytes();
    qint64 peak = before;
    manager.worker().post([&, token = alive.token()] {
        const auto root = manager.drive().ensureRootFolderID();
        const auto start = Clock::now();
        bool ok = false;
        if (root)
            ok = bool(manager.drive().uploadFile(path, *root, std::nullopt));
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        platform::runOnMain(token, [&, ok, seconds, id = root ? *root : QString()] {
            parent = id;
            uploaded = ok;
            stationSeconds = seconds;
            done = true;
        });
    });
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(2);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        peak = std::max(peak, residentBytes());
        if (done)
            loop.quit();
    });
    poll.start();
    loop.exec();

    // curl: the same file to a session of the same fake.
    const QByteArray location = openSession(base, clientID, refreshToken, parent, size);
    QProcess curl;
    const auto curlStart = Clock::now();
    curl.start(QStringLiteral("curl"),
        { QStringLiteral("-sS"), QStringLiteral("-o"), QStringLiteral("/dev/null"), QStringLiteral("-H"),
            QStringLiteral("Expect:"), QStringLiteral("-T"), path, QString::fromUtf8(location) });
    const bool curlOk = curl.waitForFinished(300000) && curl.exitCode() == 0 && !location.isEmpty();
    const double curlSeconds = std::chrono::duration<double>(Clock::now() - curlStart).count();
    fake.closeWriteChannel();
    fake.waitForFinished(5000);

    const auto speed = [size](double seconds) { return seconds > 0 ? double(size) / seconds / 1e6 : 0.0; };
    std::printf("%lld MiB: station %.1f MB/s (%.3f s)   curl %.1f MB/s (%.3f s)\n", static_cast<long long>(mebibytes),
        speed(stationSeconds), stationSeconds, speed(curlSeconds), curlSeconds);
    std::printf("station memory growth: %.2f MiB (goal: under 32 MiB)\n", double(peak - before) / (1 << 20));
    if (!curlOk)
        std::printf("curl: %s %s\n", location.isEmpty() ? "no upload session" : "",
            curl.readAllStandardError().trimmed().constData());
    if (!uploaded || !curlOk) {
        std::printf("ratio station/curl = n/a (an upload failed)\n");
        return 1;
    }
    std::printf("ratio station/curl = %.3f (goal: 1.43 or less)\n", stationSeconds / curlSeconds);
    return 0;
}
