#!/usr/bin/env bash
# The fuzz targets of the pure routines, built natively with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) into build/fuzz.
#   scripts/fuzz.sh build                 build the targets
#   scripts/fuzz.sh run TARGET SECONDS    run one target on a copy of its seed corpus
#   scripts/fuzz.sh all SECONDS           build, then run every target (the on-demand long run)
# A crash leaves its input in build/fuzz/artifacts/ and fails the run: make it a unit-test case.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"

# Beside the Windows build it goes with (CTest names it; the scripts export BUILD_DIR).
fuzz_dir=${FUZZ_DIR:-${BUILD_DIR:-$BUILD_ROOT}/fuzz}
targets=(text_helpers speed_text cpu_table row_choice)

build() {
  CXX=clang++ cmake -S "$KESTRUNE_ROOT/fuzz" -B "$fuzz_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$fuzz_dir" -j "$(nproc)" >/dev/null
}

run() {
  local target=$1 seconds=$2
  local work=$fuzz_dir/work/$target
  rm -rf "$work"
  mkdir -p "$work" "$fuzz_dir/artifacts"
  cp "$KESTRUNE_ROOT/fuzz/corpus/$target/"* "$work/"
  local log=$fuzz_dir/$target.log status=0
  "$fuzz_dir/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 -rss_limit_mb=1024 \
    -artifact_prefix="$fuzz_dir/artifacts/$target-" "$work" >"$log" 2>&1 || status=$?
  local runs
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  echo "fuzz_$target: ${runs:-?} executions in ${seconds} s"
  if [ "$status" -ne 0 ]; then
    tail -n 40 "$log"
    return "$status"
  fi
}

case "${1:-all}" in
  build) build ;;
  run) run "$2" "$3" ;;
  all)
    build
    for target in "${targets[@]}"; do run "$target" "${2:-60}"; done
    ;;
  *) echo "usage: scripts/fuzz.sh build | run TARGET SECONDS | all [SECONDS]" >&2; exit 2 ;;
esac
