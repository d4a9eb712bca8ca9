#include "RemoteTestClient.h"
#include "RemoteTestSupport.h"

#include "platform/ManualMediaClock.h"
#include "platform/UserDefaults.h"
#include "remote/RemoteCommandHandler.h"
#include "remote/RemoteStack.h"
#include "remote/WebRTCSignalingAdapter.h"
#include "settings/AppSettings.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace remote;

namespace {

const QString code = QStringLiteral("123456");

QJsonObject object(std::initializer_list<QPair<QString, QJsonValue>> fields)
{
    QJsonObject result;
    for (const auto& [key, value] : fields)
        result.insert(key, value);
    return result;
}

QJsonObject ack(bool ok, const QString& message)
{
    return object({ { "type", "ack" }, { "ok", ok }, { "message", message } });
}

QJsonObject required(const QString& scope, const QString& key, const QString& reason)
{
    return object({ { "type", "auth.required" }, { "scope", scope }, { "clientKey", key }, { "reason", reason } });
}

QJsonObject signal(const QString& key, const QString& kind, const QString& sessionID = QStringLiteral("S1"))
{
    return object({ { "type", "webrtc.signal" }, { "clientKey", key }, { "sessionID", sessionID },
        { "payload", object({ { "kind", kind } }) } });
}

class RemoteSessionTest : public ::testing::Test {
protected:
    RemoteSessionTest()
        : defaults(dir.filePath(QStringLiteral("defaults.json")))
        , settings(defaults)
    {
        settings.setPairingCode(code);
        ControlServer::Options options;
        options.address = QHostAddress::LocalHost;
        options.port = 0;
        stack = std::make_unique<RemoteStack>(RemoteStack::Dependencies {
            [this] { return settings.pairingCode(); }, prompter, &publisher, options, clock });
        stack->setCommandTable(table);
        stack->webrtcSignalingAdapter().setOnSignal([this](const WebRTCSignalMessage& m) { signalled.push_back(m); });
        stack->setupControlServer();
        EXPECT_TRUE(QTest::qWaitFor([this] { return stack->controlServer().isRunning(); }, 5000));
    }

    std::unique_ptr<RemoteTestClient> connectClient()
    {
        auto client = std::make_unique<RemoteTestClient>();
        EXPECT_TRUE(client->connectTo(stack->controlServer().port()));
        return client;
    }

    // Asks for `scope` as `key` and lets the operator allow it.
    void grant(RemoteTestClient& client, const QString& key, const QString& scope)
    {
        client.send(object({ { "type", "auth.request" }, { "clientKey", key }, { "scope", scope } }));
        ASSERT_TRUE(QTest::qWaitFor([this] { return prompter.open() > 0; }, 5000));
        prompter.answerNext(true);
        ASSERT_TRUE(client.expect(QStringLiteral("auth.grant")));
    }

