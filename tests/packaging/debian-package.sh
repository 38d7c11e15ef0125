#!/usr/bin/env bash
# Builds the Debian package as make package does, into a scratch folder, and
# checks what it installs as Debian and the desktop's validators expect.
set -euo pipefail
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "$*"; exit 1; }
cpack --config "$1/CPackConfig.cmake" -G DEB -B "$work" > "$work/log" || fail "$(cat "$work/log")"
dpkg-deb -x "$work"/penshelf_*.deb "$work/root"
cd "$work/root/usr"
for program in bin/penshelf bin/penshelf-cli; do
  sections=$(readelf -S --wide "$program") && [ -x "$program" ] || fail "no program $program"
  ! grep -qE '\.symtab|\.debug_' <<< "$sections" || fail "$program is not stripped"
done
grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' share/doc/penshelf/copyright

# Both pages name every command penshelf-cli lists; penshelf-cli(1) has every option.
man=share/man/man1
commands=$(bin/penshelf-cli --help | sed -n 's/^  \([a-z]\+\)  .*/\1/p') && [ -n "$commands" ]
for command in $commands; do
  zgrep -q "penshelf-cli $command\b" $man/penshelf.1.gz && zgrep -q "penshelf-cli $command\b" $man/penshelf-cli.1.gz ||
    fail "a manual page does not name $command"
  for option in --help --version $(bin/penshelf-cli "$command" --help | sed -n 's/^  \(--[a-z-]\+\).*/\1/p'); do
    zgrep -qF -- "${option//-/\\-}" $man/penshelf-cli.1.gz || fail "penshelf-cli(1) lacks $command $option"
  done
done
zgrep -qF -- '\-\-version' $man/penshelf.1.gz

id=$(sed -n 's:^ *<id>\(.*\)</id>$:\1:p' share/metainfo/*.metainfo.xml)
[ "$id" = "${id,,}" ] && grep -qF "<launchable type=\"desktop-id\">$id.desktop<" "share/metainfo/$id.metainfo.xml" ||
  fail "the component id $id is not lower case, the metainfo's name and the launchable's"
notes=$(LC_ALL=C appstreamcli validate --no-net --pedantic "share/metainfo/$id.metainfo.xml") &&
  ! grep -qE '^[EWIP]: ' <<< "$notes" || fail "appstreamcli: $notes"
notes=$(desktop-file-validate "share/applications/$id.desktop" 2>&1) && [ -z "$notes" ] || fail "$notes"
grep -q '^Name\[zh_CN\]=点读笔助手$' "share/applications/$id.desktop"
[ -s share/icons/hicolor/scalable/apps/org.penshelf.PenShelf.svg ]
