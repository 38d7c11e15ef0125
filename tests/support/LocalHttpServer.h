#pragma once
// A small HTTP/1.1 server on 127.0.0.1 for tests: it answers each request from a script (queued
// answers first, then a handler) and records every request with its raw bytes. It runs in the
// thread that creates it, so a client in the same thread must spin the event loop (as the
// synchronous SOAP call does).

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QTcpServer>

#include "support/Spin.h"

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QTcpSocket;

namespace penshelf::test {

using HttpHeader = std::pair<QByteArray, QByteArray>;

struct HttpRequest {
    QByteArray raw;  // every byte of the request as it arrived: request line, headers, body
    QByteArray method;
    QByteArray target;
    QList<HttpHeader> headers;  // in the order received
    QByteArray body;

    QList<QByteArray> headerNames() const {
        QList<QByteArray> names;
        for (const auto& header : headers) names.append(header.first);
        return names;
    }
    // The value of the first header of that name, compared without regard to case.
    std::optional<QByteArray> find(const QByteArray& name) const {
        for (const auto& [key, value] : headers) {
            if (key.compare(name, Qt::CaseInsensitive) == 0) return value;
        }
        return std::nullopt;
    }
    bool hasHeader(const QByteArray& name) const { return find(name).has_value(); }
    // Its value; empty when there is none.
    QByteArray header(const QByteArray& name) const { return find(name).value_or(QByteArray()); }
};

struct HttpResponse {
    enum class Kind {
        Normal,   // status line, headers, Content-Length (unless chunked) and body
        Raw,      // `body` is sent as it stands, then the connection is closed
        Stalled,  // `body` is sent as it stands, then nothing more; the connection stays open
        Trickle,  // the head, then one byte of the body every `interval`
        Endless,  // the head, then the body again and again as fast as the client reads
    };

    Kind kind = Kind::Normal;
    int status = 200;
    QList<HttpHeader> headers{};
    QByteArray body{};
    bool closeDelimited = false;  // no Content-Length: the body ends when the connection does
    std::chrono::milliseconds interval{0};

    HttpResponse& addHeader(QByteArray name, QByteArray value) {
        headers.append(HttpHeader(std::move(name), std::move(value)));
        return *this;
    }

    // An answer with the given Content-Type, none when it is empty.
    static HttpResponse withBody(int status, QByteArray contentType, QByteArray body) {
        HttpResponse response{.status = status, .body = std::move(body)};
        if (!contentType.isEmpty()) response.addHeader("Content-Type", std::move(contentType));
        return response;
    }
    static HttpResponse xml(QByteArray body, int status = 200) {
        return withBody(status, "text/xml; charset=utf-8", std::move(body));
    }
    static HttpResponse raw(QByteArray bytes) { return {.kind = Kind::Raw, .body = bytes}; }
    static HttpResponse stalled(QByteArray bytes) { return {.kind = Kind::Stalled, .body = bytes}; }
};

class LocalHttpServer {
  public:
    using Handler = std::function<HttpResponse(const HttpRequest&)>;

    // Listens on 127.0.0.1 on a port the system chooses.
    LocalHttpServer();
    ~LocalHttpServer() { close(); }

    // "http://127.0.0.1:<port>" followed by path.
    QString url(const QString& path = QStringLiteral("/PagorFunc.php")) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path);
    }

    // Answers are taken from the queue in order; once it is empty the handler answers, and without
    // a handler a 404.
    void enqueue(HttpResponse response) { queue_.push_back(std::move(response)); }
    void setHandler(Handler handler) { handler_ = std::move(handler); }
    // Keep the requests (the default) or only count them, as a long benchmark does.
    void setRecording(bool record) { recording_ = record; }

    const std::vector<HttpRequest>& requests() const { return requests_; }
    std::size_t requestCount() const { return requestCount_; }

    // Stops listening and drops every open connection; new connections are then refused.
    void close();

  private:
    void accept();
    void serve(QTcpSocket* socket);
    HttpResponse answerFor(const HttpRequest& request);
    static void send(QTcpSocket* socket, const HttpResponse& response);

    QTcpServer server_;
    quint16 port_ = 0;
    QHash<QTcpSocket*, QByteArray> pending_;  // bytes of requests not yet complete
    std::deque<HttpResponse> queue_;
    Handler handler_;
    bool recording_ = true;
    std::vector<HttpRequest> requests_;
    std::size_t requestCount_ = 0;
};

}  // namespace penshelf::test
