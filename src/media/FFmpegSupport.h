#pragma once

// What every user of libav* in the media layer shares: the process-wide setup, and error texts.

#include <QString>

namespace media {

// Lowers libav*'s own logging to errors, once for the process: encoders and demuxers otherwise
// print informational lines on every recording and every opened file. The writer, the player's
// files and the camera call it before they use libav*; calling it again costs nothing.
void initializeFFmpeg();

// The error text libav* gives for an error code.
QString avErrorText(int code);

} // namespace media
