#pragma once

// Stand-ins for the control server's surroundings: a publisher that records what it is asked, a
// prompter whose answers the test gives, a transport that records what handlers send, and a
// capture of diagnostic lines.

#include "kit/LogCapture.h"
#include "remote/PermissionPrompter.h"
#include "remote/RemoteCommandTable.h"
#include "remote/RemoteTransport.h"
#include "remote/ServicePublisher.h"

#include <QHash>
#include <QJsonObject>
#include <QString>

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class FakeServicePublisher final : public remote::ServicePublisher {
public:
    void publish(const remote::ServiceDescription& service, Listener listener) override;
    void stop() override;

    std::vector<remote::ServiceDescription> published;
    int stops = 0;
    Listener listener;
};

class ScriptedPrompter final : public remote::PermissionPrompter {
public:
    struct Question {
        remote::PermissionRequest request;
        std::function<void(bool)> answer;
    };

    void ask(const remote::PermissionRequest& request, std::function<void(bool allowed)> answer) override;

    // When set, every question is answered at once with this value.
    std::optional<bool> autoAnswer;
    std::vector<Question> questions;
    // Answers the oldest open question.
    void answerNext(bool allowed);
    int open() const;
};

class RecordingTransport final : public remote::RemoteTransport {
public:
    struct Sent {
        remote::ConnectionId connection = 0;
        QJsonObject message;
    };

    void send(remote::ConnectionId connection, const remote::RemoteMessage& message) override;
    void sendToClientKey(const QString& clientKey, const remote::RemoteMessage& message) override;
    void broadcastState(const remote::RemoteMessage& message) override;
    void bind(const QString& clientKey, remote::ConnectionId connection) override;
    QString peerAddress(remote::ConnectionId connection) const override;

    std::vector<Sent> sent;
    QHash<QString, remote::ConnectionId> bindings;
};

class RecordingCommandTable final : public remote::RemoteCommandTable {
public:
    void execute(const remote::RemoteCommand& command) override { commands.push_back(command); }
    std::vector<remote::RemoteCommand> commands;
};

using LogCapture = testkit::LogCapture;
