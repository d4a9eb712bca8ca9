#pragma once

// Makes a finished file durable: its data and the folder entry that names it reach the disk, so a
// power cut after the file is announced cannot leave an empty or missing file behind.

#include "platform/Result.h"

#include <QString>

namespace platform {

// fsync of the file at `path`, then of its folder. The error is the errno of the first step that
// failed (ENOENT when the file is no longer there). Blocks: call it on a worker thread.
Result<void, int> syncFileAndFolder(const QString& path);

} // namespace platform
