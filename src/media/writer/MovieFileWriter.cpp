#include "media/writer/MovieFileWriter.h"

#include "media/FFmpegSupport.h"
#include "media/FFmpegTags.h"
#include "media/writer/MovieFrameConverter.h"
#include "media/writer/ProResEncoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <numeric>
#include <thread>

namespace media {

namespace {

constexpr int kIoBufferSize = 256 * 1024;

MovieFileWriter::Error makeError(MovieFileWriter::Error::Kind kind, int code, std::string what)
{
    if (code != 0)
        what += ": " + avErrorText(code).toStdString();
    return MovieFileWriter::Error { kind, code, std::move(what) };
}

// The red and blue luma weights of a matrix.
std::pair<double, double> lumaWeights(YCbCrMatrix matrix)
{
    switch (matrix) {
    case YCbCrMatrix::ITU_R_709_2:
        return { 0.2126, 0.0722 };
    case YCbCrMatrix::SMPTE_240M_1995:
        return { 0.212, 0.087 };
    case YCbCrMatrix::ITU_R_2020:
        return { 0.2627, 0.0593 };
    case YCbCrMatrix::ITU_R_601_4:
    case YCbCrMatrix::Unknown:
        break;
    }
    return { 0.299, 0.114 };
}

// Tags the writer does not know are filled in so the file says what its pixels are: the matrix
// is always the one the conversion used (BT.709 from 720 lines up, BT.601 below, as players
// assume); primaries and transfer are assumed only when the caller gave no colour at all.
ColorTags effectiveTags(ColorTags given, int height)
{
    const bool nothingGiven = given == ColorTags {};
    const bool hd = height >= 720;
    if (given.matrix == YCbCrMatrix::Unknown)
        given.matrix = hd ? YCbCrMatrix::ITU_R_709_2 : YCbCrMatrix::ITU_R_601_4;
    if (nothingGiven && hd) {
        given.primaries = ColorPrimaries::ITU_R_709_2;
        given.transfer = TransferFunction::ITU_R_709_2;
    }
    // Tags with no place in the file are dropped rather than written as something else.
    if (ffmpegtags::toAv(given.transfer) == AVCOL_TRC_UNSPECIFIED)
        given.transfer = TransferFunction::Unknown;
    return given;
}

int fileWrite(void* opaque, std::uint8_t* buffer, int size)
{
    const int fd = *static_cast<int*>(opaque);
    int done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, buffer + done, static_cast<std::size_t>(size - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return AVERROR(errno);
        }
        if (n == 0)
            return AVERROR(EIO);
        done += static_cast<int>(n);
    }
    return size;
}

std::int64_t fileSeek(void* opaque, std::int64_t offset, int whence)
{
    const int fd = *static_cast<int*>(opaque);
    if (whence & AVSEEK_SIZE) {
        struct stat info { };
        if (::fstat(fd, &info) != 0)
            return AVERROR(errno);
        return info.st_size;
    }
    const off_t at = ::lseek(fd, offset, whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : at;
}

AVPixelFormat sourceFormat(PixelFormat format)
{
    switch (format) {
    case PixelFormat::BGRA:
        return AV_PIX_FMT_BGRA;
    case PixelFormat::UYVY422:
        return AV_PIX_FMT_UYVY422;
    default:
        return AV_PIX_FMT_NONE;
    }
}

} // namespace

struct MovieFileWriter::Ffmpeg {
    AVFormatContext* format = nullptr;
    AVIOContext* io = nullptr;
    AVCodecContext* encoder = nullptr;
    AVStream* stream = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    AVPixelFormat pixelFormat = AV_PIX_FMT_NONE;
    AVBufferPool* pool = nullptr;
    int pictureBytes = 0;
    std::optional<MovieFrameConverter> converter; // same-size BGRA, the common case
    SwsContext* scaler = nullptr;
    int scalerWidth = 0;
    int scalerHeight = 0;
    AVPixelFormat scalerFormat = AV_PIX_FMT_NONE;
    int fd = -1; // the IO callbacks' view of the file
    bool headerWritten = false;
    // ProRes is coded by our own encoder from BGRA; pictures of another size or layout are
    // scaled into `scaled` first. Two frames are in flight (frame n in slot n % 2), their
    // pixels held here until coded; the encoder is declared last so it goes first, waiting for
    // what it still codes.
    std::vector<std::uint8_t> scaled[2];
    Frame coding[2];
    int scaledStride = 0;
    bool fieldOrderKnown = false;
    std::unique_ptr<ProResEncoder> proRes;

