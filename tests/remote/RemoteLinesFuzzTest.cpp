#include "RemoteLinesFuzz.h"
#include "RemoteTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

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

TEST(RemoteLinesFuzz, SeedCorpusKeepsEveryRule)
{
    LogCapture quiet;
    const auto seeds = seedCorpus();
    ASSERT_GE(seeds.size(), 5u);
    for (const auto& seed : seeds)
        ASSERT_EQ(
            runRemoteLinesInput(reinterpret_cast<const std::uint8_t*>(seed.constData()), std::size_t(seed.size())), "")
            << seed.constData();
}

} // namespace
