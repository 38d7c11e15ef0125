#include "app/SingleInstance.h"

#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>

namespace penshelf {
namespace {

// A running copy answers at once, even when busy: the kernel takes the
// connection. This only bounds a connect to a socket nobody reads.
constexpr int connectTimeoutMs = 1000;

}  // namespace

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {}

QString SingleInstance::socketPath() {
    // Without XDG_RUNTIME_DIR there is no folder that only this user can
    // write: a socket in /tmp could be taken first by another user, who
    // would then receive every start. PenShelf then allows several copies.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty()) return {};
    const bool wayland = QGuiApplication::platformName() == QLatin1String("wayland");
    QString display = qEnvironmentVariable(wayland ? "WAYLAND_DISPLAY" : "DISPLAY");
    display.replace(QLatin1Char('/'), QLatin1Char('_'));
    return runtime + QStringLiteral("/penshelf-") + QGuiApplication::platformName() +
           QLatin1Char('-') + display;
}

bool SingleInstance::reachesRunningCopy(const QString& path) {
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(connectTimeoutMs)) return false;
    socket.disconnectFromServer();  // the connection itself is the request
    return true;
}

bool SingleInstance::handedOver() {
    const QString path = socketPath();
    if (path.isEmpty()) return false;
    if (reachesRunningCopy(path)) return true;
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(path)) {
        // Another copy may have started meanwhile; otherwise nobody listens
        // and the socket is a crashed copy's.
        if (server_->serverError() == QAbstractSocket::AddressInUseError) {
            if (reachesRunningCopy(path)) return true;
            QLocalServer::removeServer(path);
            server_->listen(path);
        }
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            socket->abort();
            socket->deleteLater();
            showWindow();
        }
    });
    return false;
}

void SingleInstance::showWindow() {
    if (!window_) return;
    window_->setWindowState((window_->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window_->show();
    window_->raise();
    window_->activateWindow();
}

}  // namespace penshelf
