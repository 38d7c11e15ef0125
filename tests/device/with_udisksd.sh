#!/bin/sh
# Runs a test program with the real udisksd on a private system bus, as root:
# systemd-udevd (so loop devices get udev records, unless one runs already),
# a system-type dbus-daemon and udisksd, all stopped by PID when it ends.
# Not root: the program runs alone and skips what needs them.
set -u
[ "$(id -u)" -eq 0 ] || exec "$@"

# One such set at a time on this machine, whoever runs it.
exec 9>/tmp/penshelf-udisksd.lock
flock 9

dir=$(mktemp -d /tmp/penshelf-udisksd-XXXXXX)
pids=""
madeUdev=""
cleanUp() {
    for pid in $pids; do kill "$pid" 2>/dev/null; done
    for pid in $pids; do wait "$pid" 2>/dev/null; done
    [ -z "$madeUdev" ] || rm -rf /run/udev
    rm -rf "$dir"
}
trap cleanUp EXIT
trap 'exit 1' INT TERM

if ! udevadm control --ping >/dev/null 2>&1; then
    [ -e /run/udev ] || madeUdev=yes
    /lib/systemd/systemd-udevd >"$dir/udevd.log" 2>&1 &
    pids="$pids $!"
fi
cat >"$dir/bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$dir/bus</listen>
  <auth>EXTERNAL</auth>
  <includedir>/usr/share/dbus-1/system.d</includedir>
  <policy context="default">
    <allow user="*"/><allow own="*"/><allow send_destination="*"/><allow receive_sender="*"/>
  </policy>
</busconfig>
EOF
dbus-daemon --config-file="$dir/bus.conf" --nofork --print-address >"$dir/address" &
pids="$pids $!"
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$dir/bus"
for _ in $(seq 50); do [ -s "$dir/address" ] && break; sleep 0.1; done
/usr/libexec/udisks2/udisksd --no-debug >"$dir/udisksd.log" 2>&1 &
pids="$pids $!"
for _ in $(seq 100); do
    grep -q "Acquired the name" "$dir/udisksd.log" && break
    sleep 0.1
done
export PENSHELF_REAL_UDISKSD=1
"$@"
