# Shared environment and helpers for the build, run and test scripts: sourced, never run.
# Everything the scripts make lives in the project's own folders (build/ and .cache/).

KESTRUNE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# One build folder per architecture under build/ (select_arch names it): CMake keeps the first
# toolchain a folder was configured with, so a shared folder would quietly test the old one.
BUILD_ROOT=${BUILD_ROOT:-$KESTRUNE_ROOT/build}
CACHE_DIR=${CACHE_DIR:-$KESTRUNE_ROOT/.cache}

export WINEPREFIX=${WINEPREFIX:-$CACHE_DIR/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# Code page 936 and Chinese file names need a compiled zh_CN.UTF-8 locale; Wine gets
# LC_ALL=zh_CN.UTF-8 through with_wine_locale (the shell itself keeps its own locale).
export LOCPATH=$CACHE_DIR/locale

# Debian's wine wrapper (and wineboot through it) starts the 32-bit loader whenever that file
# exists; a host that runs 64-bit code only needs the 64-bit loader called by name.
WINE32_LOADER=/usr/lib/wine/wine
WINE64_LOADER=/usr/lib/wine/wine64
# The program as it ships (32-bit, no tests), built in a folder of its own on every host.
SHIPPED_BUILD_DIR=$BUILD_ROOT/release-i686

xvfb_pid=
wineserver_started=

with_wine_locale() { LC_ALL=zh_CN.UTF-8 "$@"; }

# Adds each override to WINEDLLOVERRIDES unless it is there already (a test may bring its own).
add_dll_overrides() {
  local entry
  for entry in "$@"; do
    case ";${WINEDLLOVERRIDES:-};" in *";$entry;"*) ;; *) WINEDLLOVERRIDES=${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}$entry ;; esac
  done
  export WINEDLLOVERRIDES
}

# Chooses the loader that starts every Windows program: wine (the wrapper, as on any host that
# runs 32-bit code) or the 64-bit loader, by path.
use_loader() {
  WINE_LOADER=$1
  # No Mono or Gecko: nothing here uses them, and there is no network to fetch them.
  add_dll_overrides mscoree=d mshtml=d
  # Wine's 64-bit side prefers its built-in wmic to the stand-in that lies over it.
  [ "$WINE_LOADER" = "$WINE64_LOADER" ] && add_dll_overrides wmic.exe=n
  return 0
}

# Starts a Windows program (wineboot and reg included) with the chosen loader and the locale.
wine_run() { with_wine_locale "${WINE_LOADER:?select_arch or use_loader first}" "$@"; }

# True where the 32-bit loader really runs a 32-bit Windows program. Hosts without IA-32 support
# fail at exec; an emulator may start the loader and still run no Windows program, so a tiny
# i386 program must answer. It runs in a throw-away 32-bit prefix unless the project's prefix
# was already made by the 32-bit loader.
host_runs_32bit_windows_code() {
  [ -x "$WINE32_LOADER" ] || { probe_says="the 32-bit Wine loader is not installed"; return 1; }
  if ! "$WINE32_LOADER" --version >/dev/null 2>&1; then
    probe_says="this host runs no 32-bit code (the 32-bit Wine loader cannot start)"
    return 1
  fi
  local dir=$CACHE_DIR/arch-probe answer=
  mkdir -p "$dir"
  if [ ! -f "$dir/probe.exe" ] || [ "$KESTRUNE_ROOT/tools/arch_probe.c" -nt "$dir/probe.exe" ]; then
    i686-w64-mingw32-gcc-posix -O2 -s -o "$dir/probe.exe" "$KESTRUNE_ROOT/tools/arch_probe.c" || {
      probe_says="the 32-bit probe program did not build"; return 1; }
  fi
  local arch=win32 prefix=$dir/prefix
  if [ "$(prefix_made_by)" = wine ]; then prefix=$WINEPREFIX; arch=win64; fi
  answer=$(WINEPREFIX=$prefix WINEARCH=$arch timeout 300 "$WINE32_LOADER" "$dir/probe.exe" \
    2>/dev/null </dev/null | tr -d '\r') || true
  [ "$prefix" = "$WINEPREFIX" ] || { WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true; rm -rf "$prefix"; }
  if [ "$answer" != "i386 ok" ]; then
    probe_says="the 32-bit Wine loader starts but runs no 32-bit Windows program"
    return 1
  fi
  probe_says="this host runs 32-bit Windows programs"
}

