#include "platform/DebugLog.h"

#include <gtest/gtest.h>

#include <QUrl>

#include <string>
#include <vector>

#ifdef CORVALE_DEBUG_LOG
TEST(DebugLog, EnabledBuildJoinsItemsOfAnyTypeWithSpaces)
{
    std::vector<std::string> lines;
    debuglog::setSink([&](const std::string& line) { lines.push_back(line); });
    dlog("🔁 [WebRTC] signalingState=", 2, true, 0.5, std::string("x"), QUrl(QStringLiteral("file:///a.mov")));
    debuglog::setSink({});
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("🔁 [WebRTC] signalingState= 2 true 0.5 x ", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find("file:///a.mov"), std::string::npos);
}
#endif

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