    ~Ffmpeg()
    {
        sws_freeContext(scaler);
        av_buffer_pool_uninit(&pool);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&encoder);
        if (format)
            avformat_free_context(format);
        if (io) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
    }
};

MovieFileWriter::MovieFileWriter(Configuration configuration)
    : config_(std::move(configuration))
    , ff_(std::make_unique<Ffmpeg>())
{
}

MovieFileWriter::~MovieFileWriter()
{
    // A writer dropped while writing still leaves a playable movie behind; one that never
    // started leaves nothing.
    if (status_ == Status::writing)
        (void)finishWriting();
    else if (status_ == Status::unknown)
        cancelWriting();
    closeFile();
}

int MovieFileWriter::threadCountFor(int simultaneousWriters)
{
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    return std::max(1, cores / std::max(1, simultaneousWriters));
}

platform::Result<std::unique_ptr<MovieFileWriter>, MovieFileWriter::Error> MovieFileWriter::create(
    Configuration configuration)
{
    using Kind = Error::Kind;
    initializeFFmpeg();
    const auto& c = configuration;
    if (c.width < 1 || c.height < 1 || c.width > 16384 || c.height > 16384)
        return platform::fail(makeError(Kind::invalidSettings, 0, "frame size out of range"));
    if (c.fps < 1 || c.fps > 1000)
        return platform::fail(makeError(Kind::invalidSettings, 0, "frame rate out of range"));
    if (c.codec == Codec::proRes && (c.proResProfile < 0 || c.proResProfile > 5))
        return platform::fail(makeError(Kind::invalidSettings, 0, "ProRes profile out of range"));
    if (c.codec == Codec::proRes && !ProResEncoder::supports(c.width, c.height))
        return platform::fail(makeError(Kind::invalidSettings, 0, "frame size too large for ProRes"));
    if (c.path.empty())
        return platform::fail(makeError(Kind::cannotCreateFile, 0, "no file path"));

    std::unique_ptr<MovieFileWriter> writer(new MovieFileWriter(std::move(configuration)));
    if (auto opened = writer->open(); !opened)
        return platform::fail(opened.error());
    return writer;
}

