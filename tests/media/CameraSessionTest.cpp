#include "CameraTestSupport.h"

#include "media/camera/CameraSession.h"
#include "media/camera/SyntheticCamera.h"
#include "platform/ManualMediaClock.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cerrno>
#include <future>

using namespace media;
using cameratest::Consumer;
using cameratest::SyntheticOptions;

namespace {

constexpr double kStart = 1000.0;
constexpr double kRate = 25.0;
const std::string kCamera1 = "corvale-synthetic-camera-1";
const std::string kCamera2 = "corvale-synthetic-camera-2";

// Two 64x36 synthetic cameras at 25 fps on a manual clock, delivering on their own video queue.
struct Rig {
    Rig()
        : synthetic("2:64x36@25")
        , clock(kStart)
        , videoQueue("Corvale.AVCaptureVideoQueue")
        , consumer(videoQueue)
        , session(
              videoQueue, [this](const Frame& f) { consumer.frame(f); }, [this](CameraError e) { consumer.ended(e); },
              synthetic.options, clock)
    {
    }
    ~Rig() { session.stop(); }

    // Starts a camera and lets its frame 0 through before the clock moves on (a newer frame
    // would otherwise replace it while it waits, as the late-frame rule says).
    platform::Result<void, CameraError> start(const std::string& id)
    {
        auto result = session.start(id);
        videoQueue.sync([] {});
        return result;
    }

    // Moves the clock to frame slot k (a hair past it, so the tick is surely due) and lets the
    // camera produce, without waiting for the video queue.
    void produceUpTo(int k)
    {
        clock.set(kStart + k * (1.0 / kRate) + 1e-6);
        session.waitUntilCurrent();
    }
    // The same, then everything delivered.
    void advanceTo(int k)
    {
        produceUpTo(k);
        videoQueue.sync([] {});
    }
    // Lets the camera produce what is due at the clock's time and delivers it.
    void deliver()
    {
        session.waitUntilCurrent();
        videoQueue.sync([] {});
    }

    std::vector<std::uint32_t> counters()
    {
        std::vector<std::uint32_t> values;
        for (const auto& f : consumer.takeFrames())
            values.push_back(SyntheticCamera::frameCounter(f).value_or(0xFFFFFFFF));
        return values;
    }

    SyntheticOptions synthetic;
    platform::ManualMediaClock clock;
    platform::SerialQueue videoQueue;
    Consumer consumer;
    CameraSession session;
};

} // namespace

TEST(CameraSession, SyntheticFramesArriveInOrderAtTheRateWithTags)
{
    Rig rig;
    ASSERT_TRUE(rig.start(kCamera1));
    for (int k = 1; k <= 25; ++k)
        rig.advanceTo(k);
    const auto frames = rig.consumer.takeFrames();
    ASSERT_EQ(frames.size(), 26u); // frame 0 at the start, then one per 1/25 s
    for (std::size_t k = 0; k < frames.size(); ++k) {
        const Frame& f = frames[k];
        EXPECT_EQ(SyntheticCamera::frameCounter(f), std::uint32_t(k));
        EXPECT_NEAR(f.hostTime(), kStart + double(k) / kRate, 1e-5);
    }
    EXPECT_EQ(frames[0].colorTags().matrix, YCbCrMatrix::ITU_R_709_2);
    EXPECT_FALSE(rig.consumer.offQueue); // every call on the named queue
    EXPECT_EQ(rig.session.droppedFrames(), 0u);

    // A clock that jumps several frames gives one frame whose number shows the gap.
    rig.advanceTo(30);
    EXPECT_EQ(rig.counters(), (std::vector<std::uint32_t> { 30 }));
}

TEST(CameraSession, LateFramesAreDiscardedKeepingTheNewest)
{
    Rig rig;
    ASSERT_TRUE(rig.start(kCamera1));
    rig.advanceTo(0);
    EXPECT_EQ(rig.counters(), (std::vector<std::uint32_t> { 0 }));

    // The consumer's queue is stuck while five frames are produced.
    std::promise<void> release;
    rig.videoQueue.async([released = release.get_future().share()] { released.wait(); });
    for (int k = 1; k <= 5; ++k)
        rig.produceUpTo(k);
    release.set_value();
    rig.videoQueue.sync([] {});

    EXPECT_EQ(rig.counters(), (std::vector<std::uint32_t> { 5 }));
    EXPECT_EQ(rig.session.droppedFrames(), 4u);

    // Once the queue flows again every frame gets through.
    rig.advanceTo(6);
    rig.advanceTo(7);
    EXPECT_EQ(rig.counters(), (std::vector<std::uint32_t> { 6, 7 }));
}

