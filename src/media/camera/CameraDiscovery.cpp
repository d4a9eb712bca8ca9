#include "media/camera/CameraDiscovery.h"

#include "media/camera/CameraNode.h"
#include "media/camera/SyntheticCamera.h"
#include "platform/MainThread.h"

#include <QRunnable>
#include <QtGlobal>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>

namespace media {

namespace {

namespace fs = std::filesystem;

// "video12" -> 12; anything else -> nullopt.
std::optional<int> videoNodeNumber(const std::string& name)
{
    static constexpr std::string_view prefix = "video";
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    int number = 0;
    for (std::size_t i = prefix.size(); i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9' || number > 100000)
            return std::nullopt;
        number = number * 10 + (name[i] - '0');
    }
    return number;
}

// Canonical node path -> the smallest by-id name pointing at it (several can).
std::map<std::string, std::string> byIdNames(const fs::path& deviceFolder)
{
    std::map<std::string, std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(deviceFolder / "v4l" / "by-id", error), end; !error && it != end;
         it.increment(error)) {
        const fs::path target = fs::canonical(it->path(), error);
        if (error) {
            error.clear();
            continue;
        }
        const std::string name = it->path().filename().string();
        auto [slot, inserted] = names.emplace(target.string(), name);
        if (!inserted && name < slot->second)
            slot->second = name;
    }
    return names;
}

} // namespace

CameraDiscovery::Options CameraDiscovery::Options::fromEnvironment()
{
    Options options;
    options.syntheticSpec = qEnvironmentVariable(SyntheticCamera::kEnvironmentVariable).toStdString();
    return options;
}

std::string CameraDiscovery::identifierFor(
    const std::string& byIdName, const std::string& busInfo, const std::string& card)
{
    if (!byIdName.empty())
        return byIdName;
    return "v4l2:" + busInfo + ":" + card;
}

std::vector<CameraDevice> CameraDiscovery::devices(const Options& options)
{
    std::vector<CameraDevice> devices;
    const fs::path folder(options.deviceFolder);

    std::vector<std::pair<int, fs::path>> nodes;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (const auto number = videoNodeNumber(it->path().filename().string()))
            nodes.emplace_back(*number, it->path());
    }
    std::sort(nodes.begin(), nodes.end());

    const auto byId = byIdNames(folder);
    std::set<std::string> used;
    for (const auto& [number, path] : nodes) {
        auto node = CameraNode::open(path.string());
        if (!node)
            continue; // not a camera, gone meanwhile, or not ours to open: not listed
        std::string byIdName;
        const fs::path canonical = fs::canonical(path, error);
        if (!error) {
            if (const auto it = byId.find(canonical.string()); it != byId.end())
                byIdName = it->second;
        }
        error.clear();
        CameraDevice device;
        device.uniqueID = identifierFor(byIdName, node->busInfo(), node->card());
        // Two capture nodes of one device without by-id names would share bus and card: number them.
        for (int k = 2; used.count(device.uniqueID); ++k)
            device.uniqueID = identifierFor(byIdName, node->busInfo(), node->card()) + "#" + std::to_string(k);
        used.insert(device.uniqueID);
        device.localizedName = node->card().empty() ? path.filename().string() : node->card();
        device.path = path.string();
        devices.push_back(std::move(device));
    }

    if (!options.syntheticSpec.empty()) {
        const auto synthetic = SyntheticCamera::devicesFromSpec(options.syntheticSpec);
        if (!synthetic) {
            qWarning("Ignoring %s=\"%s\": expected N or N:WxH@R", SyntheticCamera::kEnvironmentVariable,
                options.syntheticSpec.c_str());
        } else {
            for (const auto& device : *synthetic)
                if (SyntheticCamera::isPlugged(device.uniqueID))
                    devices.push_back(device);
        }
    }
    return devices;
}

void CameraDiscovery::discover(QObject* guard, std::function<void(std::vector<CameraDevice>)> done, Options options)
{
    // The guard is looked at only on the main thread, where it lives and dies.
    // The QPointer is made, read and dropped on the main thread; the worker only passes it on.
    auto weakGuard = std::make_shared<const QPointer<QObject>>(guard);
    const bool guarded = guard != nullptr;
    platform::runInBackground([weakGuard, guarded, done = std::move(done), options = std::move(options)] {
        platform::runOnMain([weakGuard, guarded, done, list = devices(options)]() mutable {
            if (guarded && !*weakGuard)
                return;
            done(std::move(list));
        });
    });
}

std::optional<CameraDevice> CameraDiscovery::find(const std::string& uniqueID, const Options& options)
{
    // Synthetic identifiers need no scan of the device nodes.
    if (!options.syntheticSpec.empty()) {
        if (const auto synthetic = SyntheticCamera::devicesFromSpec(options.syntheticSpec)) {
            for (const auto& device : *synthetic)
                if (device.uniqueID == uniqueID)
                    return SyntheticCamera::isPlugged(uniqueID) ? std::optional(device) : std::nullopt;
        }
    }
    for (auto& device : devices(Options { options.deviceFolder, {} }))
        if (device.uniqueID == uniqueID)
            return device;
    return std::nullopt;
}

} // namespace media
