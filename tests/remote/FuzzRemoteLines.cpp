// libFuzzer entry for the remote-line road (built by scripts/fuzz with clang).

#include "RemoteLinesFuzz.h"

#include "platform/DebugLog.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    debuglog::setSink([](const std::string&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string problem = runRemoteLinesInput(data, size);
    if (!problem.empty()) {
        std::fprintf(stderr, "fuzz_remote_lines: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
