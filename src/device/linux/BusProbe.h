#pragma once
// Whether a D-Bus bus answers, asked on a socket of our own from the event
// loop with a deadline: libdbus connects synchronously and without a time
// limit, so a bus that takes the connection and never answers would hold the
// caller for good.

#include <QString>

#include <functional>

class QObject;

namespace penshelf {

enum class BusState {
    Absent,    // nothing listens there: the bus says so at once
    NoAnswer,  // it took the connection but did not answer Hello in time, or refused us
    Answers,   // it authenticated us and answered Hello
};

// Tells then, from the event loop, what the bus at address (a D-Bus address
// such as "unix:path=/run/dbus/system_bus_socket") did within timeoutMs.
// Addresses other than unix sockets are taken as answering: libdbus is left
// to it. Nothing is told when parent goes first.
void probeBus(const QString& address, int timeoutMs, QObject* parent,
              std::function<void(BusState)> then);

}  // namespace penshelf