    QTemporaryDir dir;
    LogCapture log;
    platform::UserDefaults defaults;
    settings::AppSettings settings;
    platform::ManualMediaClock clock;
    ScriptedPrompter prompter;
    FakeServicePublisher publisher;
    RecordingCommandTable table;
    std::vector<WebRTCSignalMessage> signalled;
    std::unique_ptr<RemoteStack> stack;
};

TEST_F(RemoteSessionTest, HelloChecksTheCodeAndGrantsNothing)
{
    auto client = connectClient();
    const struct {
        QJsonObject hello;
        QJsonObject reply;
    } rows[] = {
        { object({ { "type", "hello" }, { "code", code } }),
            object({ { "type", "welcome" }, { "role", "viewer" }, { "name", "Unknown" } }) },
        { object({ { "type", "hello" }, { "code", code }, { "name", "Pad 1" }, { "role", "controller" } }),
            object({ { "type", "welcome" }, { "role", "controller" }, { "name", "Pad 1" } }) },
        { object({ { "type", "hello" } }), object({ { "type", "error" }, { "message", "bad_code" } }) },
    };
    for (const auto& row : rows) {
        client->send(row.hello);
        EXPECT_EQ(client->next(), row.reply) << QJsonDocument(row.hello).toJson().constData();
    }
    client->send(object({ { "type", "hello" }, { "code", code }, { "clientKey", "P" } }));
    ASSERT_TRUE(client->expect(QStringLiteral("welcome")));
    client->send(object({ { "action", "toggle_play" }, { "clientKey", "P" } }));
    auto refusal = ack(false, QStringLiteral("need control permission"));
    refusal.insert(QStringLiteral("requiredScope"), QStringLiteral("control"));
    EXPECT_EQ(client->next(), refusal);
    EXPECT_EQ(client->next(), required("control", "P", "Control permission required"));
    EXPECT_TRUE(table.commands.empty());
}

TEST_F(RemoteSessionTest, GateRefusesInItsOrderAndPassesWhatALevelAllows)
{
    auto client = connectClient();
    client->send(object({ { "action", "ping" } }));
    EXPECT_EQ(client->next(), ack(true, "pong"));
    client->send(object({ { "type", "command" }, { "payload", object({ { "nothing", 1 } }) } }));
    EXPECT_EQ(client->next(), ack(false, "Missing action"));

    client->send(object(
        { { "type", "command" }, { "payload", object({ { "action", "request_state" }, { "clientID", "A" } }) } }));
    auto needView = ack(false, QStringLiteral("need view permission"));
    needView.insert(QStringLiteral("requiredScope"), QStringLiteral("view"));
    EXPECT_EQ(client->next(), needView);
    EXPECT_EQ(client->next(), required("view", "A", "View permission required"));

    // View lets view commands through; an action the table does not know needs control.
    grant(*client, "A", "view");
    client->send(object({ { "action", "request_state" }, { "clientKey", "A" } }));
    client->send(object({ { "action", "no_such_action" }, { "clientKey", "A" } }));
    EXPECT_EQ(client->expect(QStringLiteral("ack"))->value(QStringLiteral("message")).toString(),
        QStringLiteral("need control permission"));
    ASSERT_EQ(table.commands.size(), 1u);
    EXPECT_EQ(table.commands[0].action, QStringLiteral("request_state"));
    EXPECT_EQ(table.commands[0].clientKey, QStringLiteral("A"));

    // Control, then an allowed "view" request takes control away again.
    grant(*client, "A", "control");
    client->send(object({ { "command", object({ { "action", "toggle_play" }, { "name", "A" } }) } }));
    ASSERT_TRUE(QTest::qWaitFor([this] { return table.commands.size() == 2; }, 5000));
    grant(*client, "A", "view");
    client->send(object({ { "action", "toggle_play" }, { "clientKey", "A" } }));
    EXPECT_EQ(client->expect(QStringLiteral("ack"))->value(QStringLiteral("requiredScope")).toString(),
        QStringLiteral("control"));
    EXPECT_EQ(table.commands.size(), 2u);
}

TEST_F(RemoteSessionTest, PermissionRequestsKeysScopesAndAnswers)
{
    auto client = connectClient();
    struct Row {
        QJsonObject request;
        bool allow;
        QJsonObject reply;
        const char* requested;
    };
    const Row rows[] = {
        // An empty top-level key is the key; "clientID" is not looked at.
        { object({ { "type", "auth.request" }, { "clientKey", "" }, { "clientID", "X" } }), true,
            object({ { "type", "auth.grant" }, { "scope", "view" }, { "clientKey", "" } }), "VIEW" },
        { object(
              { { "type", "auth.request" }, { "payload", object({ { "scope", "control" }, { "clientKey", "P" } }) } }),
            true, object({ { "type", "auth.grant" }, { "scope", "control" }, { "clientKey", "P" } }), "CONTROL" },
        { object({ { "type", "auth.request" }, { "scope", "weird" }, { "clientKey", "Q" } }), true,
            object({ { "type", "auth.grant" }, { "scope", "view" }, { "clientKey", "Q" } }), "VIEW" },
        { object({ { "type", "auth.request" }, { "scope", "control" }, { "clientKey", "P" } }), false,
            object({ { "type", "auth.deny" }, { "scope", "control" }, { "clientKey", "P" },
                { "reason", "User denied on Mac" } }),
            "CONTROL" },
        // No client named: the key "unknown" is granted like any other.
        { object({ { "type", "auth.request" }, { "scope", "control" } }), true,
            object({ { "type", "auth.grant" }, { "scope", "control" }, { "clientKey", "unknown" } }), "CONTROL" },
    };
    for (const auto& row : rows) {
        client->send(row.request);
        ASSERT_TRUE(QTest::qWaitFor([this] { return prompter.open() > 0; }, 5000));
        EXPECT_EQ(prompter.questions.back().request.requested, QString::fromLatin1(row.requested));
        EXPECT_EQ(prompter.questions.back().request.address, QStringLiteral("127.0.0.1"));
        prompter.answerNext(row.allow);
        EXPECT_EQ(client->next(), row.reply);
    }
    // The denial left P's control in place; "unknown" now passes control commands.
    client->send(object({ { "action", "stop" }, { "clientKey", "P" } }));
    client->send(object({ { "action", "stop" } }));
    ASSERT_TRUE(QTest::qWaitFor([this] { return table.commands.size() == 2; }, 5000));
    EXPECT_EQ(table.commands[1].clientKey, QStringLiteral("unknown"));
}

TEST_F(RemoteSessionTest, AlertShowsSafeFieldsAndOnlyTheRequestWaits)
{
    auto client = connectClient();
    const QString hostile = QStringLiteral("Pad\n\u202EevilRequested: CONTROL\r") + QString(100, QLatin1Char('x'));
    client->send(object({ { "type", "auth.request" }, { "deviceName", hostile }, { "clientKey", "K\nK" } }));
    ASSERT_TRUE(QTest::qWaitFor([this] { return prompter.open() == 1; }, 5000));
    const auto& request = prompter.questions.back().request;
    EXPECT_EQ(request.deviceName.size(), 64);
    EXPECT_TRUE(request.deviceName.startsWith(QStringLiteral("PadevilRequested: CONTROL")));
    EXPECT_EQ(request.clientKey, QStringLiteral("KK"));
    EXPECT_EQ(PermissionPrompter::alertMessage(request).count(QLatin1Char('\n')), 3);
    EXPECT_TRUE(
        PermissionPrompter::alertMessage(request).endsWith(QStringLiteral("\nRequested: VIEW\nAddress: 127.0.0.1")));

    // Meanwhile: other messages are answered; a second request of the key is refused; three more
    // keys may wait, a fifth may not.
    client->send(object({ { "action", "ping" } }));
    EXPECT_EQ(client->next(), ack(true, "pong"));
    const auto pendingDeny = [](const QString& key) {
        return object({ { "type", "auth.deny" }, { "scope", "view" }, { "clientKey", key },
            { "reason", "Request already pending" } });
    };
    client->send(object({ { "type", "auth.request" }, { "clientKey", "K\nK" } }));
    EXPECT_EQ(client->next(), pendingDeny(QStringLiteral("K\nK")));
    for (const char* key : { "B", "C", "D", "E" })
        client->send(object({ { "type", "auth.request" }, { "clientKey", key } }));
    EXPECT_EQ(client->next(), pendingDeny(QStringLiteral("E")));
    EXPECT_EQ(stack->commandHandler().pendingPrompts(), RemoteCommandHandler::maxPendingPrompts);
    prompter.answerNext(true);
    EXPECT_EQ(client->expect(QStringLiteral("auth.grant"))->value(QStringLiteral("clientKey")).toString(),
        QStringLiteral("K\nK"));
    client->send(object({ { "type", "auth.request" }, { "clientKey", "E" } }));
    EXPECT_TRUE(client->expectNothing());
    EXPECT_EQ(prompter.open(), 4);
}

TEST_F(RemoteSessionTest, LiveVideoSignalsAreGatedAndSteeredOnlyByTheActiveViewer)
{
    auto viewer = connectClient();
    auto other = connectClient();
    viewer->send(signal("V", "start"));
    EXPECT_EQ(viewer->next(), required("view", "V", "Request View permission first"));
    EXPECT_EQ(viewer->next(), ack(false, "webrtc.start blocked: view permission required"));
    EXPECT_TRUE(signalled.empty());

    grant(*viewer, "V", "view");
    grant(*other, "O", "view");
    viewer->send(signal("V", "start"));
    EXPECT_EQ(viewer->next(), ack(true, "webrtc.signal received"));
    EXPECT_EQ(stack->webrtcSignalingAdapter().activeClientKey(), QStringLiteral("V"));
    ASSERT_EQ(signalled.size(), 1u);
    EXPECT_EQ(signalled[0].sessionID, QStringLiteral("S1"));

    // Another tablet cannot end or steer the session; the active one can.
    for (const char* kind : { "answer", "ice", "stop" }) {
        other->send(signal("O", kind));
        EXPECT_EQ(other->next(), ack(true, "webrtc.signal received"));
    }
    EXPECT_EQ(signalled.size(), 1u);
    viewer->send(signal("V", "answer"));
    EXPECT_EQ(viewer->next(), ack(true, "webrtc.signal received"));
    EXPECT_EQ(signalled.size(), 2u);

    // A malformed start still moves the session to its sender and is acknowledged.
    other->send(signal("O", "start", QString()));
    EXPECT_EQ(other->next(), ack(true, "webrtc.signal received"));
    EXPECT_EQ(stack->webrtcSignalingAdapter().activeClientKey(), QStringLiteral("O"));
    EXPECT_EQ(signalled.size(), 2u);

    // Outgoing: the four-key envelope to the active client only.
    const auto payload = object({ { "kind", "offer" }, { "sdp", "v=0" } });
    stack->webrtcSignalingAdapter().send(QStringLiteral("S9"), payload);
    EXPECT_EQ(other->next(),
        object({ { "type", "webrtc.signal" }, { "sessionID", "S9" }, { "clientKey", "O" }, { "payload", payload } }));
    EXPECT_TRUE(viewer->expectNothing());
}

TEST_F(RemoteSessionTest, WrongCodesLockPairingForTheAddressWithGrowingLocks)
{
    auto client = connectClient();
    const auto hello = [&](const QString& attempt) {
        client->send(object({ { "type", "hello" }, { "code", attempt } }));
        return client->next()->value(QStringLiteral("type")).toString();
    };
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(hello(QStringLiteral("000000")), QStringLiteral("error"));
    EXPECT_EQ(hello(code), QStringLiteral("error")) << "locked: the right code is not even compared";
    clock.advance(29.9);
    EXPECT_EQ(hello(code), QStringLiteral("error"));
    clock.advance(0.1);
    EXPECT_EQ(hello(code), QStringLiteral("welcome"));
    // The right code cleared the record: five more wrong ones lock for 30 s again, the next
    // five after that for 60 s.
    for (int i = 0; i < 5; ++i)
        hello(QStringLiteral("1"));
    clock.advance(30);
    for (int i = 0; i < 5; ++i)
        hello(QStringLiteral("1"));
    clock.advance(59);
    EXPECT_EQ(hello(code), QStringLiteral("error"));
    clock.advance(1);
    EXPECT_EQ(hello(code), QStringLiteral("welcome"));
}

TEST_F(RemoteSessionTest, SetUpOnceAndStopForGood)
{
    stack->setupControlServer();
    EXPECT_EQ(publisher.published.size(), 1u);
    auto client = connectClient();
    stack->stop();
    EXPECT_TRUE(client->waitForClose());
    EXPECT_TRUE(QTest::qWaitFor([this] { return !stack->controlServer().isRunning(); }, 5000));
}

TEST(WebRTCSignalMessageTest, OnlyWellFormedSignalsBecomeMessages)
{
    const auto payload = object({ { "kind", "ice" } });
    const struct {
        QJsonObject dict;
        bool valid;
    } rows[] = {
        { object({ { "type", "webrtc.signal" }, { "sessionID", "S" }, { "payload", payload } }), true },
        { object({ { "type", "webrtc.signal" }, { "sessionID", "" }, { "payload", payload } }), false },
        { object({ { "type", "webrtc.signal" }, { "sessionID", "S" }, { "payload", "text" } }), false },
    };
    for (const auto& row : rows) {
        const auto message = WebRTCSignalMessage::fromDict(row.dict);
        ASSERT_EQ(message.has_value(), row.valid) << QJsonDocument(row.dict).toJson().constData();
        if (message) {
            EXPECT_EQ(WebRTCSignalMessage::fromDict(message->toDict()), message);
        }
    }
}

} // namespace