# Picks the architecture to build and test (KESTRUNE_ARCH: i686, x86_64, or empty to ask the
# host), its toolchain, build folder and loader, and says which and why in one line.
select_arch() {
  local requested=${KESTRUNE_ARCH:-} probe_says=
  case "$requested" in
    x86_64) probe_says="KESTRUNE_ARCH=x86_64 asks for it" ;;
    i686)
      if ! host_runs_32bit_windows_code; then
        echo "KESTRUNE_ARCH=i686, but $probe_says: no 32-bit program can be tested here (leave KESTRUNE_ARCH unset, or set it to x86_64)" >&2
        exit 1
      fi ;;
    "") if host_runs_32bit_windows_code; then requested=i686; else requested=x86_64; fi ;;
    *) echo "KESTRUNE_ARCH must be i686, x86_64 or unset, not '$requested'" >&2; exit 2 ;;
  esac
  KESTRUNE_ARCH=$requested
  BUILD_DIR=${BUILD_DIR:-$BUILD_ROOT/$KESTRUNE_ARCH}
  TOOLCHAIN_FILE=$KESTRUNE_ROOT/cmake/toolchain-$KESTRUNE_ARCH-mingw.cmake
  if [ "$KESTRUNE_ARCH" = i686 ]; then
    use_loader wine
    echo "architecture: i686, the shipped 32-bit program ($probe_says); build in $BUILD_DIR"
  else
    use_loader "$WINE64_LOADER"
    echo "architecture: x86_64, the 64-bit build of the program ($probe_says); build in $BUILD_DIR"
  fi
  export KESTRUNE_ARCH BUILD_DIR
}

install_deps() { bash "$KESTRUNE_ROOT/scripts/install-deps.sh"; }

ensure_locale() {
  [ -f "$LOCPATH/zh_CN.UTF-8/LC_CTYPE" ] && return 0
  mkdir -p "$LOCPATH"
  localedef -i zh_CN -f UTF-8 "$LOCPATH/zh_CN.UTF-8" >/dev/null 2>&1 || [ -f "$LOCPATH/zh_CN.UTF-8/LC_CTYPE" ]
}

build_project() {
  cmake -S "$KESTRUNE_ROOT" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN_FILE" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$BUILD_DIR" -j "$(nproc)"
}

# The start of every script that builds and runs the tests' build: what is missing installed, the
# locale, the architecture and its build (whose output shows only with --show-build).
prepare_build() {
  install_deps
  ensure_locale
  select_arch
  if [ "${1:-}" = --show-build ]; then build_project; else build_project >/dev/null; fi
}

# The program as it ships, 32-bit and without the tests, in a folder of its own; it builds on
# every host, whether or not 32-bit code can run there.
build_shipped_product() {
  cmake -S "$KESTRUNE_ROOT" -B "$SHIPPED_BUILD_DIR" \
    -DCMAKE_TOOLCHAIN_FILE="$KESTRUNE_ROOT/cmake/toolchain-i686-mingw.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DKESTRUNE_TESTS=OFF >/dev/null
  cmake --build "$SHIPPED_BUILD_DIR" -j "$(nproc)"
}

# Windows always composes the desktop; Wine composes per-pixel alpha (layered windows drawn with
# an alpha channel) only while a compositing manager runs on the X display, and shows it black
# otherwise. Every display of ours gets one, so that the screen shows what Windows shows. Its
# process id lives in a file named by KESTRUNE_COMPOSITOR_PID_FILE, so that the end of the session
# stops whichever one runs then (also one started again after a stop).
# Its window of the same name exists once it owns the display's compositing.
compositor_running() { xwininfo -root -children 2>/dev/null | grep -q '"xcompmgr"'; }
compositor_stopped() { ! compositor_running; }

start_compositor() {
  xcompmgr -n >/dev/null 2>&1 &
  local pid=$!
  echo "$pid" >"$KESTRUNE_COMPOSITOR_PID_FILE"
  poll_until 50 "$pid" compositor_running && return 0
  echo "xcompmgr did not start on $DISPLAY" >&2
  return 1
}

stop_compositor() {
  [ -s "${KESTRUNE_COMPOSITOR_PID_FILE:-}" ] || return 0
  kill "$(cat "$KESTRUNE_COMPOSITOR_PID_FILE")" 2>/dev/null || true
  : >"$KESTRUNE_COMPOSITOR_PID_FILE"
  poll_until 50 0 compositor_stopped && return 0
  echo "xcompmgr did not stop on $DISPLAY" >&2
  return 1
}

