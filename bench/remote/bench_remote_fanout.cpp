// State fan-out: with 1, 8, 32 and 64 tablets connected and a 200-clip playlist, one controlling
// tablet sends "stop"; the time until the last tablet has read the "state.clock" that follows
// the "state.update", against a raw server that writes the same bytes to every connection from
// one network thread. Prints p50 and p99 of each and, on its last line, the p99 ratio
// station/raw at 64 tablets (goal: station p99 under 20 ms at 64).

#include "RemoteBenchKit.h"

#include "remote/RemoteStateBroadcaster.h"

#include <QCoreApplication>
#include <QJsonDocument>

#include <poll.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

using namespace remote_bench;

namespace {

struct Latencies {
    double p50 = -1.0;
    double p99 = -1.0;
};

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return -1.0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

// `tablets` readers and one controller (the first reader) on one thread: each round sends
// `trigger` and waits until every reader has seen a clock line.
Latencies measure(quint16 port, bool authorise, int tablets, int rounds, const QByteArray& trigger)
{
    std::atomic<bool> finished { false };
    std::vector<double> samples;
    std::thread driver([&] {
        std::vector<std::unique_ptr<LineClient>> clients;
        for (int i = 0; i < tablets; ++i) {
            clients.push_back(std::make_unique<LineClient>(port));
            if (!clients.back()->connected())
                break;
        }
        const bool ready = static_cast<int>(clients.size()) == tablets && clients.front()->connected()
            && (!authorise || clients.front()->authorise(QStringLiteral("A")));
        for (int round = 0; ready && round < rounds; ++round) {
            // Whatever came after the last round's clock is read away first.
            for (auto& client : clients) {
                pollfd probe { client->fd(), POLLIN, 0 };
                while (::poll(&probe, 1, 0) > 0 && !client->readSome(1 << 20).isEmpty()) { }
            }
            const auto start = Clock::now();
            clients.front()->sendAll(trigger + '\n');
            std::vector<bool> seen(clients.size(), false);
            std::size_t remaining = clients.size();
            std::vector<pollfd> fds(clients.size());
            while (remaining > 0) {
                for (std::size_t i = 0; i < clients.size(); ++i)
                    fds[i] = { seen[i] ? -1 : clients[i]->fd(), POLLIN, 0 };
                if (::poll(fds.data(), fds.size(), 10000) <= 0)
                    return finished.store(true);
                for (std::size_t i = 0; i < clients.size(); ++i) {
                    if (seen[i] || !(fds[i].revents & POLLIN))
                        continue;
                    do {
                        const QByteArray line = clients[i]->readLine();
                        if (line.isEmpty())
                            return finished.store(true);
                        if (line.contains("\"state.clock\"")) {
                            seen[i] = true;
                            --remaining;
                            break;
                        }
                    } while (clients[i]->hasBufferedLine());
                }
            }
            samples.push_back(secondsSince(start) * 1000.0);
        }
        finished = true;
    });
    runUntil([&] { return finished.load(); });
    driver.join();
    return { percentile(samples, 0.50), percentile(samples, 0.99) };
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    const int counts[] = { 1, 8, 32, 64 };

    Station station;
    // Only the command's own broadcast is timed: the pipelines' later messages would mix in.
    station.kit.control->endRealtimeSync();
    for (int i = 0; i < 200; ++i)
        station.kit.record(
            QStringLiteral("A%1_S1_T%2_C1.mov").arg(i / 10, 3, 10, QLatin1Char('0')).arg(i % 10 + 1), "x");
    // The bytes a stop puts on the wire, for the raw server to send as they are.
    const QByteArray update
        = QJsonDocument(station.kit.control->snapshots().buildRemoteStatePayload()).toJson(QJsonDocument::Compact);
    const QByteArray fanned = R"({"type":"state.update","payload":)" + update + "}\n"
        + R"({"type":"state.clock","payload":{"isPlaying":false,"currentTime":0,"duration":0,"isTakePreviewActive":false,"sentAtUnix":1765000000.123}})"
        + "\n";
    RawServer raw([&fanned](const QByteArray&, const RawServer::Peer& peer) { peer.broadcast(fanned); });

    double stationP99At64 = -1.0, rawP99At64 = -1.0;
    std::printf("state.update of %lld bytes, %d rounds\n", static_cast<long long>(update.size()), rounds);
    for (const int tablets : counts) {
        const auto s = measure(station.port(), true, tablets, rounds, R"({"action":"stop","clientKey":"A"})");
        // The server takes 64 connections: the last run's are gone before the next connects.
        runUntil([&station] { return station.kit.stack->controlServer().connectedClients() == 0; });
        const auto r = measure(raw.port(), false, tablets, rounds, "go");
        std::printf("%2d tablets: station p50 %7.3f ms  p99 %7.3f ms   raw p50 %7.3f ms  p99 %7.3f ms\n", tablets,
            s.p50, s.p99, r.p50, r.p99);
        if (tablets == 64) {
            stationP99At64 = s.p99;
            rawP99At64 = r.p99;
        }
    }
    std::printf("goal: station p99 under 20 ms at 64 tablets\n");
    if (stationP99At64 <= 0 || rawP99At64 <= 0) {
        std::printf("ratio station/raw (p99 at 64) = n/a (a run did not finish)\n");
        return 1;
    }
    std::printf("ratio station/raw (p99 at 64) = %.3f\n", stationP99At64 / rawP99At64);
    return 0;
}