TEST(CameraSession, StopStartAndSwapKeepTheConsumer)
{
    Rig rig;
    ASSERT_TRUE(rig.start(kCamera1));
    rig.advanceTo(1);
    rig.advanceTo(2);
    EXPECT_EQ(rig.counters(), (std::vector<std::uint32_t> { 0, 1, 2 }));

    rig.session.stop();
    rig.session.stop(); // twice is harmless
    rig.clock.set(kStart + 1.0);
    rig.videoQueue.sync([] {});
    EXPECT_TRUE(rig.counters().empty());
    ASSERT_TRUE(rig.start(kCamera1));
    rig.deliver();

    // Swap to the second camera: same consumer, new stream, old stream silent.
    ASSERT_TRUE(rig.session.switchTo(kCamera2));
    rig.deliver();
    EXPECT_EQ(rig.counters(), (std::vector<std::uint32_t> { 0, 0 })); // the restart's first, the swap's first
    rig.clock.set(kStart + 1.0 + 1.0 / kRate + 1e-6);
    rig.deliver();
    EXPECT_EQ(rig.counters(), (std::vector<std::uint32_t> { 1 })); // one camera ticking, not two

    // Swapping to a camera that is not there leaves the current one streaming.
    EXPECT_EQ(rig.session.switchTo(std::string("corvale-synthetic-camera-7")).error(), CameraError::deviceGone);
    EXPECT_EQ(rig.session.device()->uniqueID, kCamera2);
}

// A session stopped from its own video queue, by the consumer or by a block queued ahead of a frame:
// no deadlock, and nothing delivered after the stop.
TEST(CameraSession, StoppedFromTheVideoQueueDeliversNothingMore)
{
    for (const bool byConsumer : { true, false }) {
        SyntheticOptions synthetic("1:64x36@25");
        platform::ManualMediaClock clock(kStart);
        platform::SerialQueue videoQueue("Corvale.AVCaptureVideoQueue");
        std::atomic<int> calls { 0 };
        std::unique_ptr<CameraSession> session;
        session = std::make_unique<CameraSession>(
            videoQueue,
            [&](const Frame&) {
                if (++calls && byConsumer)
                    session->stop();
            },
            nullptr, synthetic.options, clock);
        ASSERT_TRUE(session->start(kCamera1));
        videoQueue.sync([] {});
        std::promise<void> release;
        videoQueue.async([released = release.get_future().share(), raw = session.get()] {
            released.wait();
            raw->stop();
        });
        clock.set(kStart + 0.04 + 1e-6);
        session->waitUntilCurrent();
        release.set_value();
        videoQueue.sync([] {});
        EXPECT_EQ(calls.load(), 1) << byConsumer;
        EXPECT_FALSE(session->isRunning());
    }
}

TEST(CameraSession, UnpluggedCameraEndsTheSessionOnce)
{
    Rig rig;
    ASSERT_TRUE(rig.start(kCamera1));
    rig.advanceTo(1);
    EXPECT_EQ(rig.counters().size(), 2u);

    SyntheticCamera::setPlugged(kCamera1, false);
    rig.advanceTo(2);
    rig.advanceTo(3);
    EXPECT_EQ(rig.consumer.endsSoFar(), (std::vector<CameraError> { CameraError::deviceGone }));
    EXPECT_TRUE(rig.counters().empty());

    // While it is away it cannot be started; back in, it can.
    EXPECT_EQ(rig.session.start(kCamera1).error(), CameraError::deviceGone);
    SyntheticCamera::setPlugged(kCamera1, true);
    EXPECT_TRUE(rig.start(kCamera1));
    EXPECT_EQ(rig.consumer.endsSoFar().size(), 1u);
}

TEST(CameraSession, ErrorsForWhatCannotBeOpened)
{
    Rig rig;
    auto failure = [&](const CameraDevice& device) {
        const auto result = rig.session.start(device);
        EXPECT_FALSE(rig.session.isRunning());
        return result ? std::optional<CameraError>() : std::optional(result.error());
    };
    EXPECT_EQ(rig.session.start(std::string("usb-No_Such_Camera-video-index0")).error(), CameraError::deviceGone);
    QTemporaryDir folder;
    EXPECT_EQ(failure({ "c", "Folder", folder.path().toStdString(), {} }), CameraError::notACamera);

    // A failed start leaves a running session stopped, never half-open.
    ASSERT_TRUE(rig.start(kCamera1));
    EXPECT_EQ(failure({ "a", "Null", "/dev/null", {} }), CameraError::notACamera);
    EXPECT_FALSE(rig.session.device());

    for (const auto& [code, error] : { std::pair { ENODEV, CameraError::deviceGone },
             { EBUSY, CameraError::deviceBusy }, { ENOSPC, CameraError::deviceBusy },
             { EACCES, CameraError::permissionDenied }, { EIO, CameraError::failed } })
        EXPECT_EQ(cameraErrorFromErrno(code), error) << code;
}
