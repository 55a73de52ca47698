#!/usr/bin/env bash
# The benchmark: the product against the minimal reference program, alternately (A B A B ...),
# under Wine on a virtual display beside the taskbar stand-in, with the wmic stand-in answering
# at once. Prints per figure the median of each side and the median of the pairwise ratios.
#   bench/run.sh [PAIRS] [SECONDS] [notool]     (5 pairs of 60-second runs by default)
# With "notool" only the product's readings-off run and its readings-on run without the WMI tool
# alternate, for the paired figure of the processor-times path alone.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/env.sh"
pairs=${1:-5}
seconds=${2:-60}
only=${3:-}
case "$only" in
  ''|notool) ;;
  *) echo "usage: bench/run.sh [PAIRS] [SECONDS] [notool]" >&2; exit 2 ;;
esac

prepare_build

# Readings on without the WMI tool (as on recent Windows 11): the stand-ins are moved away for
# those runs, and always put back.
tool_files() { local p; for p in system32 syswow64 system32/wbem syswow64/wbem; do echo "$WINEPREFIX/drive_c/windows/$p/wmic.exe"; done; }
remove_tool() { local f; for f in $(tool_files); do if [ -f "$f" ]; then mv "$f" "$f.away"; fi; done; }
restore_tool() { local f; for f in $(tool_files); do if [ -f "$f.away" ]; then mv "$f.away" "$f"; fi; done; }

start_wine_session --display 80 --on-exit restore_tool

drive=$WINEPREFIX/drive_c
set_tool_mode "table 42"
probe=$BUILD_DIR/bench/bench_probe.exe
hz=$(getconf CLK_TCK)
results=$(mktemp)

# Wine hands a started program the starter's standard streams: through a file, so that nothing
# waits for the program to end.
probe_says() {  # figure probe-arguments...
  local figure=$1 out
  shift
  out=$(mktemp)
  wine_run "$probe" "$@" >"$out" 2>/dev/null || true
  sed -n "s/^$figure //p" "$out" | tr -d '\r'
  rm -f "$out"
}
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }
wineserver_pid() { pgrep -n -x wineserver64 || pgrep -n -x wineserver; }
set_switches() {  # on|notool|off
  if [ "$1" != off ]; then write_config '[CPU]' '开关=1' '[内存]' '开关=1'; else write_config; fi
}

wine_run "$BUILD_DIR/tools/demo_taskbar.exe" light >/dev/null 2>&1 &
sleep 2

# One run alone: start-up, CPU time over the period (with the wineserver's), peak memory, and
# with the readings on the main thread's blocked time per CPU sample.
measure() {  # side readings
  local side=$1 readings=$2 folder exe title
  folder="$drive/bench-$side"
  rm -rf "$folder"; mkdir -p "$folder"
  if [ "$side" = product ]; then
    cp "$BUILD_DIR/kestrune.exe" "$folder/kestrune.exe"; exe='C:\bench-product\kestrune.exe'; title='任务栏Kestrune'
  else
    cp "$BUILD_DIR/bench/reference.exe" "$folder/reference.exe"; exe='C:\bench-reference\reference.exe'; title='Kestrune reference'
  fi
  set_switches "$readings"
  if [ "$readings" = notool ]; then remove_tool; else restore_tool; fi
  local startup pid server before serverBefore after serverAfter peak blocked=
  startup=$(probe_says startup_ms start "$exe" "$title")
  pid=$(pgrep -n -f "bench-$side" || true)
  server=$(wineserver_pid)
  before=$(cpu_ticks "$pid"); serverBefore=$(cpu_ticks "$server")
  sleep "$seconds"
  after=$(cpu_ticks "$pid"); serverAfter=$(cpu_ticks "$server")
  if [ "$readings" = on ]; then
    blocked=$(probe_says blocked_ms_per_sample blocked "$title" 15)
  fi
  peak=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo 0)
  kill "$pid" 2>/dev/null || true
  while kill -0 "$pid" 2>/dev/null; do sleep 0.1; done
  local cpu_ms=$(( (after - before + serverAfter - serverBefore) * 1000 / hz ))
  echo "$side $readings startup_ms $startup" >>"$results"
  echo "$side $readings cpu_ms $cpu_ms" >>"$results"
  echo "$side $readings peak_kb $peak" >>"$results"
  [ -n "$blocked" ] && echo "$side $readings blocked_ms $blocked" >>"$results"
  echo "  $side, readings $readings: start-up ${startup} ms, CPU ${cpu_ms} ms in ${seconds} s, peak ${peak} kB${blocked:+, blocked ${blocked} ms per sample}"
}

