#!/usr/bin/env bash
# The README's pictures, made anew under Wine on a virtual display beside the demo taskbar:
# the readings (all on) on a dark and a light taskbar, the open menu in both themes, and the
# settings window. Written to docs/.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"

prepare_build
start_wine_session --display 85

drive=$WINEPREFIX/drive_c
docs=$KESTRUNE_ROOT/docs
mkdir -p "$docs"
set_tool_mode "table 71"  # the CPU reading shows 29%
write_config '[CPU]' '开关=1' '[内存]' '开关=1'
width=$(xwininfo -root | awk '/Width:/ {print $2}')
height=$(xwininfo -root | awk '/Height:/ {print $2}')

# Around the readings: a stretch of taskbar with the notification area; taller with the menu.
shot() {  # file, height above the taskbar's bottom
  import -window root -crop "460x$2+$((width - 460))+$((height - $2))" +repage "$docs/$1"
  convert "$docs/$1" -scale 200% "$docs/$1"
}

# Waits until the program shows what the next picture needs (tools/ui_poke.cpp), or gives up.
poke() {
  wine_run "$BUILD_DIR/tools/ui_poke.exe" "$1" >/dev/null 2>&1 || { echo "pictures: the program did not get to '$1'" >&2; exit 1; }
}

for theme in dark light; do
  [ "$theme" = light ] && value=1 || value=0
  wine_run reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize' \
    /v SystemUsesLightTheme /t REG_DWORD /d "$value" /f >/dev/null 2>&1
  folder=$drive/Kestrune-pictures
  rm -rf "$folder"; mkdir -p "$folder"
  cp "$BUILD_DIR/kestrune.exe" "$folder/kestrune.exe"
  wine_run "$BUILD_DIR/tools/demo_taskbar.exe" "$theme" >/dev/null 2>&1 &
  taskbar=$!
  wine_run 'C:\Kestrune-pictures\kestrune.exe' >/dev/null 2>&1 &
  program=$!
  poke readings  # docked, with a CPU sample
  shot "readings-$theme.png" 60
  poke menu
  shot "menu-$theme.png" 170
  if [ "$theme" = dark ]; then
    poke settings
    import -window root -crop 310x160+40+40 +repage "$docs/settings.png"
  fi
  kill "$program" "$taskbar" 2>/dev/null || true
  wait "$program" "$taskbar" 2>/dev/null || true
done
wine_run reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize' \
  /v SystemUsesLightTheme /f >/dev/null 2>&1 || true
write_config
set_tool_mode ""
ls "$docs"/*.png
