#!/usr/bin/env bash
# The in-process tick figures alone, several rounds, optionally alternating with the tick program
# of another build (before and after a change), under one Wine session:
#   bench/ticks.sh [ROUNDS] [OTHER_TICK_BENCH_EXE]
# Each round prints the docking and refresh ticks and the redrawing for new texts of this build
# (and of the other), then the medians of each.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/env.sh"
rounds=${1:-5}
other=${2:-}
if [ -n "$other" ] && [ ! -f "$other" ]; then echo "no such tick program: $other" >&2; exit 2; fi

prepare_build
results=$(mktemp)
start_wine_session --display 81 --on-exit "rm -f $results"
write_config  # readings off, as the product runs by default

tick() {  # label exe
  wine_run "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^\(docking\|refresh\) tick: */$1 \1 /p; s/^new texts: */$1 drawing /p" | tee -a "$results"
}
for ((round = 1; round <= rounds; round++)); do
  tick this "$BUILD_DIR/bench/tick_bench.exe"
  if [ -n "$other" ]; then tick other "$other"; fi
done
awk '
  function median(list, n,   i, j, t) {
    for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (list[j] < list[i]) { t = list[i]; list[i] = list[j]; list[j] = t }
    return n % 2 ? list[(n + 1) / 2] : (list[n / 2] + list[n / 2 + 1]) / 2
  }
  { k = $1 SUBSEP $2; n[k]++; tick[k, n[k]] = $3; bare[k, n[k]] = $7 }
  END {
    for (k in n) {
      split(k, part, SUBSEP)
      for (i = 1; i <= n[k]; i++) { t[i] = tick[k, i]; b[i] = bare[k, i] }
      printf "%s build: %s median %.1f us over %d rounds (bare calls %.1f us)\n", part[1], part[2], median(t, n[k]), n[k], median(b, n[k])
    }
  }' "$results" | sort
