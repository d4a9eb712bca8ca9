#include "RemoteLinesFuzz.h"

#include "RemoteTestSupport.h"

#include "platform/ManualMediaClock.h"
#include "remote/AuthGate.h"
#include "remote/LineFramer.h"
#include "remote/RemoteCommandHandler.h"
#include "remote/RemoteJson.h"
#include "remote/WebRTCSignalingAdapter.h"

#include <QJsonDocument>

#include <vector>

namespace {

// Small, so inputs of a few kilobytes reach the over-limit path.
constexpr qsizetype fuzzLineLimit = 4096;
constexpr int pendingAllowance = 256;

std::string checkReply(const remote::RemoteMessage& message)
{
    auto line = remote::RemoteJson::encodeLine(message);
    if (!line)
        return "a reply could not be encoded";
    const QByteArray bytes = *line;
    if (bytes.count('\n') != 1 || !bytes.endsWith('\n'))
        return "a reply is not exactly one line";
    const auto parsed = remote::RemoteJson::parseLine(QByteArrayView(bytes).chopped(1));
    if (!parsed.object || *parsed.object != message)
        return "a reply does not parse back to itself";
    if (QJsonDocument(*parsed.object).toJson(QJsonDocument::Compact).size() != bytes.size() - 1)
        return "a reply is not compact";
    return {};
}

} // namespace

std::string runRemoteLinesInput(const std::uint8_t* data, std::size_t size)
{
    // Header: one byte of flags (bit 0: the operator allows), one byte giving the number of cuts,
    // then two bytes per cut; the rest is the stream.
    if (size < 2)
        return {};
    const bool allow = data[0] & 1;
    const std::size_t cuts = data[1] % 16;
    std::size_t offset = 2;
    std::vector<std::size_t> points;
    for (std::size_t i = 0; i < cuts && offset + 2 <= size; ++i, offset += 2)
        points.push_back(std::size_t(data[offset]) | std::size_t(data[offset + 1]) << 8);
    const QByteArray stream(reinterpret_cast<const char*>(data + offset), qsizetype(size - offset));

    RecordingTransport transport;
    remote::AuthGate gate;
    remote::WebRTCSignalingAdapter signaling(transport);
    int signalled = 0;
    signaling.setOnSignal([&](const remote::WebRTCSignalMessage&) { ++signalled; });
    ScriptedPrompter prompter;
    prompter.autoAnswer = allow;
    RecordingCommandTable table;
    platform::ManualMediaClock clock;
    remote::RemoteCommandHandler handler(
        { transport, gate, signaling, prompter, table, [] { return QStringLiteral("123456"); }, clock });

    QByteArray buffer;
    qsizetype start = 0;
    points.push_back(std::size_t(stream.size()));
    for (const std::size_t point : points) {
        const qsizetype end = std::clamp<qsizetype>(qsizetype(point), start, stream.size());
        buffer.append(stream.mid(start, end - start));
        start = end;
        std::vector<QByteArray> lines;
        do {
            lines.clear();
            remote::LineFramer::takeLines(buffer, pendingAllowance, lines);
            for (const auto& line : lines) {
                if (line.isEmpty() || line.contains('\n'))
                    return "the framer gave an empty line or one with a line feed";
                auto parsed = remote::RemoteJson::parseLine(line);
                if (parsed.object)
                    handler.handle(1, *parsed.object);
            }
        } while (!lines.empty());
        if (remote::LineFramer::overLimit(buffer, fuzzLineLimit))
            break; // the server closes such a connection
        if (remote::LineFramer::unterminatedLength(buffer) != buffer.size())
            return "the buffer kept a line feed";
    }
    for (const auto& sent : transport.sent) {
        if (auto problem = checkReply(sent.message); !problem.empty())
            return problem;
    }
    if (handler.pendingPrompts() != 0)
        return "an answered prompt stayed pending";
    return {};
}
