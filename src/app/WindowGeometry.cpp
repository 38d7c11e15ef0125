#include "app/WindowGeometry.h"

#include <QEvent>
#include <QSettings>
#include <QStandardPaths>
#include <QWidget>

#include <memory>

namespace penshelf {
namespace {

const char* geometryKey = "window/geometry";

// Read from the environment each time rather than through QSettings' own
// user path, which Qt fixes at its first use.
std::unique_ptr<QSettings> settings() {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (config.isEmpty()) return nullptr;
    return std::make_unique<QSettings>(config + QStringLiteral("/PenShelf/PenShelf.conf"),
                                       QSettings::IniFormat);
}

class GeometryKeeper : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            if (const auto kept = settings()) {
                kept->setValue(geometryKey, static_cast<QWidget*>(watched)->saveGeometry());
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

void rememberGeometry(QWidget* window) {
    if (const auto kept = settings()) {
        // Qt refuses a value it cannot read and moves a place on a screen
        // since gone onto one that is there.
        window->restoreGeometry(kept->value(geometryKey).toByteArray());
    }
    window->installEventFilter(new GeometryKeeper(window));
}

}  // namespace penshelf
