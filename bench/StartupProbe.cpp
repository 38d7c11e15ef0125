// Loaded into a program as it starts (LD_PRELOAD, by bench_startup): ends the
// program the moment its window has painted a table of STARTUP_PROBE_ROWS
// rows and, when STARTUP_PROBE_ITEMS is set, with a drop-down list of that
// many items beside it. The time from launch to exit is then the time until
// the window showed what it lists. The program itself is not changed; without
// STARTUP_PROBE_ROWS the probe does nothing.

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QTableView>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {

// A program the probe never sees listing ends with this status, not never.
constexpr int notListedStatus = 3;
constexpr int giveUpMs = 30000;

class Probe : public QObject {
  public:
    Probe(int rows, int items) : rows_(rows), items_(items) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint || listed_) return false;
        auto* table = qobject_cast<QTableView*>(watched->parent());
        if (!table || table->viewport() != watched || !table->model() ||
            table->model()->rowCount() < rows_ || !itemsShown(table->window())) {
            return false;
        }
        listed_ = true;
        // Once this paint has been delivered.
        QTimer::singleShot(0, [] {
            std::fflush(nullptr);
            std::_Exit(0);
        });
        return false;
    }

  private:
    bool itemsShown(const QWidget* window) const {
        if (items_ == 0) return true;
        for (const QComboBox* list : window->findChildren<QComboBox*>()) {
            if (list->isVisible() && list->count() == items_) return true;
        }
        return false;
    }

    const int rows_;
    const int items_;
    bool listed_ = false;
};

void installProbe() {
    const int rows = qEnvironmentVariableIntValue("STARTUP_PROBE_ROWS");
    if (rows <= 0) return;
    auto* probe = new Probe(rows, qEnvironmentVariableIntValue("STARTUP_PROBE_ITEMS"));
    probe->moveToThread(QCoreApplication::instance()->thread());
    QCoreApplication::instance()->installEventFilter(probe);
    QTimer::singleShot(giveUpMs, [] { std::_Exit(notListedStatus); });
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(installProbe)
