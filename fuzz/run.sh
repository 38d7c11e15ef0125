#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (address and undefined-behaviour sanitizers) and runs
# each for FUZZ_SECONDS seconds (60 by default), starting from the seeds in fuzz/corpus/.
# Findings land in build-fuzz/findings/; a failing run stops the script.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${FUZZ_BUILD:-$root/build-fuzz}"
seconds="${FUZZ_SECONDS:-60}"
cxx="${CLANGXX:-clang++}"
flags=(-std=c++20 -g -O1 -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined
       -fno-sanitize-recover=undefined -Wall -Wextra -Wpedantic -Werror -I "$root/src")

src="$root/src/soap"
declare -A sources=(
  [fuzz_base64]="$src/Base64.cpp"
  [fuzz_iso8601]="$src/ISO8601Parsing.cpp $src/ISO8601Formatting.cpp $src/Calendar.cpp $src/CurrentTime.cpp $src/DebugLog.cpp"
)

mkdir -p "$out/findings"
for target in fuzz_base64 fuzz_iso8601; do
  echo "== building $target"
  # shellcheck disable=SC2086
  "$cxx" "${flags[@]}" "$root/fuzz/$target.cpp" ${sources[$target]} -o "$out/$target"
done

for target in fuzz_base64 fuzz_iso8601; do
  corpus="$out/corpus/${target#fuzz_}"
  mkdir -p "$corpus"
  echo "== running $target for ${seconds}s"
  "$out/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$out/findings/$target-" "$corpus" "$root/fuzz/corpus/${target#fuzz_}"
done
echo "== fuzzing found nothing"
