#include "device/linux/UDisks2.h"

#include "device/linux/BusProbe.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QEventLoop>
#include <QObject>

#include <atomic>
#include <ostream>

namespace penshelf {
namespace {

constexpr const char* service = "org.freedesktop.UDisks2";
constexpr const char* rootObject = "/org/freedesktop/UDisks2";
constexpr const char* blockInterface = "org.freedesktop.UDisks2.Block";
constexpr const char* filesystemInterface = "org.freedesktop.UDisks2.Filesystem";
constexpr const char* driveInterface = "org.freedesktop.UDisks2.Drive";

// Where no UDisks2 runs, the bus says so at once; a bus, or a UDisks2, that
// has not answered in this time is taken as absent.
constexpr int lookupTimeoutMs = 3000;
// Mounting may wait for the user at a password prompt, and unmounting for the
// pen's write cache to reach it.
constexpr int operationTimeoutMs = 5 * 60 * 1000;

using Interfaces = QMap<QString, QVariantMap>;
using ManagedObjects = QMap<QDBusObjectPath, Interfaces>;

// A partition as UDisks2 describes it.
struct Block {
    QString object;
    bool hasFilesystem = false;  // it can be unmounted
    bool mountable = false;      // and it holds a file system to mount
    bool mounted = false;
    QString type;   // of its file system: "vfat"
    QString drive;  // the drive's object; "/" when there is none
};

QString systemBusAddress() {
    const QString address = qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS");
    return address.isEmpty() ? QStringLiteral("unix:path=/var/run/dbus/system_bus_socket")
                             : address;
}

QDBusMessage lookupCall() {
    return QDBusMessage::createMethodCall(service, rootObject, "org.freedesktop.DBus.ObjectManager",
                                          "GetManagedObjects");
}

bool failed(const QDBusMessage& reply) {
    return reply.type() != QDBusMessage::ReplyMessage;
}

bool timedOut(const QDBusMessage& reply) {
    return reply.errorName() == "org.freedesktop.DBus.Error.NoReply" ||
           reply.errorName() == "org.freedesktop.DBus.Error.Timeout";
}

std::string errorText(const QDBusMessage& reply) {
    return (reply.errorName() + ": " + reply.errorMessage()).toStdString();
}

// A call of one of UDisks2's operations, which all take options only.
QDBusMessage operationCall(const QString& object, const char* interface, const char* method) {
    QDBusMessage call = QDBusMessage::createMethodCall(service, object, interface, method);
    // The desktop may ask for a password where its policy wants one.
    call << QVariantMap{{"auth.no_user_interaction", false}};
    call.setInteractiveAuthorizationAllowed(true);
    return call;
}

// Calls then with the reply once it has come, unless parent has gone before.
void whenAnswered(const QDBusPendingCall& call, QObject* parent,
                  std::function<void(const QDBusMessage&)> then) {
    auto* watcher = new QDBusPendingCallWatcher(call, parent);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [then = std::move(then)](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         then(finished->reply());
                     });
}

// The reply to call. The event loop turns meanwhile, so the window stays
// drawn, but user input waits.
QDBusMessage callAndWait(const QDBusConnection& bus, const QDBusMessage& call, int timeoutMs) {
    QDBusPendingCallWatcher watcher(bus.asyncCall(call, timeoutMs));
    QEventLoop loop;
    QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
    if (!watcher.isFinished()) loop.exec(QEventLoop::ExcludeUserInputEvents);
    return watcher.reply();
}

QString uniqueConnectionName() {
    static std::atomic<int> count{0};
    return QStringLiteral("penshelf-udisks2-%1").arg(++count);
}

}  // namespace

// What UDisks2 said about a device: answered false when it did not answer.
struct UDisks2::Lookup {
    bool answered = false;
    std::optional<Block> block;
};

namespace {

UDisks2::Lookup findBlock(const QDBusMessage& reply, const std::string& devicePath) {
    if (failed(reply) || reply.arguments().isEmpty()) return {};
    const auto objects = qdbus_cast<ManagedObjects>(reply.arguments().constFirst());
    for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
        const QVariantMap block = it.value().value(blockInterface);
        QByteArray device = block.value("Device").toByteArray();
        if (device.endsWith('\0')) device.chop(1);  // sent as a C string
        if (device.toStdString() != devicePath) continue;
        const auto filesystem = it.value().constFind(filesystemInterface);
        const bool hasFilesystem = filesystem != it.value().cend();
        return {true,
                Block{it.key().path(), hasFilesystem,
                      hasFilesystem && block.value("IdUsage").toString() == "filesystem",
                      hasFilesystem &&
                          !qdbus_cast<QByteArrayList>(filesystem->value("MountPoints")).isEmpty(),
                      block.value("IdType").toString(),
                      qvariant_cast<QDBusObjectPath>(block.value("Drive")).path()}};
    }
    return {true, std::nullopt};
}

}  // namespace

