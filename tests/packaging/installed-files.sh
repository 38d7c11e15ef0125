#!/usr/bin/env bash
# Installs the build into a staging folder and checks what a desktop sees:
# both programs, a valid .desktop entry, valid AppStream metadata, the icon.
set -euo pipefail
build="$1"
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT

DESTDIR="$stage" cmake --install "$build" --prefix /usr > /dev/null
share="$stage/usr/share"
for program in penshelf penshelf-cli; do
  [ -x "$stage/usr/bin/$program" ] || { echo "missing /usr/bin/$program"; exit 1; }
done
desktop-file-validate "$share/applications/org.penshelf.penshelf.desktop"
appstreamcli validate --no-net --pedantic "$share/metainfo/org.penshelf.penshelf.metainfo.xml"
grep -q '^Name\[zh_CN\]=点读笔助手$' "$share/applications/org.penshelf.penshelf.desktop"
[ -s "$share/icons/hicolor/scalable/apps/org.penshelf.PenShelf.svg" ]
echo "installed files are valid"