if [ "$only" = notool ]; then
  echo "benchmark: $pairs pairs of ${seconds}-second runs, the product with readings off and with readings on without the tool"
else
  echo "benchmark: $pairs pairs of ${seconds}-second runs, product (A) and reference (B) alternately"
fi
for pair in $(seq "$pairs"); do
  echo "pair $pair"
  if [ "$only" = notool ]; then
    measure product off
  else
    for side in product reference; do
      for readings in off on; do measure "$side" "$readings"; done
    done
  fi
  measure product notool
done
set_switches off
restore_tool

summary() {  # figure readings label
  awk -v figure="$2" -v readings="$3" -v label="$1" '
    function median(list, n,   i, j, t) {
      for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (list[j] < list[i]) { t = list[i]; list[i] = list[j]; list[j] = t }
      return n % 2 ? list[(n + 1) / 2] : (list[n / 2] + list[n / 2 + 1]) / 2
    }
    $2 == readings && $3 == figure { if ($1 == "product") a[++na] = $4; else b[++nb] = $4 }
    END {
      for (i = 1; i <= na && i <= nb; i++) r[i] = b[i] > 0 ? a[i] / b[i] : 0
      printf "%-38s product %10.1f   reference %10.1f   ratio %5.2f\n", label, median(a, na), median(b, nb), median(r, (na < nb ? na : nb))
    }' "$results"
}

echo
if [ "$only" != notool ]; then
  echo "medians over $pairs pairs (ratio: median of the pairwise product / reference ratios)"
  summary "CPU ms over ${seconds} s, readings off" cpu_ms off
  summary "CPU ms over ${seconds} s, readings on" cpu_ms on
  summary "start-up ms, readings off" startup_ms off
  summary "blocked ms per CPU sample" blocked_ms on
  summary "peak resident kB, readings on" peak_kb on
fi
# The processor-times path against the product's own readings-off run of the same pair.
awk -v seconds="$seconds" '
  function median(list, n,   i, j, t) {
    for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (list[j] < list[i]) { t = list[i]; list[i] = list[j]; list[j] = t }
    return n % 2 ? list[(n + 1) / 2] : (list[n / 2] + list[n / 2 + 1]) / 2
  }
  $1 == "product" && $3 == "cpu_ms" && $2 == "off" { off[++noff] = $4 }
  $1 == "product" && $3 == "cpu_ms" && $2 == "notool" { notool[++nnotool] = $4 }
  END {
    n = noff < nnotool ? noff : nnotool
    for (i = 1; i <= n; i++) { d[i] = (notool[i] - off[i]) * 60 / seconds; printf "%s%.0f", (i > 1 ? ", " : "pairs: "), d[i] }
    printf "\n"
    printf "CPU ms per minute, readings on without the tool, minus readings off (product, median of pairs): %.1f (goal under 50)\n", median(d, n)
  }' "$results"
stripped=$(mktemp)
"$KESTRUNE_ARCH-w64-mingw32-strip" -o "$stripped" "$BUILD_DIR/kestrune.exe"
echo "stripped $KESTRUNE_ARCH executable: $(stat -c %s "$stripped") bytes ($("$KESTRUNE_ARCH-w64-mingw32-objdump" -p "$stripped" | grep -c 'DLL Name') system libraries imported, nothing beside it)"
rm -f "$stripped" "$results"
echo
echo "in-process ticks (product against the same system calls made bare):"
# CPU on and no tool: the tick program also times the sample on the processor times.
set_switches notool
remove_tool
wine_run "$BUILD_DIR/bench/tick_bench.exe" | tr -d '\r'
set_switches off
restore_tool
