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
constexpr const char* managerObject = "/org/freedesktop/UDisks2/Manager";
constexpr const char* managerInterface = "org.freedesktop.UDisks2.Manager";
constexpr const char* blockInterface = "org.freedesktop.UDisks2.Block";
constexpr const char* filesystemInterface = "org.freedesktop.UDisks2.Filesystem";
constexpr const char* driveInterface = "org.freedesktop.UDisks2.Drive";
constexpr const char* deviceBusy = "org.freedesktop.UDisks2.Error.DeviceBusy";

// Where no UDisks2 runs, the bus says so at once; a bus, or a UDisks2, that
// has not answered in this time is taken as absent.
constexpr int lookupTimeoutMs = 3000;
// Mounting may wait for the user at a password prompt, and unmounting for the
// pen's write cache to reach it.
constexpr int operationTimeoutMs = 5 * 60 * 1000;
// A check reads the whole file allocation table and every folder of a pen
// that may hold gigabytes.
constexpr int checkTimeoutMs = 30 * 60 * 1000;

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

// Where a checking tool comes from, for the user to install it.
std::string toolMissingReason(const QString& type, const QString& tool) {
    const std::string named =
        tool.isEmpty() ? "the tool that checks " + type.toStdString() : tool.toStdString();
    if (type == "vfat") return named + " is not installed: it comes with the dosfstools package";
    return named + " is not installed";
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

FileSystemCheck checkEnded(FileSystemCheck::Outcome outcome, std::string reason) {
    FileSystemCheck result;
    result.outcome = outcome;
    result.reason = std::move(reason);
    return result;
}

using CheckDone = std::function<void(const std::optional<FileSystemCheck>&)>;

// One check or repair under way, a step at a time from the event loop. The
// calls under way hold it; it ends with the UDisks2 object that started it.
class CheckRun : public std::enable_shared_from_this<CheckRun> {
  public:
    CheckRun(const QDBusConnection& bus, QObject* calls, std::ostream& log, Block block,
             std::string devicePath, FileSystemAction action, CheckDone done)
        : bus_(bus),
          calls_(calls),
          log_(log),
          block_(std::move(block)),
          devicePath_(std::move(devicePath)),
          action_(action),
          done_(std::move(done)) {}

    void start() {
        ifTheToolIsThere("CanCheck", [this] {
            if (action_ == FileSystemAction::Check) return unmount();
            ifTheToolIsThere("CanRepair", [this] { unmount(); });
        });
    }

  private:
    using Outcome = FileSystemCheck::Outcome;

    void call(const QDBusMessage& message, int timeoutMs,
              std::function<void(const QDBusMessage&)> then) {
        whenAnswered(bus_.asyncCall(message, timeoutMs), calls_,
                     [self = shared_from_this(),
                      then = std::move(then)](const QDBusMessage& reply) { then(reply); });
    }

    void ifTheToolIsThere(const char* question, std::function<void()> then) {
        QDBusMessage ask =
            QDBusMessage::createMethodCall(service, managerObject, managerInterface, question);
        ask << block_.type;
        call(ask, lookupTimeoutMs, [this, then = std::move(then)](const QDBusMessage& reply) {
            if (failed(reply)) return finish(checkEnded(Outcome::Failed, errorText(reply)));
            bool available = false;
            QString tool;
            const auto answer = qvariant_cast<QDBusArgument>(reply.arguments().value(0));
            answer.beginStructure();
            answer >> available >> tool;
            answer.endStructure();
            if (!available) {
                return finish(
                    checkEnded(Outcome::ToolMissing, toolMissingReason(block_.type, tool)));
            }
            then();
        });
    }

    void unmount() {
        if (!block_.mounted) return repairOrCheck();
        call(operationCall(block_.object, filesystemInterface, "Unmount"), operationTimeoutMs,
             [this](const QDBusMessage& reply) {
                 if (!failed(reply)) return repairOrCheck();
                 if (reply.errorName() == deviceBusy) return busy(reply);
                 // Other refusals come from a volume that went meanwhile, too.
                 call(lookupCall(), lookupTimeoutMs, [this, reply](const QDBusMessage& lookup) {
                     const UDisks2::Lookup found = findBlock(lookup, devicePath_);
                     if (found.block && !found.block->mounted) return repairOrCheck();
                     busy(reply);
                 });
             });
    }

    void busy(const QDBusMessage& refusal) {
        FileSystemCheck result = checkEnded(Outcome::Busy, errorText(refusal));
        result.remounted = true;  // it stayed mounted
        finish(result);
    }

    void repairOrCheck() {
        if (action_ == FileSystemAction::Check) return check();
        call(operationCall(block_.object, filesystemInterface, "Repair"), checkTimeoutMs,
             [this](const QDBusMessage& reply) {
                 // udisks 2.9 reports fsck.fat's "corrected something" as an
                 // error: the check after it says how the file system is.
                 result_.repairSaid = failed(reply) ? reply.errorMessage().toStdString()
                                                    : "the repair ended without a complaint";
                 check();
             });
    }

    void check() {
        call(operationCall(block_.object, filesystemInterface, "Check"), checkTimeoutMs,
             [this](const QDBusMessage& reply) {
                 if (failed(reply)) {
                     result_.outcome = Outcome::Failed;
                     result_.reason = errorText(reply);
                 } else if (reply.arguments().value(0).toBool()) {
                     result_.outcome = Outcome::Clean;
                     result_.found = "no errors";
                 } else {
                     result_.outcome = Outcome::Damaged;
                     result_.found = "the file system has errors";
                 }
                 mountAgain();
             });
    }

    void mountAgain() {
        call(operationCall(block_.object, filesystemInterface, "Mount"), operationTimeoutMs,
             [this](const QDBusMessage& reply) {
                 result_.remounted = !failed(reply);
                 if (failed(reply)) {
                     log_ << "Mounting " << devicePath_ << " again failed: " << errorText(reply)
                          << "\n"
                          << std::flush;
                 }
                 finish(result_);
             });
    }

    void finish(const FileSystemCheck& result) {
        if (done_) std::exchange(done_, nullptr)(result);
    }

    QDBusConnection bus_;
    QObject* calls_;
    std::ostream& log_;
    const Block block_;
    const std::string devicePath_;
    const FileSystemAction action_;
    CheckDone done_;
    FileSystemCheck result_;
};

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
    // Loop devices and some card readers have no drive: nothing to power off.
    if (found->block->drive == "/" || found->block->drive.isEmpty()) return true;
    const QDBusMessage poweredOff = callAndWait(
        *bus, operationCall(found->block->drive, driveInterface, "PowerOff"), operationTimeoutMs);
    if (failed(poweredOff)) {
        log_ << "Powering off " << devicePath << " failed: " << errorText(poweredOff) << "\n"
             << std::flush;
        return false;
    }
    return true;
}

void UDisks2::checkFileSystem(const std::string& devicePath, FileSystemAction action,
                              std::function<void(const std::optional<FileSystemCheck>&)> done) {
    lookUp(devicePath, [this, devicePath, action, done](const QDBusConnection& bus,
                                                        const Lookup& found) {
        if (!found.block || !found.block->hasFilesystem) return done(std::nullopt);
        std::make_shared<CheckRun>(bus, calls_.get(), log_, *found.block, devicePath, action, done)
            ->start();
    });
}

}  // namespace penshelf
