#include "support/LocalHttpServer.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>

namespace penshelf::test {

namespace {

// Requests larger than this are not ours; the connection is dropped.
constexpr qsizetype kMaxRequestBytes = 16 * 1024 * 1024;

QByteArray reasonFor(int status) {
    const QHash<int, QByteArray> reasons = {
        {200, "OK"}, {401, "Unauthorized"}, {404, "Not Found"}, {500, "Internal Server Error"}};
    return reasons.value(status, "Status");
}

// Parses one complete request from the front of buffer and removes its bytes; nothing while the
// request is incomplete or when it is malformed (which says so).
std::optional<HttpRequest> takeRequest(QByteArray& buffer, bool& malformed) {
    const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
    if (headEnd < 0) return std::nullopt;
    const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    malformed = requestLine.size() != 3;
    HttpRequest request;
    qsizetype contentLength = 0;
    for (qsizetype i = 1; i < lines.size() && !malformed; ++i) {
        const QByteArray line = lines[i].endsWith('\r') ? lines[i].chopped(1) : lines[i];
        const qsizetype colon = line.indexOf(':');
        HttpHeader header{line.left(colon), line.mid(colon + 1).trimmed()};
        bool valid = colon > 0;
        if (header.first.compare("Content-Length", Qt::CaseInsensitive) == 0) {
            contentLength = header.second.toLongLong(&valid);
        }
        malformed = !valid || contentLength < 0;
        request.headers.append(std::move(header));
    }
    const qsizetype total = headEnd + 4 + contentLength;
    if (malformed || buffer.size() < total) return std::nullopt;
    request.method = requestLine[0];
    request.target = requestLine[1];
    request.raw = buffer.left(total);
    request.body = buffer.mid(headEnd + 4, contentLength);
    buffer.remove(0, total);
    return request;
}

}  // namespace

std::optional<QByteArray> headerIn(const QList<HttpHeader>& headers, const QByteArray& name) {
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0) return value;
    }
    return std::nullopt;
}

HttpResponse HttpResponse::withBody(int status, QByteArray contentType, QByteArray body) {
    HttpResponse response;
    response.status = status;
    if (!contentType.isEmpty()) response.addHeader("Content-Type", std::move(contentType));
    response.body = std::move(body);
    return response;
}

HttpResponse HttpResponse::xml(QByteArray body, int status) {
    return withBody(status, "text/xml; charset=utf-8", std::move(body));
}

HttpResponse HttpResponse::trickle(QByteArray body, std::chrono::milliseconds perByte) {
    HttpResponse response = xml(std::move(body));
    response.kind = Kind::Trickle;
    response.interval = perByte;
    return response;
}

HttpResponse HttpResponse::endless(QByteArray piece, bool chunked) {
    HttpResponse response = xml(std::move(piece));
    response.kind = Kind::Endless;
    if (chunked) {
        response.addHeader("Transfer-Encoding", "chunked");
    } else {
        response.closeDelimited = true;
    }
    return response;
}

LocalHttpServer::LocalHttpServer() {
    QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] { accept(); });
    if (server_.listen(QHostAddress::LocalHost, 0)) port_ = server_.serverPort();
}

LocalHttpServer::~LocalHttpServer() {
    close();
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
    auto found = pending_.find(socket);
    if (found == pending_.end()) return;
    found->append(socket->readAll());
    for (;;) {
        bool malformed = false;
        std::optional<HttpRequest> request = takeRequest(*found, malformed);
        if (!request) {
            if (malformed || found->size() > kMaxRequestBytes) socket->abort();
            return;
        }
        const HttpResponse response = answerFor(*request);
        {
            std::lock_guard lock(mutex_);
            ++requestCount_;
            if (recording_) requests_.push_back(std::move(*request));
        }
        using Kind = HttpResponse::Kind;
        if (response.kind == Kind::Silent) return;
        send(socket, response);
        if (response.kind == Kind::Stalled) return;
        if (response.kind == Kind::Trickle || response.kind == Kind::Endless) {
            return stream(socket, response);
        }
        if (response.kind == Kind::Raw || response.closeDelimited) {
            return socket->disconnectFromHost();
        }
        found = pending_.find(socket);
        if (found == pending_.end()) return;
    }
}

HttpResponse LocalHttpServer::answerFor(const HttpRequest& request) {
    Handler handler;
    {
        std::lock_guard lock(mutex_);
        if (!queue_.empty()) {
            HttpResponse next = std::move(queue_.front());
            queue_.pop_front();
            return next;
        }
        handler = handler_;
    }
    if (handler) return handler(request);
    return HttpResponse::withBody(404, "text/plain", "no answer scripted\n");
}

void LocalHttpServer::send(QTcpSocket* socket, const HttpResponse& response) {
    if (response.kind == HttpResponse::Kind::Raw || response.kind == HttpResponse::Kind::Stalled) {
        socket->write(response.body);  // as it stands
        return;
    }
    QByteArray bytes = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' +
                       reasonFor(response.status) + "\r\n";
    for (const auto& [name, value] : response.headers) bytes += name + ": " + value + "\r\n";
    if (!response.closeDelimited && !headerIn(response.headers, "Content-Length") &&
        !headerIn(response.headers, "Transfer-Encoding")) {
        bytes += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    }
    if (response.closeDelimited) bytes += "Connection: close\r\n";
    bytes += "\r\n";
    if (response.kind == HttpResponse::Kind::Normal) bytes += response.body;
    socket->write(bytes);
}

void LocalHttpServer::stream(QTcpSocket* socket, const HttpResponse& response) {
    if (response.kind == HttpResponse::Kind::Trickle) {
        auto* timer = new QTimer(socket);
        QObject::connect(timer, &QTimer::timeout, socket,
                         [socket, timer, body = response.body, sent = qsizetype(0)]() mutable {
                             if (sent < body.size()) {
                                 socket->write(body.mid(sent++, 1));
                             } else {
                                 timer->stop();
                             }
                         });
        timer->start(response.interval);
        return;
    }
    QByteArray piece = response.body;
    if (headerIn(response.headers, "Transfer-Encoding")) {
        piece = QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
    }
    // The next piece goes out once the last one has, so the server itself holds little.
    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, [socket, piece] {
        if (socket->bytesToWrite() == 0) socket->write(piece);
    });
    socket->write(piece);
}

}  // namespace penshelf::test
