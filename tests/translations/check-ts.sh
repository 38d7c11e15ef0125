#!/usr/bin/env bash
# Fails when the committed .ts files are behind the code (lupdate into a copy
# changes it: a new or changed text) or hold an unfinished or obsolete entry.
set -euo pipefail
lupdate=$1
top=$(cd "$(dirname "$0")/../.." && pwd)
copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT
cp "$top"/translations/*.ts "$copy"/
bash "$top/translations/update-ts.sh" "$lupdate" "$copy"
status=0
for ts in "$top"/translations/*.ts; do
    name=$(basename "$ts")
    if ! diff -u "$ts" "$copy/$name"; then
        echo "$name is behind the code: run make translations and translate the new texts"
        status=1
    fi
    if grep -nE 'type="(unfinished|obsolete|vanished)"' "$ts"; then
        echo "$name holds unfinished or obsolete entries"
        status=1
    fi
done
exit $status
