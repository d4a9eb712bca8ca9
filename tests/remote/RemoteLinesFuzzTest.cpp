#include "RemoteLinesFuzz.h"
#include "RemoteTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <random>

namespace {

std::vector<QByteArray> seedCorpus()
{
    std::vector<QByteArray> seeds;
    const QDir dir(QStringLiteral(CORVALE_REMOTE_FUZZ_CORPUS));
    for (const auto& name : dir.entryList(QDir::Files, QDir::Name)) {
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            seeds.push_back(file.readAll());
    }
    return seeds;
}

std::string run(const QByteArray& input)
{
    return runRemoteLinesInput(reinterpret_cast<const std::uint8_t*>(input.constData()), std::size_t(input.size()));
}

TEST(RemoteLinesFuzz, SeedCorpusAndSeededMutationsKeepEveryRule)
{
    LogCapture quiet;
    const auto seeds = seedCorpus();
    ASSERT_GE(seeds.size(), 5u);
    for (const auto& seed : seeds)
        ASSERT_EQ(run(seed), "") << seed.constData();

    // Mutations of the seeds: flipped and inserted bytes, splices of two seeds, cut points moved.
    std::mt19937 random(20261207);
    const char* fragments[] = { "\n", "\r", "{", "}", "\"", ":", ",", "[", "null", "true", "1e999", "\"type\"",
        "\"webrtc.signal\"", "\"auth.request\"", "\"hello\"", "\"action\"", "\"payload\"", "\\u0000", "\xff" };
    for (int i = 0; i < 20000; ++i) {
        QByteArray input = seeds[random() % seeds.size()];
        const int edits = 1 + int(random() % 8);
        for (int e = 0; e < edits; ++e) {
            const qsizetype at = input.isEmpty() ? 0 : qsizetype(random() % std::size_t(input.size()));
            switch (random() % 4) {
            case 0:
                if (!input.isEmpty())
                    input[at] = char(random());
                break;
            case 1:
                input.insert(at, fragments[random() % std::size(fragments)]);
                break;
            case 2:
                input.insert(at, seeds[random() % seeds.size()].mid(2));
                break;
            default:
                input.remove(at, qsizetype(random() % 16));
                break;
            }
        }
        const std::string problem = run(input);
        ASSERT_EQ(problem, "") << "input " << i << ": " << input.toHex().constData();
    }
}

} // namespace