platform::Result<void, MovieFileWriter::Error> MovieFileWriter::open()
{
    using Kind = Error::Kind;
    auto& c = config_;

    // 4:2:0 needs even sizes both ways, 4:2:2 an even width; the encoders refuse anything else.
    const int requestedWidth = c.width;
    const int requestedHeight = c.height;
    c.width = std::max(2, c.width & ~1);
    if (c.codec != Codec::proRes)
        c.height = std::max(2, c.height & ~1);
    if (c.width != requestedWidth || c.height != requestedHeight) {
        sizeAdjustment_ = std::to_string(requestedWidth) + "x" + std::to_string(requestedHeight) + " rounded to "
            + std::to_string(c.width) + "x" + std::to_string(c.height)
            + (c.codec == Codec::proRes ? " (4:2:2 needs an even width)" : " (4:2:0 needs even sizes)");
    }
    c.colorTags = effectiveTags(c.colorTags, c.height);
    // The classic QuickTime video time scale when the rate divides it, else its least multiple.
    timeScale_ = std::lcm(600, c.fps);

    const bool proRes = c.codec == Codec::proRes;
    const char* encoderName = c.codec == Codec::h264 ? "libx264" : "libx265";
    const AVCodec* codec = proRes ? nullptr : avcodec_find_encoder_by_name(encoderName);
    if (!proRes && !codec)
        return platform::fail(makeError(Kind::encoderUnavailable, 0, std::string("no encoder ") + encoderName));
    const AVOutputFormat* mov = av_guess_format("mov", nullptr, nullptr);
    if (!mov)
        return platform::fail(makeError(Kind::encoderUnavailable, 0, "no QuickTime muxer"));

    auto& f = *ff_;
    f.packet = av_packet_alloc();
    f.frame = av_frame_alloc();
    if (!f.packet || !f.frame)
        return platform::fail(makeError(Kind::encoderUnavailable, AVERROR(ENOMEM), "allocation"));
    f.pixelFormat = !proRes ? AV_PIX_FMT_YUV420P : c.proResProfile >= 4 ? AV_PIX_FMT_YUV444P10 : AV_PIX_FMT_YUV422P10;
    const auto [kr, kb] = lumaWeights(c.colorTags.matrix);
    if (proRes) {
        ProResEncoder::Settings p;
        p.profile = static_cast<ProResEncoder::Profile>(c.proResProfile);
        p.width = c.width;
        p.height = c.height;
        p.fps = c.fps;
        p.colorPrimaries = static_cast<std::uint8_t>(ffmpegtags::toAv(c.colorTags.primaries));
        p.transfer = static_cast<std::uint8_t>(ffmpegtags::toAv(c.colorTags.transfer));
        p.matrix = static_cast<std::uint8_t>(ffmpegtags::toAv(c.colorTags.matrix));
        p.kr = kr;
        p.kb = kb;
        p.kernels = c.proResKernels;
        p.pool = c.proResPool ? c.proResPool : SliceThreadPool::shared();
        f.proRes = std::make_unique<ProResEncoder>(std::move(p));
        f.scaledStride = static_cast<int>(alignedRowBytes(PixelFormat::BGRA, c.width));
    } else if (auto opened = openEncoder(codec); !opened) {
        return opened;
    }
    // The file last, so a refused codec leaves nothing behind.
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC;
    flags |= c.replaceExisting ? O_TRUNC : O_EXCL;
    fd_ = ::open(c.path.c_str(), flags, 0644);
    if (fd_ < 0) {
        const int err = errno;
        return platform::fail(makeError(
            err == EEXIST ? Kind::fileExists : Kind::cannotCreateFile, AVERROR(err), "cannot create " + c.path));
    }
    createdFile_ = true;
    f.fd = fd_;
    int rc = 0;

    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    f.io = buffer ? avio_alloc_context(buffer, kIoBufferSize, 1, &f.fd, nullptr, fileWrite, fileSeek) : nullptr;
    if (!f.io) {
        av_free(buffer);
        return platform::fail(makeError(Kind::cannotCreateFile, AVERROR(ENOMEM), "allocation"));
    }
    f.io->seekable = AVIO_SEEKABLE_NORMAL;

    rc = avformat_alloc_output_context2(&f.format, mov, nullptr, nullptr);
    if (rc < 0)
        return platform::fail(makeError(Kind::encoderUnavailable, rc, "cannot make the QuickTime muxer"));
    f.format->pb = f.io;
    f.format->flags |= AVFMT_FLAG_CUSTOM_IO;
    f.stream = avformat_new_stream(f.format, nullptr);
    if (!f.stream)
        return platform::fail(makeError(Kind::encoderUnavailable, AVERROR(ENOMEM), "allocation"));
    if (proRes) {
        AVCodecParameters* par = f.stream->codecpar;
        const char* tag = ProResEncoder::fourcc(static_cast<ProResEncoder::Profile>(c.proResProfile));
        par->codec_type = AVMEDIA_TYPE_VIDEO;
        par->codec_id = AV_CODEC_ID_PRORES;
        par->codec_tag = MKTAG(tag[0], tag[1], tag[2], tag[3]);
        par->profile = c.proResProfile;
        par->format = f.pixelFormat;
        par->width = c.width;
        par->height = c.height;
        par->sample_aspect_ratio = AVRational { 1, 1 };
        par->color_primaries = ffmpegtags::toAv(c.colorTags.primaries);
        par->color_trc = ffmpegtags::toAv(c.colorTags.transfer);
        par->color_space = ffmpegtags::toAv(c.colorTags.matrix);
        par->color_range = AVCOL_RANGE_MPEG;
    } else if (rc = avcodec_parameters_from_context(f.stream->codecpar, f.encoder); rc < 0) {
        return platform::fail(makeError(Kind::encoderUnavailable, rc, "codec parameters"));
    }
    if (c.codec == Codec::hevc)
        f.stream->codecpar->codec_tag = MKTAG('h', 'v', 'c', '1');
    f.stream->time_base = AVRational { 1, timeScale_ };
    f.stream->avg_frame_rate = AVRational { c.fps, 1 };
    f.stream->r_frame_rate = AVRational { c.fps, 1 };

    if (proRes) {
        for (auto& buffer : f.scaled)
            buffer.resize(std::size_t(f.scaledStride) * std::size_t(c.height));
        return {};
    }
    f.converter.emplace(f.pixelFormat == AV_PIX_FMT_YUV420P ? MovieFrameConverter::Layout::yuv420p
            : f.pixelFormat == AV_PIX_FMT_YUV422P10         ? MovieFrameConverter::Layout::yuv422p10
                                                            : MovieFrameConverter::Layout::yuv444p10,
        kr, kb);

    f.pictureBytes = av_image_get_buffer_size(f.pixelFormat, c.width, c.height, 64);
    f.pool = av_buffer_pool_init(static_cast<std::size_t>(f.pictureBytes) + 64, nullptr);
    if (f.pictureBytes <= 0 || !f.pool)
        return platform::fail(makeError(Kind::encoderUnavailable, AVERROR(ENOMEM), "allocation"));
    return {};
}

