#include "cloud/LoopbackRedirectListener.h"

#include "platform/Scheduler.h"

#include <QTcpServer>
#include <QTcpSocket>

namespace cloud {

namespace {

constexpr qsizetype kMaxRequestBytes = 16 * 1024;
const char* kBufferProperty = "corvaleRequest";

const QByteArray kDonePage = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Corvale</title></head>"
                             "<body><h1>Sign-in finished</h1><p>You can close this window and return to "
                             "Corvale.</p></body></html>";
const QByteArray kNotFoundPage = "<!DOCTYPE html><html><body><h1>Not found</h1></body></html>";

} // namespace

LoopbackRedirectListener::LoopbackRedirectListener(
    platform::Scheduler& scheduler, double timeoutSeconds, QObject* parent)
    : QObject(parent)
    , scheduler_(scheduler)
    , timeoutSeconds_(timeoutSeconds)
{
}

LoopbackRedirectListener::~LoopbackRedirectListener()
{
    close();
}

bool LoopbackRedirectListener::start()
{
    server_ = new QTcpServer(this);
    if (!server_->listen(QHostAddress::LocalHost, 0))
        return false;
    port_ = server_->serverPort();
    connect(server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = server_->nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    QPointer<LoopbackRedirectListener> self(this);
    timer_ = scheduler_.once(timeoutSeconds_, [self] {
        if (!self || self->finished_)
            return;
        self->timer_.reset();
        self->close();
        emit self->timedOut();
    });
    return true;
}

void LoopbackRedirectListener::close()
{
    finished_ = true;
    if (timer_) {
        scheduler_.cancel(*timer_);
        timer_.reset();
    }
    if (server_)
        server_->close();
}

QString LoopbackRedirectListener::redirectURI() const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(QLatin1String(redirectPath));
}

void LoopbackRedirectListener::respond(QTcpSocket* socket, int status, const QByteArray& reason, const QByteArray& page)
{
    socket->disconnect(this);
    socket->write("HTTP/1.1 " + QByteArray::number(status) + ' ' + reason
        + "\r\nContent-Type: text/html; charset=utf-8\r\nCache-Control: no-store\r\nConnection: close"
          "\r\nContent-Length: "
        + QByteArray::number(page.size()) + "\r\n\r\n" + page);
    socket->disconnectFromHost();
}

void LoopbackRedirectListener::serve(QTcpSocket* socket)
{
    QByteArray request = socket->property(kBufferProperty).toByteArray() + socket->readAll();
    if (request.size() > kMaxRequestBytes) {
        respond(socket, 431, "Request Header Fields Too Large", kNotFoundPage);
        return;
    }
    if (!request.contains("\r\n\r\n")) {
        socket->setProperty(kBufferProperty, request);
        return;
    }
    const QList<QByteArray> requestLine = request.left(request.indexOf("\r\n")).split(' ');
    const QByteArray target = requestLine.size() == 3 ? requestLine[1] : QByteArray();
    const qsizetype queryStart = target.indexOf('?');
    const QByteArray path = queryStart < 0 ? target : target.left(queryStart);
    if (finished_ || requestLine.value(0) != "GET" || path != redirectPath) {
        respond(socket, 404, "Not Found", kNotFoundPage);
        return;
    }
    respond(socket, 200, "OK", kDonePage);
    close();
    emit redirected(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port_) + QString::fromLatin1(target)));
}

} // namespace cloud
