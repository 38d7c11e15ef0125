#include "device/linux/UDisks2.h"

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

// Where no UDisks2 runs, the bus says so at once; one that has not answered
// in this time is taken as absent.
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
    QString drive;               // the drive's object; "/" when there is none
};

// What UDisks2 said about a device: answered false when it did not answer.
struct Lookup {
    bool answered = false;
    std::optional<Block> block;
};

QDBusConnection systemBus(const QString& name) {
    const QDBusConnection bus(name);
    if (bus.isConnected()) return bus;
    // Not yet connected, or the bus has gone since: try afresh, at the address
    // the environment gives now (libdbus would keep the first one it read).
    QDBusConnection::disconnectFromBus(name);
    const QString address = qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS");
    return QDBusConnection::connectToBus(
        address.isEmpty() ? QStringLiteral("unix:path=/var/run/dbus/system_bus_socket") : address,
        name);
}

QDBusMessage lookupCall() {
    return QDBusMessage::createMethodCall(service, rootObject, "org.freedesktop.DBus.ObjectManager",
                                          "GetManagedObjects");
}

Lookup findBlock(const QDBusMessage& reply, const std::string& devicePath) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
    const auto objects = qdbus_cast<ManagedObjects>(reply.arguments().constFirst());
    for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
        const QVariantMap block = it.value().value(blockInterface);
        QByteArray device = block.value("Device").toByteArray();
        if (device.endsWith('\0')) device.chop(1);  // sent as a C string
        if (device.toStdString() != devicePath) continue;
        const bool hasFilesystem = it.value().contains(filesystemInterface);
        return {true, Block{it.key().path(), hasFilesystem,
                            hasFilesystem && block.value("IdUsage").toString() == "filesystem",
                            qvariant_cast<QDBusObjectPath>(block.value("Drive")).path()}};
    }
    return {true, std::nullopt};
}

// A call of one of UDisks2's operations, which all take options only.
QDBusMessage operationCall(const QString& object, const char* interface, const char* method) {
    QDBusMessage call = QDBusMessage::createMethodCall(service, object, interface, method);
    // The desktop may ask for a password where its policy wants one.
    call << QVariantMap{{"auth.no_user_interaction", false}};
    call.setInteractiveAuthorizationAllowed(true);
    return call;
}

bool failed(const QDBusMessage& reply) {
    return reply.type() != QDBusMessage::ReplyMessage;
}

std::string errorText(const QDBusMessage& reply) {
    return (reply.errorName() + ": " + reply.errorMessage()).toStdString();
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

UDisks2::UDisks2(std::ostream& log)
    : log_(log), connectionName_(uniqueConnectionName()), calls_(std::make_unique<QObject>()) {}

UDisks2::~UDisks2() {
    calls_.reset();
    QDBusConnection::disconnectFromBus(connectionName_);
}

void UDisks2::mount(const std::string& devicePath, std::function<void(const MountResult&)> done) {
    const QDBusConnection bus = systemBus(connectionName_);
    QObject* calls = calls_.get();
    whenAnswered(bus.asyncCall(lookupCall(), lookupTimeoutMs), calls,
                 [bus, calls, devicePath, done](const QDBusMessage& reply) {
                     const Lookup found = findBlock(reply, devicePath);
                     if (!found.block || !found.block->mountable) return done({});
                     const QDBusMessage mount =
                         operationCall(found.block->object, filesystemInterface, "Mount");
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
    const QDBusConnection bus = systemBus(connectionName_);
    const Lookup found = findBlock(callAndWait(bus, lookupCall(), lookupTimeoutMs), devicePath);
    if (!found.answered) return std::nullopt;
    if (!found.block) return false;  // the disk has gone already
    if (found.block->hasFilesystem) {
        const QDBusMessage unmounted =
            callAndWait(bus, operationCall(found.block->object, filesystemInterface, "Unmount"),
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
        bus, operationCall(found.block->drive, driveInterface, "PowerOff"), operationTimeoutMs);
    if (failed(poweredOff)) {
        log_ << "Powering off " << devicePath << " failed: " << errorText(poweredOff) << "\n"
             << std::flush;
        return false;
    }
    return true;
}

}  // namespace penshelf
