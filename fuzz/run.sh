#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (address and undefined-behaviour sanitizers) and runs
# them.
#
#   fuzz/run.sh [TARGET...]         explores: each target runs for FUZZ_SECONDS seconds (60 by
#                                   default), from its seeds in fuzz/corpus/<name>/ and the kept
#                                   findings in fuzz/findings/<name>/
#   fuzz/run.sh replay [TARGET...]  runs each target once over those files and nothing else, as
#                                   CI does (FUZZ_SECONDS=0 does the same)
#   fuzz/run.sh build [TARGET...]   only builds
#
# <name> is the target's name without "fuzz_". Builds go to build-fuzz/ (FUZZ_BUILD) and are
# redone only when a source or header changed. New findings land in build-fuzz/findings/; any
# crash, leak or timeout stops the script with a failure. Once fixed, a finding is kept as a file
# of fuzz/findings/<name>/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${FUZZ_BUILD:-$root/build-fuzz}"
seconds="${FUZZ_SECONDS:-60}"
cxx="${CLANGXX:-clang++}"
# shellcheck disable=SC2054
flags=(-std=c++20 -g -O1 -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined
       -fno-sanitize-recover=undefined -Wall -Wextra -Wpedantic -Werror -I "$root/src")

mode=explore
case "${1:-}" in
  replay | build) mode="$1"; shift ;;
esac
if [ "$mode" = explore ] && [ "$seconds" = 0 ]; then mode=replay; fi

soap="$root/src/soap"
books="$root/src/books"
# The SOAP codec half, as the penshelf_soap library holds it (no Qt).
soap_sources=""
for f in Base64 BinaryValue Calendar CurrentTime DateTimeValue DebugLog ElementText ISO8601Formatting \
         ISO8601Parsing SOAPFault USAdditions USBoolean XmlEscape HttpReasonPhrase \
         PagorFuncBinding_envelope ResponseDecoding ResponseLimits USGlobals; do
  soap_sources+=" $soap/$f.cpp"
done
declare -A sources=(
  [fuzz_base64]="$soap/Base64.cpp"
  [fuzz_iso8601]="$soap/ISO8601Parsing.cpp $soap/ISO8601Formatting.cpp $soap/Calendar.cpp $soap/CurrentTime.cpp $soap/DebugLog.cpp"
  [fuzz_response]="$soap_sources"
  [fuzz_book_header]="$books/BookHeader.cpp $books/RegularFile.cpp $books/Text.cpp"
  [fuzz_pen_folder]="$books/Catalogue.cpp $books/BookHeader.cpp $books/RegularFile.cpp $books/Text.cpp $books/Volumes.cpp $books/FreeSpace.cpp"
  [fuzz_mountinfo]="$root/src/device/linux/MountTable.cpp $books/Volumes.cpp $books/FreeSpace.cpp"
  [fuzz_product_ini]="$root/src/device/ProductIni.cpp $books/RegularFile.cpp"
  [fuzz_field_escape]="$root/src/cli/FieldEscape.cpp $books/Text.cpp"
  [fuzz_manifest]="$books/BackupManifest.cpp $books/Sha256.cpp $books/Text.cpp"
)
all_targets=(fuzz_base64 fuzz_iso8601 fuzz_response fuzz_book_header fuzz_pen_folder
             fuzz_mountinfo fuzz_product_ini fuzz_field_escape fuzz_manifest)
# Beyond the sources: libraries, and run options. The service's answer must read in well under
# a second, however hostile.
declare -A libs=([fuzz_response]="$(pkg-config --cflags --libs libxml-2.0)"
                [fuzz_manifest]="$(pkg-config --cflags --libs libcrypto)")
declare -A options=([fuzz_response]="-timeout=1")

targets=()
for name in "$@"; do targets+=("fuzz_${name#fuzz_}"); done
if [ ${#targets[@]} -eq 0 ]; then targets=("${all_targets[@]}"); fi
for target in "${targets[@]}"; do
  if [ -z "${sources[$target]+set}" ]; then
    echo "fuzz/run.sh: no target $target (there are: ${all_targets[*]})" >&2
    exit 2
  fi
done

# Builds a target unless its binary is newer than every source and header.
build() {
  local target="$1" binary="$out/$1"
  if [ -x "$binary" ] && [ -z "$(find "$root/src" "$root/fuzz" -newer "$binary" \
         \( -name '*.cpp' -o -name '*.h' -o -name run.sh \) -print -quit)" ]; then
    return 0
  fi
  echo "== building $target"
  # shellcheck disable=SC2086
  "$cxx" "${flags[@]}" "$root/fuzz/$target.cpp" ${sources[$target]} ${libs[$target]:-} \
    -o "$binary.new"
  mv "$binary.new" "$binary"
}

# The targets that build files from their input do so below TMPDIR: in memory when possible.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi

mkdir -p "$out/findings"
# Two targets build at a time.
pids=()
for target in "${targets[@]}"; do
  build "$target" &
  pids+=($!)
  if [ ${#pids[@]} -ge 2 ]; then
    wait "${pids[0]}"
    pids=("${pids[@]:1}")
  fi
done
for pid in "${pids[@]}"; do wait "$pid"; done
[ "$mode" = build ] && exit 0

# The seed corpus and the kept findings of a target, those that exist.
inputs() {
  local name="${1#fuzz_}" dir
  for dir in "$root/fuzz/corpus/$name" "$root/fuzz/findings/$name"; do
    [ -d "$dir" ] && echo "$dir"
  done
  return 0
}

if [ "$mode" = replay ]; then
  start=$SECONDS
  for target in "${targets[@]}"; do
    mapfile -t dirs < <(inputs "$target")
    log="$out/$target.replay.log"
    # shellcheck disable=SC2086
    if ! "$out/$target" -runs=0 -timeout=10 ${options[$target]:-} -rss_limit_mb=2048 \
         -artifact_prefix="$out/findings/$target-" "${dirs[@]}" > "$log" 2>&1; then
      cat "$log"
      echo "== $target failed on one of: ${dirs[*]}"
      exit 1
    fi
    echo "== $target: $(find "${dirs[@]}" -type f | wc -l) inputs replayed"
  done
  echo "== every corpus replayed without a finding in $((SECONDS - start))s"
  exit 0
fi

for target in "${targets[@]}"; do
  corpus="$out/corpus/${target#fuzz_}"
  mkdir -p "$corpus"
  mapfile -t dirs < <(inputs "$target")
  echo "== running $target for ${seconds}s"
  # shellcheck disable=SC2086
  "$out/$target" -max_total_time="$seconds" -timeout=10 ${options[$target]:-} -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$out/findings/$target-" "$corpus" "${dirs[@]}"
done
echo "== fuzzing found nothing"