platform::Result<void, MovieFileWriter::Error> MovieFileWriter::openEncoder(const AVCodec* codec)
{
    using Kind = Error::Kind;
    const auto& c = config_;
    auto& f = *ff_;
    const char* encoderName = codec->name;
    const AVOutputFormat* mov = av_guess_format("mov", nullptr, nullptr);
    f.encoder = avcodec_alloc_context3(codec);
    if (!f.encoder)
        return platform::fail(makeError(Kind::encoderUnavailable, AVERROR(ENOMEM), "allocation"));
    AVCodecContext* e = f.encoder;
    e->pix_fmt = f.pixelFormat;
    e->width = c.width;
    e->height = c.height;
    e->time_base = AVRational { 1, c.fps };
    e->framerate = AVRational { c.fps, 1 };
    e->sample_aspect_ratio = AVRational { 1, 1 };
    e->thread_count = std::max(1, c.threadCount);
    e->color_primaries = ffmpegtags::toAv(c.colorTags.primaries);
    e->color_trc = ffmpegtags::toAv(c.colorTags.transfer);
    e->colorspace = ffmpegtags::toAv(c.colorTags.matrix);
    e->color_range = AVCOL_RANGE_MPEG;
    if (mov->flags & AVFMT_GLOBALHEADER)
        e->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

    AVDictionary* options = nullptr;
    const int keyInterval = std::max(1, static_cast<int>(std::lround(c.keyframeIntervalSeconds * c.fps)));
    switch (c.codec) {
    case Codec::h264:
        e->profile = FF_PROFILE_H264_HIGH;
        e->gop_size = keyInterval;
        e->keyint_min = std::min(keyInterval, 25);
        if (c.averageBitRate)
            e->bit_rate = *c.averageBitRate;
        av_dict_set(&options, "preset", c.h264Preset.c_str(), 0);
        av_dict_set(&options, "profile", "high", 0);
        break;
    case Codec::hevc: {
        e->gop_size = keyInterval;
        if (c.averageBitRate)
            e->bit_rate = *c.averageBitRate;
        // Real time needs the fastest preset; x265 keeps its own pool of threads, sized here.
        av_dict_set(&options, "preset", "ultrafast", 0);
        const std::string params = "log-level=error:pools=" + std::to_string(e->thread_count)
            + ":keyint=" + std::to_string(keyInterval) + ":min-keyint=" + std::to_string(std::min(keyInterval, 25));
        av_dict_set(&options, "x265-params", params.c_str(), 0);
        break;
    }
    case Codec::proRes:
        break;
    }
    const int rc = avcodec_open2(e, codec, &options);
    av_dict_free(&options);
    if (rc < 0)
        return platform::fail(makeError(Kind::encoderUnavailable, rc, std::string("cannot open ") + encoderName));

    return {};
}

