#pragma once
// A local HTTP server in a thread of its own, so that the measured thread does
// only the client's work.

#include "support/LocalHttpServer.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <memory>

namespace penshelf::bench {

class ServerThread {
  public:
    // handler runs in the server's thread; nothing is recorded.
    explicit ServerThread(test::LocalHttpServer::Handler handler) {
        thread_.start();
        context_.moveToThread(&thread_);
        QMetaObject::invokeMethod(
            &context_,
            [this, &handler] {
                server_ = std::make_unique<test::LocalHttpServer>();
                server_->setRecording(false);
                server_->setHandler(std::move(handler));
            },
            Qt::BlockingQueuedConnection);
    }
    ~ServerThread() {
        QMetaObject::invokeMethod(
            &context_, [this] { server_.reset(); }, Qt::BlockingQueuedConnection);
        thread_.quit();
        thread_.wait();
    }
    ServerThread(const ServerThread&) = delete;
    ServerThread& operator=(const ServerThread&) = delete;

    QString url(const QString& path = QStringLiteral("/PagorFunc.php")) const {
        return server_->url(path);
    }

  private:
    QThread thread_;
    QObject context_;
    std::unique_ptr<test::LocalHttpServer> server_;
};

}  // namespace penshelf::bench
