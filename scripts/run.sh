#!/usr/bin/env bash
# The run command: installs what is missing, builds, and starts the program under Wine beside a
# demo taskbar. With DISPLAY set it runs on that display until the program ends (its menu's
# close entry, or Ctrl+C here); without one it runs on a virtual display, writes a screenshot
# to the file named by the first argument (screenshot.png in the build folder by default) and stops.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"

theme=${KESTRUNE_DEMO_THEME:-dark}

prepare_build
screenshot=${1:-$BUILD_DIR/screenshot.png}

XVFB_ARGS=-wr start_wine_session --display 70 --unless-display-set --no-tool

# The program renames its own file at start: it runs from a copy in a folder of its own.
folder=$WINEPREFIX/drive_c/Kestrune
rm -rf "$folder"
mkdir -p "$folder"
cp "$BUILD_DIR/kestrune.exe" "$folder/kestrune.exe"

wine_run "$BUILD_DIR/tools/demo_taskbar.exe" "$theme" >/dev/null 2>&1 &
wine_run 'C:\Kestrune\kestrune.exe' >/dev/null 2>&1 &
program=$!

if [ -n "$xvfb_pid" ]; then
  for _ in $(seq 50); do
    xwininfo -root -tree 2>/dev/null | grep -q 'Kestrune' && break
    sleep 0.2
  done
  sleep 2  # a few refresh ticks
  mkdir -p "$(dirname "$screenshot")"
  import -window root "$screenshot"
  echo "screenshot: $screenshot"
else
  echo "running on $DISPLAY; end it from its menu or with Ctrl+C"
  wait "$program" || true
fi