UDisks2::UDisks2(std::ostream& log)
    : log_(log), connectionName_(uniqueConnectionName()), calls_(std::make_unique<QObject>()) {}

UDisks2::~UDisks2() {
    calls_.reset();
    QDBusConnection::disconnectFromBus(connectionName_);
}

void UDisks2::lookUp(const std::string& devicePath,
                     std::function<void(const QDBusConnection&, const Lookup&)> then) {
    const auto ask = [this, devicePath, then](const QDBusConnection& bus) {
        whenAnswered(bus.asyncCall(lookupCall(), lookupTimeoutMs), calls_.get(),
                     [this, bus, devicePath, then](const QDBusMessage& reply) {
                         silent_ = timedOut(reply);
                         if (silent_) {
                             log_ << "No UDisks2 answers: " << errorText(reply) << "\n"
                                  << std::flush;
                         }
                         then(bus, findBlock(reply, devicePath));
                     });
    };
    const QDBusConnection bus(connectionName_);
    if (bus.isConnected()) return ask(bus);
    // Not yet connected, or the bus has gone since: try afresh, at the address
    // the environment gives now (libdbus would keep the first one it read).
    QDBusConnection::disconnectFromBus(connectionName_);
    const QString address = systemBusAddress();
    probeBus(address, lookupTimeoutMs, calls_.get(), [this, address, ask, then](BusState state) {
        if (state == BusState::Answers) {
            return ask(QDBusConnection::connectToBus(address, connectionName_));
        }
        silent_ = state == BusState::NoAnswer;
        if (silent_) {
            log_ << "No UDisks2 answers: the system bus at " << address.toStdString()
                 << " took the connection but did not answer within " << lookupTimeoutMs / 1000
                 << " s\n"
                 << std::flush;
        }
        then(QDBusConnection(connectionName_), {});
    });
}

void UDisks2::mount(const std::string& devicePath, std::function<void(const MountResult&)> done) {
    QObject* calls = calls_.get();
    lookUp(devicePath, [calls, done](const QDBusConnection& bus, const Lookup& found) {
        if (!found.block || !found.block->mountable) return done({});
        const QDBusMessage mount = operationCall(found.block->object, filesystemInterface, "Mount");
        whenAnswered(bus.asyncCall(mount, operationTimeoutMs), calls,
                     [done](const QDBusMessage& reply) {
                         if (failed(reply)) {
                             done({MountResult::Outcome::Failed, errorText(reply)});
                         } else {
                             done({MountResult::Outcome::Mounted, {}});
                         }
                     });
    });
}

std::optional<bool> UDisks2::eject(const std::string& devicePath,
                                   const std::function<bool()>& stillMounted) {
    std::optional<QDBusConnection> bus;
    std::optional<Lookup> found;
    QEventLoop loop;
    lookUp(devicePath, [&](const QDBusConnection& connection, const Lookup& lookup) {
        bus = connection;
        found = lookup;
        loop.quit();
    });
    if (!found) loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!found->answered) return std::nullopt;
    if (!found->block) return false;  // the disk has gone already
    if (found->block->hasFilesystem) {
        const QDBusMessage unmounted =
            callAndWait(*bus, operationCall(found->block->object, filesystemInterface, "Unmount"),
                        operationTimeoutMs);
        // Unmounting fails for a volume that was not mounted: that pen is
        // still to be powered off.
        if (failed(unmounted) && stillMounted()) {
            log_ << "Unmounting " << devicePath << " failed: " << errorText(unmounted) << "\n"
                 << std::flush;
            return false;
        }
    }
    const QDBusMessage poweredOff = callAndWait(
        *bus, operationCall(found->block->drive, driveInterface, "PowerOff"), operationTimeoutMs);
    if (failed(poweredOff)) {
        log_ << "Powering off " << devicePath << " failed: " << errorText(poweredOff) << "\n"
             << std::flush;
        return false;
    }
    return true;
}

}  // namespace penshelf
