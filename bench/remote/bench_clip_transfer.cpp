// Clip transfer: a 256 MiB clip fetched over the control connection ("cache.transfer" chunks in
// base64, decoded and hashed by the tablet) against the same file streamed raw over loopback and
// hashed by the same loop; and the station's memory growth while a tablet reads at 5 MB/s.
// Prints both speeds, the memory growth (goal under 8 MiB) and, on its last line, the speed
// ratio station/raw (goal 0.40 or more).

#include "RemoteBenchKit.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

using namespace remote_bench;

namespace {

QByteArray fetchLine(const QUuid& id)
{
    return R"({"action":"cache_fetch_clip","clientKey":"A","clipID":")"
        + id.toString(QUuid::WithoutBraces).toUpper().toLatin1() + "\"}\n";
}

// The "data" text of a chunk line, found without parsing the whole line.
QByteArrayView chunkData(const QByteArray& line)
{
    static const QByteArray key = "\"data\":\"";
    const auto start = line.indexOf(key);
    if (start < 0)
        return {};
    const auto from = start + key.size();
    const auto end = line.indexOf('"', from);
    return end < 0 ? QByteArrayView() : QByteArrayView(line).sliced(from, end - from);
}

struct Fetch {
    double seconds = -1.0;
    QByteArray sha256;
};

// The tablet fetching the clip through the station; `bytesPerSecond` > 0 paces the reading and
// stops after `stopAfter` bytes of the wire.
Fetch fetchFromStation(Station& station, const QUuid& id, double bytesPerSecond = 0, qint64 stopAfter = 0,
    std::int64_t* peakGrowth = nullptr)
{
    std::atomic<bool> finished { false };
    Fetch result;
    std::thread tablet([&] {
        LineClient client(station.port());
        if (client.connected() && client.authorise(QStringLiteral("A"))) {
            QCryptographicHash hash(QCryptographicHash::Sha256);
            const auto start = Clock::now();
            client.sendAll(fetchLine(id));
            if (bytesPerSecond > 0) {
                qint64 wire = 0;
                while (wire < stopAfter) {
                    const QByteArray bytes = client.readSome(65536);
                    if (bytes.isEmpty())
                        break;
                    wire += bytes.size();
                    const auto due = start + std::chrono::duration<double>(wire / bytesPerSecond);
                    std::this_thread::sleep_until(std::chrono::time_point_cast<Clock::duration>(due));
                }
            } else {
                for (;;) {
                    const QByteArray line = client.readLine();
                    if (line.isEmpty() || line.contains("\"status\":\"error\""))
                        break;
                    if (line.contains("\"status\":\"chunk\"")) {
                        hash.addData(QByteArray::fromBase64(chunkData(line).toByteArray()));
                    } else if (line.contains("\"status\":\"end\"")) {
                        result.seconds = secondsSince(start);
                        result.sha256 = hash.result();
                        break;
                    }
                }
            }
        }
        finished = true;
    });
    const std::int64_t before = residentBytes();
    std::int64_t peak = before;
    runUntil([&] {
        peak = std::max(peak, residentBytes());
        return finished.load();
    });
    tablet.join();
    if (peakGrowth)
        *peakGrowth = peak - before;
    return result;
}

// The same bytes as a plain stream: one connection, the file written as it is read.
Fetch fetchRaw(const QString& path)
{
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || ::listen(listener, 1) != 0 || ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return {};
    std::thread server([listener, path] {
        const int connection = ::accept(listener, nullptr, nullptr);
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        std::vector<char> buffer(24576);
        for (ssize_t n; connection >= 0 && fd >= 0 && (n = ::read(fd, buffer.data(), buffer.size())) > 0;)
            for (ssize_t sent = 0; sent < n;) {
                const auto m
                    = ::send(connection, buffer.data() + sent, static_cast<std::size_t>(n - sent), MSG_NOSIGNAL);
                if (m <= 0)
                    break;
                sent += m;
            }
        if (fd >= 0)
            ::close(fd);
        if (connection >= 0)
            ::close(connection);
    });
    Fetch result;
    {
        LineClient client(ntohs(address.sin_port));
        QCryptographicHash hash(QCryptographicHash::Sha256);
        const auto start = Clock::now();
        for (QByteArray bytes; !(bytes = client.readSome(65536)).isEmpty();)
            hash.addData(bytes);
        result.seconds = secondsSince(start);
        result.sha256 = hash.result();
    }
    server.join();
    ::close(listener);
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const qint64 mebibytes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 256;

    Station station;
    const QString path = QDir(station.kit.project).filePath(QStringLiteral("A001_S1_T1_C1.mov"));
    {
        QByteArray block(1 << 20, '\0');
        QRandomGenerator(11).fillRange(reinterpret_cast<quint32*>(block.data()), block.size() / 4);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        for (qint64 i = 0; i < mebibytes; ++i) {
            block[0] = static_cast<char>(i); // no two mebibytes alike
            file.write(block);
        }
    }
    station.kit.playback->addClipFromRecording(QUrl::fromLocalFile(path));
    const QUuid id = station.kit.playback->clips().last().id;

    // A slow tablet first, before the fast runs have grown the heap: 4 s at 5 MB/s.
    std::int64_t growth = 0;
    fetchFromStation(station, id, 5e6, qint64(20e6), &growth);
    runUntil([&station] { return station.kit.stack->controlServer().connectedClients() == 0; });

    const Fetch viaStation = fetchFromStation(station, id);
    const Fetch viaRaw = fetchRaw(path);
    const double bytes = static_cast<double>(mebibytes << 20);
    const auto speed = [bytes](double seconds) { return seconds > 0 ? bytes / seconds / 1e6 : 0.0; };
    std::printf("%lld MiB: station %.1f MB/s   raw %.1f MB/s   hashes %s\n", static_cast<long long>(mebibytes),
        speed(viaStation.seconds), speed(viaRaw.seconds),
        !viaStation.sha256.isEmpty() && viaStation.sha256 == viaRaw.sha256 ? "equal" : "DIFFER");
    std::printf("station memory growth with a 5 MB/s tablet: %.2f MiB (goal: under 8 MiB)\n",
        static_cast<double>(growth) / (1 << 20));
    if (viaStation.seconds <= 0 || viaRaw.seconds <= 0 || viaStation.sha256 != viaRaw.sha256) {
        std::printf("ratio station/raw (speed) = n/a (a fetch failed)\n");
        return 1;
    }
    std::printf("ratio station/raw (speed) = %.3f\n", viaRaw.seconds / viaStation.seconds);
    return 0;
}
