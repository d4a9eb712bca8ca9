#include "RemoteTestClient.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QJsonDocument>
#include <QTest>

bool RemoteTestClient::connectTo(quint16 port, int timeoutMs)
{
    QObject::connect(&socket_, &QTcpSocket::readyRead, [this] { pump(); });
    QObject::connect(&socket_, &QTcpSocket::disconnected, [this] {
        pump();
        closed_ = true;
    });
    socket_.connectToHost(QHostAddress::LocalHost, port);
    return QTest::qWaitFor([this] { return socket_.state() == QAbstractSocket::ConnectedState; }, timeoutMs);
}

void RemoteTestClient::send(const QJsonObject& message)
{
    sendRaw(QJsonDocument(message).toJson(QJsonDocument::Compact) + '\n');
}

void RemoteTestClient::sendRaw(const QByteArray& bytes)
{
    socket_.write(bytes);
    socket_.flush();
    (void)QTest::qWaitFor([this] { return socket_.bytesToWrite() == 0; }, defaultTimeoutMs);
}

void RemoteTestClient::stopReading()
{
    reading_ = false;
    socket_.setReadBufferSize(1);
}

void RemoteTestClient::pump()
{
    if (!reading_ || !socket_.isOpen())
        return;
    pending_.append(socket_.readAll());
    qsizetype end = 0;
    while ((end = pending_.indexOf('\n')) >= 0) {
        const QByteArray line = pending_.left(end);
        pending_.remove(0, end + 1);
        ++lines_;
        QJsonParseError error {};
        const auto document = QJsonDocument::fromJson(line, &error);
        // Compact output has no line breaks or indentation: re-encoding gives the same bytes
        // up to key order, so a length check catches stray white space.
        if (error.error != QJsonParseError::NoError || !document.isObject()
            || document.toJson(QJsonDocument::Compact).size() != line.size()) {
            ++malformed_;
            continue;
        }
        inbox_.push_back(document.object());
    }
}

std::optional<QJsonObject> RemoteTestClient::next(int timeoutMs)
{
    if (!QTest::qWaitFor([this] { return !inbox_.empty(); }, timeoutMs))
        return std::nullopt;
    QJsonObject message = inbox_.front();
    inbox_.pop_front();
    return message;
}

std::optional<QJsonObject> RemoteTestClient::expect(
    const QString& type, const std::function<bool(const QJsonObject&)>& predicate, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (true) {
        auto message = next(int(std::max<qint64>(0, deadline.remainingTime())));
        if (!message)
            return std::nullopt;
        if (message->value(QLatin1String("type")).toString() == type && (!predicate || predicate(*message)))
            return message;
    }
}

bool RemoteTestClient::expectNothing(int ms)
{
    (void)QTest::qWaitFor([this] { return !inbox_.empty(); }, ms);
    return inbox_.empty();
}

bool RemoteTestClient::waitForClose(int timeoutMs)
{
    return QTest::qWaitFor([this] { return closed_; }, timeoutMs);
}
