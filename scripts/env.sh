# Shared environment and helpers for the build, run and test scripts: sourced, never run.
# Everything the scripts make lives in the project's own folders (build/ and .cache/).

KESTRUNE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$KESTRUNE_ROOT/build}
CACHE_DIR=${CACHE_DIR:-$KESTRUNE_ROOT/.cache}

export WINEPREFIX=${WINEPREFIX:-$CACHE_DIR/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# Code page 936 and Chinese file names need a compiled zh_CN.UTF-8 locale; Wine gets
# LC_ALL=zh_CN.UTF-8 through with_wine_locale (the shell itself keeps its own locale).
export LOCPATH=$CACHE_DIR/locale

# No Mono or Gecko: nothing here uses them, and there is no network to fetch them.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree=d;mshtml=d}

xvfb_pid=
wineserver_started=

with_wine_locale() { LC_ALL=zh_CN.UTF-8 "$@"; }

ensure_locale() {
  [ -f "$LOCPATH/zh_CN.UTF-8/LC_CTYPE" ] && return 0
  mkdir -p "$LOCPATH"
  localedef -i zh_CN -f UTF-8 "$LOCPATH/zh_CN.UTF-8" >/dev/null 2>&1 || [ -f "$LOCPATH/zh_CN.UTF-8/LC_CTYPE" ]
}

build_project() {
  cmake -S "$KESTRUNE_ROOT" -B "$BUILD_DIR" \
    -DCMAKE_TOOLCHAIN_FILE="$KESTRUNE_ROOT/cmake/toolchain-i686-mingw.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$BUILD_DIR" -j "$(nproc)"
}

# Starts an Xvfb of our own on a free display number and exports DISPLAY.
start_xvfb() {
  local n=${1:-90}
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp ${XVFB_ARGS:-} >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  local i
  for i in $(seq 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && return 0
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "Xvfb did not start on :$n" >&2
  return 1
}

# The prefix is made once; the stamp marks a prefix whose set-up finished.
ensure_prefix() {
  local stamp=$WINEPREFIX/.kestrune-ready
  [ -f "$stamp" ] && return 0
  echo "creating the Wine prefix in $WINEPREFIX (once)"
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  with_wine_locale wineboot -i >/dev/null 2>&1
  # Without a window manager Wine waits about 2 s for one whenever an active window hides.
  with_wine_locale wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  wineserver -w
  touch "$stamp"
}

# Wine's own wmic lacks the "path" form the CPU reading uses: the prefix gets the project's
# stand-in in every place a 32- or 64-bit cmd.exe looks for it.
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
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=
  fi
}
