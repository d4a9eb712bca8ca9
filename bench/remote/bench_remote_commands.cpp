// Commands through the station's control server against a raw line echo on one network thread:
// one tablet pipelines 100,000 "ping" and then 10,000 "toggle_play" (each answered after a state
// and a clock to every connection), and the same lines go to the echo. Prints both rates and, on
// its last line, the time ratio station/raw for the pings (goal: 50,000 ping/s or more).

#include "RemoteBenchKit.h"

#include "fakes/FakeMediaPlayer.h"

#include <QCoreApplication>

#include <sys/socket.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

using namespace remote_bench;

namespace {

// Sends `count` copies of `line` in one go from a writer thread and reads until `count` lines
// holding `marker` came back; seconds taken, or a negative number when the stream ended early.
double pipeline(quint16 port, bool authorise, const QByteArray& line, int count, const QByteArray& marker)
{
    std::atomic<bool> finished { false };
    double seconds = -1.0;
    std::thread tablet([&] {
        LineClient client(port);
        if (client.connected() && (!authorise || client.authorise(QStringLiteral("A")))) {
            QByteArray all;
            all.reserve(line.size() * count + count);
            for (int i = 0; i < count; ++i)
                all += line + '\n';
            const auto start = Clock::now();
            std::thread writer([&client, &all] { client.sendAll(all); });
            int seen = 0;
            while (seen < count) {
                const QByteArray reply = client.readLine();
                if (reply.isEmpty())
                    break;
                if (reply.contains(marker))
                    ++seen;
            }
            if (seen == count)
                seconds = secondsSince(start);
            ::shutdown(client.fd(), SHUT_RDWR);
            writer.join();
        }
        finished = true;
    });
    runUntil([&] { return finished.load(); });
    tablet.join();
    return seconds;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int pings = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    const int toggles = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10000;
    const QByteArray ping = R"({"action":"ping","clientKey":"A"})";
    const QByteArray toggle = R"({"action":"toggle_play","clientKey":"A"})";

    double stationPing = -1.0, stationToggle = -1.0;
    {
        Station station;
        station.kit.record(QStringLiteral("A001_S1_T1_C1.mov"), "take");
        station.kit.mainPlayer().makeReady(3600.0);
        stationPing = pipeline(station.port(), true, ping, pings, "\"pong\"");
        stationToggle = pipeline(station.port(), true, toggle, toggles, "\"ack\"");
    }
    double rawPing = -1.0, rawToggle = -1.0;
    {
        RawServer echo([](const QByteArray& line, const RawServer::Peer& peer) { peer.send(line + '\n'); });
        rawPing = pipeline(echo.port(), false, ping, pings, "ping");
        rawToggle = pipeline(echo.port(), false, toggle, toggles, "toggle_play");
    }
    const auto rate = [](int count, double seconds) { return seconds > 0 ? count / seconds : 0.0; };
    std::printf("ping        station %10.0f/s   raw echo %10.0f/s   (goal: 50000/s or more)\n",
        rate(pings, stationPing), rate(pings, rawPing));
    std::printf(
        "toggle_play station %10.0f/s   raw echo %10.0f/s\n", rate(toggles, stationToggle), rate(toggles, rawToggle));
    if (stationPing <= 0 || rawPing <= 0) {
        std::printf("ratio station/raw (ping) = n/a (a run did not finish)\n");
        return 1;
    }
    std::printf("ratio station/raw (ping) = %.3f\n", stationPing / rawPing);
    return 0;
}
