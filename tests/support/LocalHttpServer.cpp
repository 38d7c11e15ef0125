#include "support/LocalHttpServer.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>

namespace penshelf::test {

namespace {

// Parses one complete request from the front of buffer and removes its bytes; nothing while the
// request is incomplete.
std::optional<HttpRequest> takeRequest(QByteArray& buffer) {
    const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
    if (headEnd < 0) return std::nullopt;
    HttpRequest request;
    const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
    for (const QByteArray& line : lines.mid(1)) {
        const qsizetype colon = line.indexOf(':');
        request.headers.append({line.left(colon), line.mid(colon + 1).trimmed()});
    }
    const qsizetype total = headEnd + 4 + request.header("Content-Length").toLongLong();
    if (buffer.size() < total) return std::nullopt;
    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    request.raw = buffer.left(total);
    request.body = buffer.mid(headEnd + 4, total - headEnd - 4);
    buffer.remove(0, total);
    return request;
}

}  // namespace

LocalHttpServer::LocalHttpServer() {
    QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] { accept(); });
    if (server_.listen(QHostAddress::LocalHost, 0)) port_ = server_.serverPort();
}

void LocalHttpServer::close() {
    server_.close();
    const auto sockets = pending_.keys();
    pending_.clear();
    for (QTcpSocket* socket : sockets) {
        socket->disconnect(&server_);
        socket->abort();
        socket->deleteLater();
    }
}

void LocalHttpServer::accept() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        pending_.insert(socket, QByteArray());
        QObject::connect(socket, &QTcpSocket::readyRead, &server_,
                         [this, socket] { serve(socket); });
        QObject::connect(socket, &QTcpSocket::disconnected, &server_, [this, socket] {
            pending_.remove(socket);
            socket->deleteLater();
        });
    }
}

void LocalHttpServer::serve(QTcpSocket* socket) {
    for (auto found = pending_.find(socket); found != pending_.end();
         found = pending_.find(socket)) {
        found->append(socket->readAll());
        std::optional<HttpRequest> request = takeRequest(*found);
        if (!request) return;
        const HttpResponse response = answerFor(*request);
        ++requestCount_;
        if (recording_) requests_.push_back(std::move(*request));
        send(socket, response);
        if (response.kind != HttpResponse::Kind::Normal) return;
        if (response.closeDelimited) return socket->disconnectFromHost();
    }
}

HttpResponse LocalHttpServer::answerFor(const HttpRequest& request) {
    if (!queue_.empty()) {
        HttpResponse next = std::move(queue_.front());
        queue_.pop_front();
        return next;
    }
    if (handler_) return handler_(request);
    return HttpResponse::withBody(404, "text/plain", "no answer scripted\n");
}

void LocalHttpServer::send(QTcpSocket* socket, const HttpResponse& response) {
    using Kind = HttpResponse::Kind;
    if (response.kind == Kind::Raw || response.kind == Kind::Stalled) {
        socket->write(response.body);  // as it stands
        if (response.kind == Kind::Raw) socket->disconnectFromHost();
        return;
    }
    // The reason phrase says nothing: what a client shows must come from the status code.
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + " Reason\r\n";
    for (const auto& [name, value] : response.headers) head += name + ": " + value + "\r\n";
    const bool chunked = response.headers.contains(HttpHeader("Transfer-Encoding", "chunked"));
    if (response.closeDelimited) {
        head += "Connection: close\r\n";
    } else if (!chunked) {
        head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    }
    head += "\r\n";
    if (response.kind == Kind::Normal) head += response.body;
    socket->write(head);
    if (response.kind == Kind::Normal) return;
    if (response.kind == Kind::Trickle) {
        auto* timer = new QTimer(socket);
        QObject::connect(timer, &QTimer::timeout, socket,
                         [socket, body = response.body, sent = qsizetype(0)]() mutable {
                             if (sent < body.size()) socket->write(body.mid(sent++, 1));
                         });
        timer->start(response.interval);
        return;
    }
    const QByteArray piece =
        chunked ? QByteArray::number(response.body.size(), 16) + "\r\n" + response.body + "\r\n"
                : response.body;
    // The next piece goes out once the last one has, so the server itself holds little.
    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, [socket, piece] {
        if (socket->bytesToWrite() == 0) socket->write(piece);
    });
    socket->write(piece);
}

}  // namespace penshelf::test
