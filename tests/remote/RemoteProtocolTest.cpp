#include "remote/MessageFields.h"
#include "remote/protocol/AckMessage.h"
#include "remote/protocol/CommandMessage.h"
#include "remote/protocol/HelloMessage.h"
#include "remote/protocol/RemoteEnvelope.h"
#include "remote/protocol/StateMessage.h"
#include "remote/protocol/WelcomeMessage.h"

#include <gtest/gtest.h>

#include <QJsonDocument>

using namespace remote;

namespace {

QJsonObject parse(const char* json)
{
    return QJsonDocument::fromJson(json).object();
}

// The failure of decoding `object` as a T, if it fails.
template <class T> std::optional<DecodeError> errorOf(const QJsonObject& object)
{
    auto decoded = T::fromJson(object);
    return decoded ? std::nullopt : std::optional(decoded.error());
}

TEST(RemoteProtocol, RecordsRoundTripThroughJson)
{
    const HelloMessage hello(QStringLiteral("012345"), QStringLiteral("Pad"), QStringLiteral("iPadOS"));
    EXPECT_EQ(HelloMessage::fromJson(hello.toJson()).value(), hello);
    const WelcomeMessage welcome(RemoteRole::controller, QStringLiteral("Stage"), 3);
    EXPECT_EQ(WelcomeMessage::fromJson(welcome.toJson()).value(), welcome);
    const CommandMessage seek(RemoteAction::seek, std::nullopt, 12.5, std::int64_t(-1));
    EXPECT_EQ(CommandMessage::fromJson(seek.toJson()).value(), seek);
    PlaybackState state;
    state.markIn = 0.5;
    state.selectedClipID = QStringLiteral("A");
    state.clips.push_back({ QStringLiteral("A"), QStringLiteral("R1 S2 T3"), 10.0, 1.0, std::nullopt, false,
        QStringLiteral("T3"), std::int64_t(2) });
    const StateMessage message(state);
    EXPECT_EQ(StateMessage::fromJson(message.toJson()).value(), message);
    EXPECT_EQ(RemoteEnvelope::fromJson(message.toJson()).value().type, RemoteMessageType::state);

    // Absent optionals leave their keys out; an empty playlist is an empty array that must be there.
    EXPECT_EQ(AckMessage(true, std::nullopt).toJson(), parse(R"({"type":"ack","ok":true})"));
    EXPECT_EQ(PlaybackState().toJson().value(QStringLiteral("clips")).toArray().size(), 0);
    auto noClips = PlaybackState().toJson();
    noClips.remove(QStringLiteral("clips"));
    EXPECT_EQ(PlaybackState::fromJson(noClips).error().kind, DecodeError::Kind::keyNotFound);
}

TEST(RemoteProtocol, DecodingFailsWithTheRecordsOwnWords)
{
    struct Row {
        const char* json;
        std::function<std::optional<DecodeError>(const QJsonObject&)> decode;
        DecodeError::Kind kind;
        const char* description; // nullptr: any
    };
    const auto hello = errorOf<HelloMessage>;
    const auto command = errorOf<CommandMessage>;
    const auto ack = errorOf<AckMessage>;
    const Row rows[] = {
        { R"({"type":"welcome","pairingCode":"1","clientName":"a","platform":"p"})", hello,
            DecodeError::Kind::dataCorrupted, "Expected type=.hello" },
        { R"({"type":"command","action":"ping","direction":true})", command, DecodeError::Kind::typeMismatch, nullptr },
        { R"({"type":"ack","ok":null})", ack, DecodeError::Kind::valueNotFound, nullptr },
        { R"({"type":"hello","pairingCode":"1","clientName":"a"})", hello, DecodeError::Kind::keyNotFound, nullptr },
    };
    for (const auto& row : rows) {
        const auto error = row.decode(parse(row.json));
        ASSERT_TRUE(error) << row.json;
        EXPECT_EQ(error->kind, row.kind) << row.json;
        if (row.description) {
            EXPECT_EQ(error->description, QString::fromLatin1(row.description));
        }
    }
    const auto loop
        = CommandMessage::fromJson(parse(R"({"type":"command","action":"toggle_loop_in_out","clipID":null})"));
    ASSERT_TRUE(loop);
    EXPECT_EQ(loop.value().action, RemoteAction::toggleLoop);
    EXPECT_FALSE(loop.value().clipID);
    EXPECT_FALSE(loop.value().toJson().contains(QStringLiteral("clipID")));
    EXPECT_EQ(settings::allCases<RemoteAction>().size(), 23u);
}

TEST(MessageFields, NumbersBecomeIntegersOnlyInsideTheirRange)
{
    const struct {
        const char* json;
        std::optional<std::int64_t> asInt64;
        std::optional<std::int32_t> clamped;
        std::optional<std::int64_t> exactInt32;
    } rows[] = {
        { R"({"v":42.9})", 42, 42, std::nullopt },
        { R"({"v":2147483647})", 2147483647, 2147483647, 2147483647 },
        { R"({"v":2147483648})", 2147483648, 2147483647, std::nullopt },
        { R"({"v":-1e12})", -1000000000000, -2147483647 - 1, std::nullopt },
        { R"({"v":9223372036854775808})", std::nullopt, 2147483647, std::nullopt },
        { R"({"v":1e300})", std::nullopt, 2147483647, std::nullopt },
        { R"({"v":false})", std::nullopt, std::nullopt, std::nullopt },
        { R"({"v":"3"})", std::nullopt, std::nullopt, std::nullopt },
    };
    for (const auto& row : rows) {
        const auto message = parse(row.json);
        const QString key = QStringLiteral("v");
        EXPECT_EQ(MessageFields::extractInt(message, key), row.asInt64) << row.json;
        EXPECT_EQ(MessageFields::extractInt32Clamped(message, key), row.clamped) << row.json;
        EXPECT_EQ(MessageFields::exactInteger(message.value(key), INT32_MIN, INT32_MAX), row.exactInt32) << row.json;
    }
}

} // namespace
