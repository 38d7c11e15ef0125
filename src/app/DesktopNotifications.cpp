#include "app/DesktopNotifications.h"

#include "device/linux/BusProbe.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QFileInfo>
#include <QVariantMap>
#include <QWidget>

#include <map>
#include <utility>
#include <vector>

namespace penshelf {
namespace {

const char* service = "org.freedesktop.Notifications";
// Time for a session bus to answer our connection; notifications wait, the
// window never does.
constexpr int busProbeMs = 5000;

QString tr(const char* text) {
    return QCoreApplication::translate("DesktopNotifications", text);
}

bool lookedAt() {
    const QWidget* active = QApplication::activeWindow();
    return active && !active->isMinimized() && !active->window()->isMinimized();
}

// The session bus as libdbus finds it, but never its X11 autolaunch, which
// would start a bus of its own.
QString sessionBusAddress() {
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (!address.isEmpty()) return address;
    const QString bus = qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/bus");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") || !QFileInfo::exists(bus)) return {};
    return QStringLiteral("unix:path=") + bus;
}

void send(const QDBusConnection& bus, const QString& summary, const QString& body) {
    QDBusMessage notify =
        QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/Notifications"),
                                       service, QStringLiteral("Notify"));
    const QString desktopEntry = QGuiApplication::desktopFileName();
    const QVariantMap hints{{QStringLiteral("desktop-entry"), desktopEntry},
                            {QStringLiteral("urgency"), QVariant::fromValue<uchar>(1)}};
    // The desktop file's icon has its id as name.
    notify << QGuiApplication::applicationDisplayName() << 0u << desktopEntry << summary << body
           << QStringList() << hints << -1;
    bus.asyncCall(notify);  // the answer, or the refusal, is of no use
}

}  // namespace

void notifyDesktop(const QString& summary, const QString& body) {
    if (lookedAt()) return;
    const QString address = sessionBusAddress();
    if (address.isEmpty()) return;
    // A connection per address: a bus that has gone is not asked again.
    const QString name = QStringLiteral("penshelf-notifications ") + address;
    if (const QDBusConnection bus(name); bus.isConnected()) return send(bus, summary, body);
    // Those that come while the bus is probed wait, and go in their order.
    static std::map<QString, std::vector<std::pair<QString, QString>>> waiting;
    const bool probing = waiting.contains(name);
    waiting[name].emplace_back(summary, body);
    if (probing) return;
    QDBusConnection::disconnectFromBus(name);
    probeBus(address, busProbeMs, qApp, [address, name](BusState state) {
        const auto notes = waiting.extract(name).mapped();
        if (state != BusState::Answers) return;
        const QDBusConnection bus = QDBusConnection::connectToBus(address, name);
        for (const auto& [summary, body] : notes) send(bus, summary, body);
    });
}

void notifyEjected(const QStringList& ejected, const QStringList& failed) {
    if (!failed.isEmpty()) {
        notifyDesktop(tr("点读笔未能弹出"), failed.join(QLatin1Char('\n')));
    } else if (!ejected.isEmpty()) {
        notifyDesktop(tr("可以安全拔出点读笔"), ejected.join(QLatin1Char('\n')));
    }
}

void notifyLongJobEnded(qint64 tookMs, const QString& summary, const QString& body) {
    if (tookMs >= longJobMs) notifyDesktop(summary, body);
}

}  // namespace penshelf
