#include "RemoteBenchKit.h"

#include "platform/Scheduler.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>

namespace remote_bench {

namespace {

class AllowAll final : public remote::PermissionPrompter {
public:
    void ask(const remote::PermissionRequest&, std::function<void(bool)> answer) override { answer(true); }
};

class NoPublisher final : public remote::ServicePublisher {
public:
    void publish(const remote::ServiceDescription&, Listener) override { }
    void stop() override { }
};

} // namespace

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::int64_t residentBytes()
{
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return static_cast<std::int64_t>(resident) * sysconf(_SC_PAGESIZE);
}

Station::Station()
    : prompter_(std::make_unique<AllowAll>())
    , publisher_(std::make_unique<NoPublisher>())
    , kit(platform::Scheduler::main(), *prompter_, *publisher_)
{
    kit.stack->setupControlServer();
    runUntil([this] { return kit.stack->controlServer().isRunning(); });
    kit.control->setupRealtimeSyncPipelines();
}

LineClient::LineClient(quint16 port)
{
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd_ < 0 || ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close();
        return;
    }
    int one = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    // Every run is bounded: a station that stops answering ends the read, not the benchmark.
    timeval limit { 30, 0 };
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
}

LineClient::~LineClient()
{
    close();
}

void LineClient::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

void LineClient::sendAll(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (fd_ >= 0 && done < bytes.size()) {
        const auto n
            = ::send(fd_, bytes.constData() + done, static_cast<std::size_t>(bytes.size() - done), MSG_NOSIGNAL);
        if (n <= 0)
            return;
        done += n;
    }
}

bool LineClient::fill()
{
    char chunk[65536];
    const auto n = fd_ >= 0 ? ::recv(fd_, chunk, sizeof chunk, 0) : -1;
    if (n <= 0)
        return false;
    buffer_.append(chunk, n);
    return true;
}

bool LineClient::hasBufferedLine() const
{
    return buffer_.contains('\n');
}

QByteArray LineClient::readLine()
{
    for (;;) {
        const auto end = buffer_.indexOf('\n');
        if (end >= 0) {
            QByteArray line = buffer_.left(end);
            buffer_.remove(0, end + 1);
            return line;
        }
        if (!fill())
            return {};
    }
}

QByteArray LineClient::readSome(std::size_t max)
{
    if (buffer_.isEmpty() && !fill())
        return {};
    QByteArray taken = buffer_.left(static_cast<qsizetype>(max));
    buffer_.remove(0, taken.size());
    return taken;
}

bool LineClient::authorise(const QString& key, const QString& scope)
{
    const QJsonObject request { { "type", "auth.request" }, { "clientKey", key }, { "scope", scope } };
    sendAll(QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n');
    for (;;) {
        const QByteArray line = readLine();
        if (line.isEmpty())
            return false;
        if (line.contains("\"auth.grant\""))
            return true;
    }
}

RawServer::RawServer(OnLine onLine)
{
    thread_.setObjectName(QStringLiteral("RawServer"));
    thread_.start();
    auto* server = new QTcpServer;
    server->moveToThread(&thread_);
    server_ = server;
    QMetaObject::invokeMethod(
        server,
        [this, server, onLine = std::move(onLine)] {
            auto peers = std::make_shared<std::vector<QTcpSocket*>>();
            QObject::connect(server, &QTcpServer::newConnection, server, [server, peers, onLine] {
                while (QTcpSocket* socket = server->nextPendingConnection()) {
                    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
                    peers->push_back(socket);
                    auto buffer = std::make_shared<QByteArray>();
                    RawServer::Peer peer { [socket](const QByteArray& bytes) { socket->write(bytes); },
                        [peers](const QByteArray& bytes) {
                            for (auto* each : *peers)
                                each->write(bytes);
                        } };
                    QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, buffer, peer, onLine] {
                        buffer->append(socket->readAll());
                        qsizetype start = 0;
                        for (qsizetype end; (end = buffer->indexOf('\n', start)) >= 0; start = end + 1)
                            onLine(buffer->mid(start, end - start), peer);
                        buffer->remove(0, start);
                    });
                    QObject::connect(socket, &QTcpSocket::disconnected, socket, [socket, peers] {
                        std::erase(*peers, socket);
                        socket->deleteLater();
                    });
                }
            });
            server->listen(QHostAddress::LocalHost, 0);
            port_ = server->serverPort();
        },
        Qt::BlockingQueuedConnection);
}

RawServer::~RawServer()
{
    QMetaObject::invokeMethod(
        server_, [server = server_] { delete server; }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

void runUntil(const std::function<bool()>& done)
{
    if (done())
        return;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start();
    loop.exec();
}

} // namespace remote_bench
