#include "device/linux/MountTableWatch.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

namespace penshelf {

MountTableWatch::MountTableWatch(const std::string& mountinfoPath, QObject* parent)
    : QObject(parent) {
    fd_ = ::open(mountinfoPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) return;
    // A change shows as POLLPRI (with POLLERR); polling acknowledges it.
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Exception, this);
    connect(notifier_, &QSocketNotifier::activated, this, &MountTableWatch::changed);
}

MountTableWatch::~MountTableWatch() {
    delete notifier_;
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace penshelf
