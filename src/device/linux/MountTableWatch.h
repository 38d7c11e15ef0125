#pragma once
// Tells when the kernel's mount table changes: the automounter has mounted or
// unmounted a volume. The mount table file signals changes through poll.

#include "books/UniqueFd.h"

#include <QObject>

#include <string>

class QSocketNotifier;

namespace penshelf {

class MountTableWatch : public QObject {
    Q_OBJECT
  public:
    explicit MountTableWatch(const std::string& mountinfoPath = "/proc/self/mountinfo",
                             QObject* parent = nullptr);
    ~MountTableWatch() override;

  signals:
    void changed();

  private:
    UniqueFd fd_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace penshelf
