#pragma once
// A private session bus with python3-dbusmock's notification daemon on it, named in
// DBUS_SESSION_BUS_ADDRESS while the object lives, and the notifications it received.

#include "support/ScopedEnv.h"
#include "support/Spin.h"
#include "support/TempDir.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QRegularExpression>

#include <string>
#include <vector>

namespace penshelf::test {

class NotificationService {
  public:
    NotificationService() {
        bus_.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        bus_.waitForReadyRead(10000);
        const QString address = QString::fromUtf8(bus_.readLine().trimmed());
        env_.set("DBUS_SESSION_BUS_ADDRESS", address.toStdString());
        daemon_.start("/usr/bin/python3", {"-m", "dbusmock", "-t", "notification_daemon", "-l",
                                           QString::fromStdString(dir_ / "calls")});
        const QDBusConnection look = QDBusConnection::connectToBus(address, address);
        spinUntil([&] {
            return look.interface()->isServiceRegistered("org.freedesktop.Notifications").value();
        });
        QDBusConnection::disconnectFromBus(address);
    }
    ~NotificationService() {
        for (QProcess* process : {&daemon_, &bus_}) {
            process->terminate();
            process->waitForFinished();
        }
    }

    // "summary | body" of each Notify call, in order.
    std::vector<std::string> received() const {
        static const QRegularExpression notify(
            QString::fromUtf8(R"re(Notify "[^"]*" 0 "[^"]*" "([^"]*)" "([^"]*)")re"));
        std::vector<std::string> calls;
        for (const auto& call :
             notify.globalMatch(QString::fromStdString(readFile(dir_ / "calls")))) {
            calls.push_back((call.captured(1) + " | " + call.captured(2)).toStdString());
        }
        return calls;
    }

  private:
    TempDir dir_;
    QProcess bus_, daemon_;
    ScopedEnv env_;
};

}  // namespace penshelf::test
