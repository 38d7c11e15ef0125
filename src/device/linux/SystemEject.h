#pragma once
// Ejecting a disk with the system's own commands where no UDisks2 answers on
// the system bus: "udisksctl unmount" then "udisksctl power-off" (no root
// needed), or "umount" then "eject" where udisksctl is not installed.

#include <QStringList>

#include <functional>
#include <string>

namespace penshelf {

// Runs program with arguments to its end. The event loop turns meanwhile, so
// the window stays drawn, but user input waits. Its output goes where the
// program's own goes. The exit status, or -1 when it could not run.
int runCommand(const QString& program, const QStringList& arguments);

// Unmounts and powers off the disk of devicePath ("/dev/sdb1"). A failed
// unmount stops there unless stillMounted() says the volume is not mounted
// (it never was, or went away): such a disk is still powered off. True when
// every step succeeded. withUdisksctl false: udisksctl is passed over, as
// where the system bus takes connections but does not answer it waits for good.
bool ejectWithSystemCommands(const std::string& devicePath,
                             const std::function<bool()>& stillMounted, bool withUdisksctl = true);

}  // namespace penshelf
