#include "platform/DiskSync.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

int syncPath(const QByteArray& path, int flags)
{
    const int fd = ::open(path.constData(), flags | O_CLOEXEC);
    if (fd < 0)
        return errno;
    int error = 0;
    if (::fsync(fd) != 0)
        error = errno;
    ::close(fd);
    return error;
}

} // namespace

Result<void, int> syncFileAndFolder(const QString& path)
{
    const QFileInfo info(path);
    if (const int error = syncPath(QFile::encodeName(info.absoluteFilePath()), O_RDONLY))
        return fail(error);
    if (const int error = syncPath(QFile::encodeName(info.absolutePath()), O_RDONLY | O_DIRECTORY))
        return fail(error);
    return {};
}

} // namespace platform
