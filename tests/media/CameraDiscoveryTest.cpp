#include "CameraTestSupport.h"
#include "kit/Files.h"

#include "media/camera/CameraDiscovery.h"
#include "media/camera/SyntheticCamera.h"
#include "platform/MainThread.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTest>
#include <QThreadPool>

#include <filesystem>

using namespace media;
using cameratest::SyntheticOptions;

TEST(CameraDiscovery, NodesThatAreNotCamerasAreLeftOut)
{
    QTemporaryDir folder;
    namespace fs = std::filesystem;
    const fs::path root = folder.path().toStdString();
    ASSERT_TRUE(testkit::writeFile(QString::fromStdString((root / "video0").string()), "not a camera"));
    fs::create_symlink("/dev/null", root / "video1"); // a character device that ignores ioctls
    fs::create_directory(root / "video2");
    fs::create_symlink(root / "nowhere", root / "video3"); // dangling
    fs::create_symlink("/dev/null", root / "videoX");
    fs::create_directories(root / "v4l" / "by-id");
    fs::create_symlink(root / "video1", root / "v4l" / "by-id" / "usb-Fake-video-index0");

    CameraDiscovery::Options options;
    options.deviceFolder = root.string();
    EXPECT_TRUE(CameraDiscovery::devices(options).empty());
    // A machine without a device folder at all has no cameras either.
    options.deviceFolder = root.string() + "/missing";
    EXPECT_TRUE(CameraDiscovery::devices(options).empty());
    EXPECT_FALSE(CameraDiscovery::find("usb-anything-video-index0", options));
}

TEST(CameraDiscovery, IdentifiersPreferTheByIdName)
{
    EXPECT_EQ(CameraDiscovery::identifierFor("usb-Cam_123-video-index0", "usb-0000:00:14.0-1", "Cam"),
        "usb-Cam_123-video-index0");
    EXPECT_EQ(
        CameraDiscovery::identifierFor("", "usb-0000:00:14.0-1", "HD Webcam"), "v4l2:usb-0000:00:14.0-1:HD Webcam");
}

TEST(CameraDiscovery, SyntheticCamerasOnlyWhenAskedFor)
{
    qunsetenv(SyntheticCamera::kEnvironmentVariable);
    EXPECT_TRUE(CameraDiscovery::Options::fromEnvironment().syntheticSpec.empty());
    qputenv(SyntheticCamera::kEnvironmentVariable, "2:320x180@25");
    EXPECT_EQ(CameraDiscovery::Options::fromEnvironment().syntheticSpec, "2:320x180@25");
    qunsetenv(SyntheticCamera::kEnvironmentVariable);

    SyntheticOptions synthetic("2:320x180@25");
    const auto devices = CameraDiscovery::devices(synthetic.options);
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].uniqueID, "corvale-synthetic-camera-1");
    EXPECT_EQ(devices[0].localizedName, "Synthetic Camera 1");
    EXPECT_EQ(devices[1].uniqueID, "corvale-synthetic-camera-2");
    EXPECT_TRUE(devices[1].isSynthetic());
    EXPECT_EQ(devices[1].syntheticMode->width, 320);
    EXPECT_EQ(devices[1].syntheticMode->frameRate(), 25.0);

    // An unplugged synthetic camera is not listed and cannot be found.
    SyntheticCamera::setPlugged("corvale-synthetic-camera-1", false);
    const auto remaining = CameraDiscovery::devices(synthetic.options);
    SyntheticCamera::setPlugged("corvale-synthetic-camera-1", true);
    ASSERT_EQ(remaining.size(), 1u);
    EXPECT_EQ(remaining[0].uniqueID, "corvale-synthetic-camera-2");
    EXPECT_TRUE(CameraDiscovery::find("corvale-synthetic-camera-2", synthetic.options));
    EXPECT_FALSE(CameraDiscovery::find("corvale-synthetic-camera-3", synthetic.options));

    // A malformed description gives no synthetic cameras rather than a guess.
    SyntheticOptions malformed("two");
    EXPECT_TRUE(CameraDiscovery::devices(malformed.options).empty());
}

TEST(SyntheticCameraSpec, ParsesCountSizeAndRate)
{
    EXPECT_EQ(SyntheticCamera::devicesFromSpec("")->size(), 0u);
    EXPECT_EQ(SyntheticCamera::devicesFromSpec(" 1 ")->front().syntheticMode->width, 1920);
    const auto ntsc = SyntheticCamera::devicesFromSpec("1:1280x720@29.97");
    ASSERT_TRUE(ntsc);
    EXPECT_EQ(ntsc->front().syntheticMode->rateNumerator, 30000);
    EXPECT_EQ(ntsc->front().syntheticMode->rateDenominator, 1001);
    const auto half = SyntheticCamera::devicesFromSpec("3:64x36@12.5");
    ASSERT_TRUE(half);
    EXPECT_EQ(half->size(), 3u);
    EXPECT_EQ(half->back().syntheticMode->rateNumerator, 25);
    EXPECT_EQ(half->back().syntheticMode->rateDenominator, 2);
    for (const char* bad : { "x", "9", "1:640x360", "1:640x360@0", "1:640x360@241", "1:32x32@25", "1:8000x360@25",
             "1:640x360@25fps", "99999999999" })
        EXPECT_FALSE(SyntheticCamera::devicesFromSpec(bad)) << bad;
}

TEST(CameraDiscovery, DiscoversOffTheMainThreadAndAnswersOnIt)
{
    SyntheticOptions synthetic("1:64x36@25");
    bool answered = false;
    bool onMain = false;
    std::vector<CameraDevice> found;
    QObject guard;
    CameraDiscovery::discover(
        &guard,
        [&](std::vector<CameraDevice> devices) {
            answered = true;
            onMain = platform::isMainThread();
            found = std::move(devices);
        },
        synthetic.options);
    EXPECT_FALSE(answered); // never inline
    QTRY_VERIFY_WITH_TIMEOUT(answered, 20000);
    EXPECT_TRUE(onMain);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].uniqueID, "corvale-synthetic-camera-1");

    // A guard that is gone when the answer arrives swallows it.
    bool late = false;
    auto* shortLived = new QObject;
    CameraDiscovery::discover(
        shortLived, [&](std::vector<CameraDevice>) { late = true; }, synthetic.options);
    delete shortLived;
    bool marker = false;
    CameraDiscovery::discover(
        nullptr, [&](std::vector<CameraDevice>) { marker = true; }, synthetic.options);
    QTRY_VERIFY_WITH_TIMEOUT(marker, 20000);
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_FALSE(late);
}
