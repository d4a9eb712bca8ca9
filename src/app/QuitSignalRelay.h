#pragma once

// Turns SIGTERM and SIGINT into a Qt signal on the main thread: the handler only writes a byte
// into a socket pair whose other end the event loop watches, so nothing unsafe runs inside the
// handler. One relay at a time; the previous handlers come back when it goes.
//
// Main thread only (the handler itself runs wherever the kernel delivers the signal).

#include <QObject>

#include <csignal>

class QSocketNotifier;

namespace app {

class QuitSignalRelay : public QObject {
    Q_OBJECT
public:
    explicit QuitSignalRelay(QObject* parent = nullptr);
    ~QuitSignalRelay() override;

signals:
    void quitSignalled(int signalNumber);

private:
    static void handle(int signalNumber);
    void drain();

    int fds_[2] = { -1, -1 };
    QSocketNotifier* notifier_ = nullptr;
    struct sigaction previousTerm_ { };
    struct sigaction previousInt_ { };
};

} // namespace app