platform::Result<void, MovieFileWriter::Error> MovieFileWriter::startWriting()
{
    if (status_ != Status::unknown)
        return platform::fail(makeError(Error::Kind::wrongState, 0, "writing has already started"));
    AVDictionary* options = nullptr;
    av_dict_set(&options, "video_track_timescale", std::to_string(timeScale_).c_str(), 0);
    av_dict_set(&options, "movflags", "+write_colr", 0);
    const int rc = avformat_write_header(ff_->format, &options);
    av_dict_free(&options);
    if (rc < 0) {
        status_ = Status::failed;
        error_ = makeError(Error::Kind::writeFailed, rc, "cannot write the movie header");
        closeFile();
        return platform::fail(*error_);
    }
    ff_->headerWritten = true;
    status_ = Status::writing;
    return {};
}

platform::Result<void, MovieFileWriter::Error> MovieFileWriter::append(const Frame& source)
{
    using Kind = Error::Kind;
    if (status_ != Status::writing)
        return platform::fail(makeError(Kind::wrongState, 0, "the writer is not writing"));
    const AVPixelFormat srcFormat = source.isNull() ? AV_PIX_FMT_NONE : sourceFormat(source.format());
    if (srcFormat == AV_PIX_FMT_NONE)
        return platform::fail(makeError(Kind::unsupportedImage, 0, "no image the writer can convert"));

    auto& f = *ff_;
    const bool sameSizeBgra
        = srcFormat == AV_PIX_FMT_BGRA && source.width() == config_.width && source.height() == config_.height;
    const bool direct = sameSizeBgra && (f.proRes || f.converter->supports(source.width(), source.height()));
    // Our ProRes encoder reads BGRA; the library encoders take planar Y'CbCr.
    const AVPixelFormat scaledFormat = f.proRes ? AV_PIX_FMT_BGRA : f.pixelFormat;
    if (!direct
        && (!f.scaler || f.scalerWidth != source.width() || f.scalerHeight != source.height()
            || f.scalerFormat != srcFormat)) {
        sws_freeContext(f.scaler);
        f.scaler = sws_getContext(source.width(), source.height(), srcFormat, config_.width, config_.height,
            scaledFormat, SWS_BICUBIC, nullptr, nullptr, nullptr);
        f.scalerWidth = source.width();
        f.scalerHeight = source.height();
        f.scalerFormat = srcFormat;
        if (!f.scaler)
            return platform::fail(makeError(Kind::conversionFailed, 0, "no converter for this image"));
        // swscale would use BT.601 for every size; use and tag the file's matrix, limited range.
        const int* matrix = sws_getCoefficients(ffmpegtags::swsColorspace(config_.colorTags.matrix));
        const bool rgbSource = srcFormat == AV_PIX_FMT_BGRA;
        sws_setColorspaceDetails(f.scaler, matrix, rgbSource ? 1 : 0, matrix, f.proRes ? 1 : 0, 0, 1 << 16, 1 << 16);
    }
    if (f.proRes)
        return appendProRes(source, direct);

    // Encoders may keep a reference to the picture: every frame takes its own pooled buffer.
    AVFrame* frame = f.frame;
    av_frame_unref(frame);
    frame->buf[0] = av_buffer_pool_get(f.pool);
    if (!frame->buf[0])
        return platform::fail(makeError(Kind::conversionFailed, AVERROR(ENOMEM), "no picture buffer"));
    av_image_fill_arrays(
        frame->data, frame->linesize, frame->buf[0]->data, f.pixelFormat, config_.width, config_.height, 64);
    frame->format = f.pixelFormat;
    frame->width = config_.width;
    frame->height = config_.height;
    frame->sample_aspect_ratio = AVRational { 1, 1 };
    frame->color_primaries = f.encoder->color_primaries;
    frame->color_trc = f.encoder->color_trc;
    frame->colorspace = f.encoder->colorspace;
    frame->color_range = AVCOL_RANGE_MPEG;

    if (direct) {
        f.converter->convert(
            source.data(), source.rowBytes(), source.width(), source.height(), frame->data, frame->linesize);
    } else {
        const std::uint8_t* srcPlanes[4] = { source.data(), nullptr, nullptr, nullptr };
        const int srcStrides[4] = { static_cast<int>(source.rowBytes()), 0, 0, 0 };
        const int rows = sws_scale(f.scaler, srcPlanes, srcStrides, 0, source.height(), frame->data, frame->linesize);
        if (rows <= 0) {
            av_frame_unref(frame);
            return platform::fail(makeError(Kind::conversionFailed, rows, "conversion failed"));
        }
    }

    frame->pts = framesAppended_;
    const int rc = avcodec_send_frame(f.encoder, frame);
    av_frame_unref(frame);
    if (rc < 0)
        return fail(makeError(Kind::writeFailed, rc, "the encoder refused a frame"));
    ++framesAppended_;
    return encode(false);
}

