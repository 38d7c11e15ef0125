#pragma once
// One PenShelf window per user and display: the first copy listens on a local
// socket in XDG_RUNTIME_DIR, and a later one only connects there, which asks
// the first to bring its window to the front, and ends. penshelf-cli takes no
// part in it.

#include <QObject>
#include <QPointer>
#include <QString>

class QLocalServer;
class QWidget;

namespace penshelf {

class SingleInstance : public QObject {
    Q_OBJECT
  public:
    explicit SingleInstance(QObject* parent = nullptr);

    // True when a copy already running for this user and display was asked
    // to show its window: this one should end. Otherwise this copy is the
    // one later starts reach, taking over a socket a crashed copy left.
    bool handedOver();
    // The window each later start brings to the front.
    void setWindow(QWidget* window) { window_ = window; }

    // The socket for this user and display, or "" without XDG_RUNTIME_DIR.
    static QString socketPath();

  private:
    static bool reachesRunningCopy(const QString& path);
    void showWindow();

    QLocalServer* server_ = nullptr;
    QPointer<QWidget> window_;
};

}  // namespace penshelf
