#include "platform/DebugLog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Defined in DebugLogDisabledTest.cpp, which is compiled as a release build would be.
int callDisabledDlog(int& evaluated);

TEST(DebugLog, DisabledBuildWritesNothingButStillEvaluatesArguments)
{
    std::vector<std::string> lines;
    debuglog::setSink([&](const std::string& line) { lines.push_back(line); });
    int evaluated = 0;
    callDisabledDlog(evaluated);
    debuglog::setSink({});
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(evaluated, 1);
}
