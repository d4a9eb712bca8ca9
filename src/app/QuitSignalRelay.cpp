#include "app/QuitSignalRelay.h"

#include "platform/DebugLog.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace app {

namespace {

std::atomic<int> writeEnd { -1 };

} // namespace

QuitSignalRelay::QuitSignalRelay(QObject* parent)
    : QObject(parent)
{
    Q_ASSERT(writeEnd.load() == -1);
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds_) != 0) {
        dlog("❌ quit signals: no socket pair, errno", errno);
        fds_[0] = fds_[1] = -1;
        return;
    }
    writeEnd.store(fds_[0]);
    notifier_ = new QSocketNotifier(fds_[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &QuitSignalRelay::drain);

    struct sigaction action { };
    action.sa_handler = &QuitSignalRelay::handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, &previousTerm_);
    ::sigaction(SIGINT, &action, &previousInt_);
}

QuitSignalRelay::~QuitSignalRelay()
{
    if (fds_[0] < 0)
        return;
    ::sigaction(SIGTERM, &previousTerm_, nullptr);
    ::sigaction(SIGINT, &previousInt_, nullptr);
    writeEnd.store(-1);
    ::close(fds_[0]);
    ::close(fds_[1]);
}

void QuitSignalRelay::handle(int signalNumber)
{
    const int savedErrno = errno;
    const int fd = writeEnd.load();
    if (fd >= 0) {
        const char byte = static_cast<char>(signalNumber);
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

void QuitSignalRelay::drain()
{
    char bytes[16];
    for (;;) {
        const ssize_t count = ::read(fds_[1], bytes, sizeof bytes);
        if (count <= 0)
            return;
        for (ssize_t i = 0; i < count; ++i)
            emit quitSignalled(bytes[i]);
    }
}

} // namespace app
