#pragma once

// Writes one QuickTime movie with a single video track from a stream of frames, through
// libavformat's mov muxer, libavcodec's encoders (libx264, libx265) and our own ProRes encoder.
//
// The file is created exclusively when the writer is made (an existing file is never touched
// unless the configuration asks to replace it); the movie header is written by startWriting(),
// each append() converts one frame to the encoder's layout, encodes it at the next frame time
// and muxes what the encoder hands back; finishWriting() drains the encoder and writes the
// index. Not thread-safe: one thread at a time drives a writer.

#include "media/frame/Frame.h"
#include "platform/Result.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

struct AVCodec;

namespace media {

struct ProResKernels;
class SliceThreadPool;

class MovieFileWriter {
public:
    enum class Codec { h264, hevc, proRes };

    struct Configuration {
        std::string path;
        Codec codec = Codec::h264;
        // ProRes profile 0-5: Proxy, LT, 422, HQ, 4444, 4444 XQ.
        int proResProfile = 3;
        int width = 0;
        int height = 0;
        int fps = 25;
        // Average bit rate for H.264/HEVC; none leaves the rate to the encoder. ProRes ignores it.
        std::optional<std::int64_t> averageBitRate;
        // Unknown fields are not given; the matrix is then chosen by frame height.
        ColorTags colorTags;
        // Encoder threads of the library encoders (H.264, HEVC); they default to one.
        int threadCount = 1;
        // ProRes slices are coded on this pool; none: the pool the process shares.
        std::shared_ptr<SliceThreadPool> proResPool;
        // ProRes inner loops for one instruction set; none: the fastest the processor runs.
        const ProResKernels* proResKernels = nullptr;
        // x264 speed preset.
        std::string h264Preset = "superfast";
        // Seconds between H.264/HEVC keyframes.
        double keyframeIntervalSeconds = 1.0;
        // Open an existing file (or device) instead of refusing it.
        bool replaceExisting = false;
    };

    // What a writer is doing; the numbers are the ones diagnostic lines print.
    enum class Status { unknown = 0, writing = 1, completed = 2, failed = 3, cancelled = 4 };

    struct Error {
        enum class Kind {
            fileExists, // something is already at the path
            cannotCreateFile, // the file could not be created or opened
            encoderUnavailable, // the codec library is missing or refuses the settings
            invalidSettings, // sizes or rates out of range
            unsupportedImage, // a null frame or a pixel layout the writer cannot convert
            conversionFailed, // the frame could not be converted to the encoder's layout
            writeFailed, // encoding, muxing or the file itself failed
            wrongState, // the call does not fit the writer's status
        };
        Kind kind = Kind::writeFailed;
        int code = 0; // AVERROR value (negative errno for system errors), 0 when none
        std::string message;
    };

    static platform::Result<std::unique_ptr<MovieFileWriter>, Error> create(Configuration configuration);
    ~MovieFileWriter();
    MovieFileWriter(const MovieFileWriter&) = delete;
    MovieFileWriter& operator=(const MovieFileWriter&) = delete;

    // The settings in effect: sizes rounded for the encoder, colour tags that were written.
    const Configuration& configuration() const { return config_; }
    // Why the size was changed, or empty when it was not.
    const std::string& sizeAdjustment() const { return sizeAdjustment_; }
    Status status() const { return status_; }
    // The first failure, once the status is failed.
    const std::optional<Error>& error() const { return error_; }
    // Frames accepted by the encoder; the next frame's time is this count divided by fps.
    std::int64_t framesAppended() const { return framesAppended_; }
    // Time units per second of the movie's video track.
    int trackTimeScale() const { return timeScale_; }

    // Writes the movie header. Only from unknown.
    platform::Result<void, Error> startWriting();
    // Encodes a frame of any size (scaled to fill) at the next frame time. unsupportedImage and
    // conversionFailed leave the writer writing; any other error ends it as failed, after the
    // writer has flushed what it could so the file stays as readable as possible.
    platform::Result<void, Error> append(const Frame& frame);
    // Drains the encoder, writes the index and closes the file.
    platform::Result<void, Error> finishWriting();
    // Stops without a movie: the file, when this writer created it, is removed.
    void cancelWriting();

    // Encoder threads for one writer when `simultaneousWriters` run at once on this machine.
    static int threadCountFor(int simultaneousWriters);

private:
    explicit MovieFileWriter(Configuration configuration);

    platform::Result<void, Error> open();
    platform::Result<void, Error> openEncoder(const AVCodec* codec);
    platform::Result<void, Error> appendProRes(const Frame& source, bool direct);
    platform::Result<void, Error> writeProResFrame();
    platform::Result<void, Error> encode(bool flush);
    platform::Result<void, Error> fail(Error error);
    void closeFile();

    struct Ffmpeg;
    Configuration config_;
    std::string sizeAdjustment_;
    Status status_ = Status::unknown;
    std::optional<Error> error_;
    std::int64_t framesAppended_ = 0;
    int timeScale_ = 600;
    int fd_ = -1;
    bool createdFile_ = false;
    std::unique_ptr<Ffmpeg> ff_;
};

} // namespace media
