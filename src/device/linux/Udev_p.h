#pragma once
// Owning handles for libudev objects. Private to the Linux backend.

#include <libudev.h>

#include <memory>

namespace penshelf::udev {

struct Unref {
    void operator()(struct udev* p) const { udev_unref(p); }
    void operator()(udev_device* p) const { udev_device_unref(p); }
    void operator()(udev_enumerate* p) const { udev_enumerate_unref(p); }
    void operator()(udev_monitor* p) const { udev_monitor_unref(p); }
};

using Context = std::unique_ptr<struct udev, Unref>;
using Device = std::unique_ptr<udev_device, Unref>;
using Enumerate = std::unique_ptr<udev_enumerate, Unref>;
using Monitor = std::unique_ptr<udev_monitor, Unref>;

}  // namespace penshelf::udev