platform::Result<void, MovieFileWriter::Error> MovieFileWriter::appendProRes(const Frame& source, bool direct)
{
    auto& f = *ff_;
    const auto slot = static_cast<std::size_t>(framesAppended_ % 2);
    const std::uint8_t* pixels = source.data();
    std::size_t rowBytes = source.rowBytes();
    if (!direct) {
        const std::uint8_t* srcPlanes[4] = { source.data(), nullptr, nullptr, nullptr };
        const int srcStrides[4] = { static_cast<int>(source.rowBytes()), 0, 0, 0 };
        std::uint8_t* dstPlanes[4] = { f.scaled[slot].data(), nullptr, nullptr, nullptr };
        const int dstStrides[4] = { f.scaledStride, 0, 0, 0 };
        const int rows = sws_scale(f.scaler, srcPlanes, srcStrides, 0, source.height(), dstPlanes, dstStrides);
        if (rows <= 0)
            return platform::fail(makeError(Error::Kind::conversionFailed, rows, "conversion failed"));
        pixels = f.scaled[slot].data();
        rowBytes = static_cast<std::size_t>(f.scaledStride);
    }
    const FieldInfo& info = source.fieldInfo();
    const FieldDetail fields = !info.interlaced() ? FieldDetail::None
        : info.detail == FieldDetail::None        ? FieldDetail::TemporalTopFirst
                                                  : info.detail;
    // The movie's field atom is written with the index at the end; the first frame decides it.
    if (!f.fieldOrderKnown) {
        f.fieldOrderKnown = true;
        const bool bottomFirst
            = fields == FieldDetail::TemporalBottomFirst || fields == FieldDetail::SpatialFirstLineLate;
        f.stream->codecpar->field_order = fields == FieldDetail::None ? AV_FIELD_PROGRESSIVE
            : bottomFirst                                             ? AV_FIELD_BB
                                                                      : AV_FIELD_TT;
    }
    f.coding[slot] = source;
    f.proRes->start(pixels, rowBytes, fields);
    ++framesAppended_;
    // The previous frame is written while this one is coded.
    return f.proRes->inFlight() == 2 ? writeProResFrame() : platform::Result<void, Error> {};
}

