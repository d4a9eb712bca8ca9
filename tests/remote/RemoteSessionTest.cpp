#include "RemoteTestClient.h"
#include "RemoteTestSupport.h"

#include "platform/ManualMediaClock.h"
#include "platform/UserDefaults.h"
#include "remote/RemoteCommandHandler.h"
#include "remote/RemoteStack.h"
#include "remote/WebRTCSignalingAdapter.h"
#include "settings/AppSettings.h"

#include <gtest/gtest.h>

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

QJsonObject signal(const QString& key, const QString& kind)
{
    return object({ { "type", "webrtc.signal" }, { "clientKey", key }, { "sessionID", "S1" },
        { "payload", object({ { "kind", kind } }) } });
}

class RemoteSessionTest : public ::testing::Test {
protected:
    RemoteSessionTest()
        : defaults(dir.filePath(QStringLiteral("defaults.json")))
        , settings(defaults)
    {
        settings.setPairingCode(code);
        const ControlServer::Options options { QHostAddress::LocalHost, 0, {} };
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
    const std::pair<QJsonObject, QJsonObject> rows[] = {
        { object({ { "type", "hello" }, { "code", code } }),
            object({ { "type", "welcome" }, { "role", "viewer" }, { "name", "Unknown" } }) },
        { object({ { "type", "hello" } }), object({ { "type", "error" }, { "message", "bad_code" } }) },
    };
    for (const auto& [hello, reply] : rows) {
        client->send(hello);
        EXPECT_EQ(client->next(), reply) << QJsonDocument(hello).toJson().constData();
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

    // Another tablet cannot end or steer the session; the active one can.
    for (const char* kind : { "answer", "ice", "stop" }) {
        other->send(signal("O", kind));
        EXPECT_EQ(other->next(), ack(true, "webrtc.signal received"));
    }
    EXPECT_EQ(signalled.size(), 1u);
    viewer->send(signal("V", "answer"));
    EXPECT_EQ(viewer->next(), ack(true, "webrtc.signal received"));
    EXPECT_EQ(signalled.size(), 2u);

    // Outgoing: the four-key envelope to the active client only.
    const auto payload = object({ { "kind", "offer" }, { "sdp", "v=0" } });
    stack->webrtcSignalingAdapter().send(QStringLiteral("S9"), payload);
    EXPECT_EQ(viewer->next(),
        object({ { "type", "webrtc.signal" }, { "sessionID", "S9" }, { "clientKey", "V" }, { "payload", payload } }));
    EXPECT_TRUE(other->expectNothing());
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

} // namespace
