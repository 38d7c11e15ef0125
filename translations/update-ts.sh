#!/usr/bin/env bash
# Refreshes the .ts files from the sources (make translations), or writes them
# into another folder (the check in tests/translations). Usage:
#   update-ts.sh LUPDATE [FOLDER]
# The window's texts are Chinese, marked WINDOW_TEXT in src/texts; penshelf-cli's
# are English, marked CLI_TEXT. Entries carry no line numbers, so that only a
# new or changed text changes a .ts file; vanished texts are dropped.
set -euo pipefail
lupdate=$1
top=$(cd "$(dirname "$0")/.." && pwd)
folder=${2:-$top/translations}
cd "$top"

run() {
    # lupdate warns of every tr() outside a QObject; those are ours on purpose.
    local log
    log=$("$lupdate" -silent -locations none -no-obsolete -I src "$@" 2>&1) || { echo "$log" >&2; exit 1; }
    grep -v "lacks Q_OBJECT macro" <<<"$log" >&2 || true
}

run -source-language zh_CN -target-language en -tr-function-alias QT_TR_NOOP=WINDOW_TEXT \
    src/app/*.cpp src/app/*.h src/app/*.ui src/texts/*.h -ts "$folder/penshelf_en.ts"
run -source-language en -target-language zh_CN -tr-function-alias QT_TR_NOOP=CLI_TEXT \
    src/cli/*.cpp src/cli/*.h src/texts/*.h -ts "$folder/penshelf-cli_zh_CN.ts"
