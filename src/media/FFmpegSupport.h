#pragma once

// What every user of libav* in the media layer shares: the process-wide setup, and error texts.

#include <QString>

#include <memory>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;

namespace media {

// Owners of libav* objects that free them the library's way.
struct AVDeleter {
    void operator()(AVCodecContext* context) const;
    void operator()(AVFrame* frame) const;
    void operator()(AVPacket* packet) const;
};
using AVCodecContextPtr = std::unique_ptr<AVCodecContext, AVDeleter>;
using AVFramePtr = std::unique_ptr<AVFrame, AVDeleter>;
using AVPacketPtr = std::unique_ptr<AVPacket, AVDeleter>;

// Lowers libav*'s own logging to errors, once for the process: encoders and demuxers otherwise
// print informational lines on every recording and every opened file. The writer, the player's
// files and the camera call it before they use libav*; calling it again costs nothing.
void initializeFFmpeg();

// The error text libav* gives for an error code.
QString avErrorText(int code);

} // namespace media