platform::Result<void, MovieFileWriter::Error> MovieFileWriter::writeProResFrame()
{
    auto& f = *ff_;
    const std::int64_t index = framesAppended_ - f.proRes->inFlight();
    const std::span<const std::uint8_t> coded = f.proRes->finish();
    f.coding[static_cast<std::size_t>(index % 2)] = Frame();

    // The packet borrows the encoder's bytes; the muxer writes them before returning.
    AVPacket* packet = f.packet;
    packet->data = const_cast<std::uint8_t*>(coded.data());
    packet->size = static_cast<int>(coded.size());
    packet->pts = packet->dts = index;
    packet->duration = 1;
    packet->flags = AV_PKT_FLAG_KEY;
    packet->stream_index = f.stream->index;
    av_packet_rescale_ts(packet, AVRational { 1, config_.fps }, f.stream->time_base);
    int rc = av_write_frame(f.format, packet);
    av_packet_unref(packet);
    if (rc >= 0 && f.io->error < 0)
        rc = f.io->error;
    if (rc < 0)
        return fail(makeError(Error::Kind::writeFailed, rc, "cannot write to " + config_.path));
    return {};
}

platform::Result<void, MovieFileWriter::Error> MovieFileWriter::encode(bool flush)
{
    auto& f = *ff_;
    if (f.proRes) {
        while (flush && f.proRes->inFlight() > 0)
            if (auto written = writeProResFrame(); !written)
                return written;
        return {};
    }
    if (flush) {
        const int rc = avcodec_send_frame(f.encoder, nullptr);
        if (rc < 0 && rc != AVERROR_EOF)
            return fail(makeError(Error::Kind::writeFailed, rc, "the encoder cannot be drained"));
    }
    for (;;) {
        int rc = avcodec_receive_packet(f.encoder, f.packet);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
            return {};
        if (rc < 0)
            return fail(makeError(Error::Kind::writeFailed, rc, "encoding failed"));
        // Every frame lasts one frame time, so the track's samples are uniform.
        f.packet->duration = 1;
        f.packet->stream_index = f.stream->index;
        av_packet_rescale_ts(f.packet, f.encoder->time_base, f.stream->time_base);
        rc = av_write_frame(f.format, f.packet);
        av_packet_unref(f.packet);
        if (rc >= 0 && f.io->error < 0)
            rc = f.io->error;
        if (rc < 0)
            return fail(makeError(Error::Kind::writeFailed, rc, "cannot write to " + config_.path));
    }
}

platform::Result<void, MovieFileWriter::Error> MovieFileWriter::fail(Error error)
{
    if (status_ == Status::writing) {
        status_ = Status::failed;
        error_ = error;
        // Keep what reached the file readable: write the index of the samples so far. The disk
        // may be full, so this is best effort.
        if (ff_->headerWritten) {
            ff_->headerWritten = false;
            av_write_trailer(ff_->format);
        }
        closeFile();
    }
    return platform::fail(std::move(error));
}

platform::Result<void, MovieFileWriter::Error> MovieFileWriter::finishWriting()
{
    if (status_ != Status::writing)
        return platform::fail(makeError(Error::Kind::wrongState, 0, "the writer is not writing"));
    if (auto drained = encode(true); !drained)
        return drained;
    auto& f = *ff_;
    f.headerWritten = false;
    int rc = av_write_trailer(f.format);
    if (rc >= 0 && f.io->error < 0)
        rc = f.io->error;
    if (rc < 0) {
        status_ = Status::writing; // let fail() record it
        return fail(makeError(Error::Kind::writeFailed, rc, "cannot write the movie index"));
    }
    const int fd = fd_;
    fd_ = -1;
    f.fd = -1;
    if (fd >= 0 && ::close(fd) != 0) {
        const int err = errno;
        status_ = Status::failed;
        error_ = makeError(Error::Kind::writeFailed, AVERROR(err), "cannot close " + config_.path);
        return platform::fail(*error_);
    }
    status_ = Status::completed;
    return {};
}

void MovieFileWriter::cancelWriting()
{
    if (status_ == Status::completed || status_ == Status::cancelled)
        return;
    status_ = Status::cancelled;
    closeFile();
    struct stat info { };
    if (createdFile_ && ::stat(config_.path.c_str(), &info) == 0 && S_ISREG(info.st_mode))
        ::unlink(config_.path.c_str());
    createdFile_ = false;
}

void MovieFileWriter::closeFile()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    ff_->fd = -1;
}

} // namespace media
