#include "device/linux/MountTableWatch.h"

#include <QSocketNotifier>

#include <fcntl.h>

namespace penshelf {

MountTableWatch::MountTableWatch(const std::string& mountinfoPath, QObject* parent)
    : QObject(parent), fd_(::open(mountinfoPath.c_str(), O_RDONLY | O_CLOEXEC)) {
    if (!fd_.isOpen()) return;
    // A change shows as POLLPRI (with POLLERR); polling acknowledges it.
    notifier_ = new QSocketNotifier(fd_.get(), QSocketNotifier::Exception, this);
    connect(notifier_, &QSocketNotifier::activated, this, &MountTableWatch::changed);
}

MountTableWatch::~MountTableWatch() {
    delete notifier_;  // before its descriptor closes
}

}  // namespace penshelf
