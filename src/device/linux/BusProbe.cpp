#include "device/linux/BusProbe.h"

#include "books/UniqueFd.h"

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <optional>

namespace penshelf {
namespace {

void appendUint32(QByteArray& bytes, quint32 value) {
    for (int i = 0; i < 4; ++i) bytes.append(char((value >> (8 * i)) & 0xff));
}

// org.freedesktop.DBus.Hello as the first message on a connection, in
// little-endian wire format: the bus's first answer to anyone.
QByteArray helloMessage() {
    QByteArray fields;
    const auto field = [&](char code, char type, const QByteArray& value) {
        while (fields.size() % 8 != 0) fields.append('\0');
        fields.append(code).append('\1').append(type).append('\0');
        appendUint32(fields, quint32(value.size()));
        fields.append(value).append('\0');
    };
    field(1, 'o', "/org/freedesktop/DBus");
    field(2, 's', "org.freedesktop.DBus");
    field(3, 's', "Hello");
    field(6, 's', "org.freedesktop.DBus");
    QByteArray message("l\1\0\1", 4);
    appendUint32(message, 0);  // no body
    appendUint32(message, 1);  // serial
    appendUint32(message, quint32(fields.size()));
    message.append(fields);
    while (message.size() % 8 != 0) message.append('\0');
    return message;
}

// The socket of a "unix:path=..." or "unix:abstract=..." address (the first
// of a list); nothing for other transports.
std::optional<sockaddr_un> unixSocketOf(const QString& address) {
    const QString first = address.section(';', 0, 0);
    if (!first.startsWith("unix:")) return std::nullopt;
    for (const QString& pair : first.mid(5).split(',')) {
        const QString key = pair.section('=', 0, 0);
        if (key != "path" && key != "abstract") continue;
        const QByteArray path = QByteArray::fromPercentEncoding(pair.section('=', 1).toUtf8());
        sockaddr_un socket{};
        socket.sun_family = AF_UNIX;
        const qsizetype offset = key == "abstract" ? 1 : 0;  // abstract names start with NUL
        if (path.size() + offset >= qsizetype(sizeof socket.sun_path)) return std::nullopt;
        std::memcpy(socket.sun_path + offset, path.constData(), size_t(path.size()));
        return socket;
    }
    return std::nullopt;
}

class Probe : public QObject {
  public:
    Probe(QObject* parent, std::function<void(BusState)> then)
        : QObject(parent), then_(std::move(then)) {}

    void start(const QString& address, int timeoutMs) {
        const std::optional<sockaddr_un> socketAddress = unixSocketOf(address);
        if (!socketAddress) return finishLater(BusState::Answers);
        fd_.reset(socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        const socklen_t length = socketAddress->sun_path[0] == '\0'
                                     ? socklen_t(offsetof(sockaddr_un, sun_path) + 1 +
                                                 std::strlen(socketAddress->sun_path + 1))
                                     : socklen_t(sizeof *socketAddress);
        if (!fd_.isOpen() ||
            ::connect(fd_.get(), reinterpret_cast<const sockaddr*>(&*socketAddress), length) != 0) {
            // A full backlog (EAGAIN) is a bus that takes no one in.
            return finishLater(errno == EAGAIN ? BusState::NoAnswer : BusState::Absent);
        }
        // The whole handshake at once, as the protocol allows: the NUL byte,
        // our uid for EXTERNAL, BEGIN and Hello.
        const QByteArray uid = QByteArray::number(getuid()).toHex();
        const QByteArray request =
            QByteArray(1, '\0') + "AUTH EXTERNAL " + uid + "\r\nBEGIN\r\n" + helloMessage();
        if (::send(fd_.get(), request.constData(), size_t(request.size()), MSG_NOSIGNAL) !=
            request.size()) {
            return finishLater(BusState::NoAnswer);
        }
        notifier_ = new QSocketNotifier(fd_.get(), QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &Probe::readSome);
        QTimer::singleShot(timeoutMs, this, [this] { finish(BusState::NoAnswer); });
    }

  private:
    void readSome() {
        char buffer[512];
        const ssize_t got = ::read(fd_.get(), buffer, sizeof buffer);
        if (got < 0 && (errno == EAGAIN || errno == EINTR)) return;
        if (got <= 0) return finish(BusState::NoAnswer);
        received_.append(buffer, got);
        const qsizetype lineEnd = received_.indexOf("\r\n");
        if (lineEnd < 0) return;
        if (!received_.startsWith("OK ")) return finish(BusState::NoAnswer);
        // The second byte of a message is its type: 2 a reply, 3 an error.
        const QByteArray message = received_.mid(lineEnd + 2);
        if (message.size() >= 2)
            finish(message[1] == '\2' ? BusState::Answers : BusState::NoAnswer);
    }

    void finishLater(BusState state) {
        QTimer::singleShot(0, this, [this, state] { finish(state); });
    }

    void finish(BusState state) {
        if (!then_) return;
        if (notifier_) notifier_->setEnabled(false);
        fd_.reset();
        deleteLater();
        std::exchange(then_, nullptr)(state);
    }

    std::function<void(BusState)> then_;
    UniqueFd fd_;
    QSocketNotifier* notifier_ = nullptr;
    QByteArray received_;
};

}  // namespace

void probeBus(const QString& address, int timeoutMs, QObject* parent,
              std::function<void(BusState)> then) {
    (new Probe(parent, std::move(then)))->start(address, timeoutMs);
}

}  // namespace penshelf