# Checks COMMAND every 0.1 s, at most TRIES times, until it succeeds; gives up at once when the
# process PID (0 for none) has ended.
#   poll_until TRIES PID COMMAND ARGS...
poll_until() {
  local tries=$1 pid=$2 i
  shift 2
  for i in $(seq "$tries"); do
    "$@" && return 0
    [ "$pid" = 0 ] || kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

display_ready() { [ -e "/tmp/.X11-unix/X$1" ]; }

# Starts an Xvfb of our own, with a compositing manager, on a free display number and exports
# DISPLAY.
start_xvfb() {
  local n=${1:-90}
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp ${XVFB_ARGS:-} >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  KESTRUNE_COMPOSITOR_PID_FILE=$(mktemp)
  export KESTRUNE_COMPOSITOR_PID_FILE
  if poll_until 100 "$xvfb_pid" display_ready "$n"; then
    start_compositor
    return
  fi
  echo "Xvfb did not start on :$n" >&2
  return 1
}

# Which loader made the prefix ("wine" or the 64-bit loader's name), empty while there is none.
# A stamp from before it was recorded is empty: such a prefix was made by the wrapper.
prefix_made_by() {
  local stamp=$WINEPREFIX/.kestrune-ready
  [ -f "$stamp" ] || return 0
  local loader
  loader=$(cat "$stamp")
  echo "${loader:-wine}"
}

# The prefix is made once; the stamp marks a prefix whose set-up finished, and by which loader.
# One made by the wrapper serves both builds; one made by the 64-bit loader lacks its 32-bit
# half, so the 32-bit build makes it anew.
ensure_prefix() {
  local made_by wanted
  made_by=$(prefix_made_by)
  wanted=$(basename "$WINE_LOADER")
  [ "$made_by" = "$wanted" ] && return 0
  [ "$made_by" = wine ] && return 0
  echo "creating the Wine prefix in $WINEPREFIX with $wanted (once)"
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  wine_run wineboot -i >/dev/null 2>&1
  # Without a window manager Wine waits about 2 s for one whenever an active window hides.
  wine_run reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  wineserver -w
  echo "$wanted" >"$WINEPREFIX/.kestrune-ready"
}

# Wine's own wmic lacks the "path" form the CPU reading uses: the prefix gets the project's
# stand-in in every place a 32- or 64-bit cmd.exe looks for it (the 64-bit side also needs
# wmic.exe=n, see use_loader).
install_wmic_standin() {
  local windows=$WINEPREFIX/drive_c/windows place
  for place in system32 syswow64 system32/wbem syswow64/wbem; do
    if [ -d "$windows/$place" ]; then
      cp "$BUILD_DIR/tools/wmic_standin.exe" "$windows/$place/wmic.exe"
    fi
  done
}

start_wineserver() {
  wineserver -k >/dev/null 2>&1 || true
  with_wine_locale wineserver -p </dev/null >/dev/null 2>&1
  wineserver_started=1
}

stop_all() {
  if [ -n "$wineserver_started" ]; then
    wineserver -k >/dev/null 2>&1 || true
    wineserver_started=
  fi
  if [ -n "${KESTRUNE_COMPOSITOR_PID_FILE:-}" ]; then
    stop_compositor >/dev/null 2>&1 || true
    rm -f "$KESTRUNE_COMPOSITOR_PID_FILE"
    KESTRUNE_COMPOSITOR_PID_FILE=
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=
  fi
}

# A session under Wine, all of it ended when the script exits (after the script's own clean-up,
# if it names one): a virtual display of its own on the first free number from N (90 unless
# given; with --unless-display-set none where DISPLAY is set), the prefix, the wmic stand-in
# (not with --no-tool) and a wineserver.
#   start_wine_session [--display N] [--unless-display-set] [--no-tool] [--on-exit COMMAND]
start_wine_session() {
  local display=90 reuse= tool=1 on_exit=
  while [ $# -gt 0 ]; do
    case "$1" in
      --display) display=$2; shift ;;
      --unless-display-set) reuse=1 ;;
      --no-tool) tool= ;;
      --on-exit) on_exit=$2; shift ;;
      *) echo "start_wine_session: unknown option $1" >&2; return 2 ;;
    esac
    shift
  done
  # shellcheck disable=SC2064  # the clean-up is chosen now
  trap "${on_exit:+$on_exit; }stop_all" EXIT
  if [ -z "$reuse" ] || [ -z "${DISPLAY:-}" ]; then start_xvfb "$display"; fi
  ensure_prefix
  if [ -n "$tool" ]; then install_wmic_standin; fi
  start_wineserver
}

# The program's configuration file in the prefix, written as the program keeps it (GBK, CRLF
# line ends) from lines given in UTF-8; with no lines the file is removed.
#   write_config '[CPU]' '开关=1'
write_config() {
  local ini="$WINEPREFIX/drive_c/Program Files (x86)/Kestrune.ini"
  if [ $# -eq 0 ]; then rm -f "$ini"; return 0; fi
  printf '%s\r\n' "$@" | iconv -f UTF-8 -t GBK >"$ini"
}

# What the wmic stand-in of the prefix answers ("table 42": a load of 58%); empty for its default.
set_tool_mode() {
  local folder=$WINEPREFIX/drive_c/kestrune-wmic
  if [ -z "$1" ]; then rm -f "$folder/mode.txt"; return 0; fi
  mkdir -p "$folder"
  echo "$1" >"$folder/mode.txt"
}
