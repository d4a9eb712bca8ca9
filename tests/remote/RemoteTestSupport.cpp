#include "RemoteTestSupport.h"

#include <algorithm>

void FakeServicePublisher::publish(const remote::ServiceDescription& service, Listener newListener)
{
    published.push_back(service);
    listener = std::move(newListener);
}

void FakeServicePublisher::stop()
{
    ++stops;
    if (listener.didStop)
        listener.didStop();
}

void ScriptedPrompter::ask(const remote::PermissionRequest& request, std::function<void(bool allowed)> answer)
{
    if (autoAnswer) {
        questions.push_back({ request, {} });
        answer(*autoAnswer);
        return;
    }
    questions.push_back({ request, std::move(answer) });
}

void ScriptedPrompter::answerNext(bool allowed)
{
    for (auto& question : questions) {
        if (question.answer) {
            auto answer = std::move(question.answer);
            question.answer = nullptr;
            answer(allowed);
            return;
        }
    }
}

int ScriptedPrompter::open() const
{
    return int(std::count_if(questions.begin(), questions.end(), [](const Question& q) { return bool(q.answer); }));
}

void RecordingTransport::send(remote::ConnectionId connection, const remote::RemoteMessage& message)
{
    sent.push_back({ connection, message });
}

void RecordingTransport::sendToClientKey(const QString& clientKey, const remote::RemoteMessage& message)
{
    sent.push_back({ bindings.value(clientKey, 0), message });
}

void RecordingTransport::broadcastState(const remote::RemoteMessage& message)
{
    sent.push_back({ 0, message });
}

void RecordingTransport::bind(const QString& clientKey, remote::ConnectionId connection)
{
    bindings.insert(clientKey, connection);
}

QString RecordingTransport::peerAddress(remote::ConnectionId connection) const
{
    return QStringLiteral("192.0.2.%1").arg(connection % 250);
}
