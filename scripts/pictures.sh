#!/usr/bin/env bash
# The README's pictures, made anew under Wine on a virtual display beside the demo taskbar:
# the readings (all on) on a dark and a light taskbar, the open menu in both themes, and the
# settings window. Written to docs/.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"

bash "$KESTRUNE_ROOT/scripts/install-deps.sh"
ensure_locale
select_arch
build_project >/dev/null

trap stop_all EXIT
start_xvfb 85
ensure_prefix
install_wmic_standin
start_wineserver

drive=$WINEPREFIX/drive_c
docs=$KESTRUNE_ROOT/docs
mkdir -p "$docs" "$drive/kestrune-wmic"
echo "table 71" >"$drive/kestrune-wmic/mode.txt"  # the CPU reading shows 29%
printf '[CPU]\r\n开关=1\r\n[内存]\r\n开关=1\r\n' | iconv -f UTF-8 -t GBK >"$drive/Program Files (x86)/Kestrune.ini"
width=$(xwininfo -root | awk '/Width:/ {print $2}')
height=$(xwininfo -root | awk '/Height:/ {print $2}')

# Around the readings: a stretch of taskbar with the notification area; taller with the menu.
shot() {  # file, height above the taskbar's bottom
  import -window root -crop "460x$2+$((width - 460))+$((height - $2))" +repage "$docs/$1"
  convert "$docs/$1" -scale 200% "$docs/$1"
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
  sleep 5  # a CPU sample and a refresh
  shot "readings-$theme.png" 60
  wine_run "$BUILD_DIR/tools/ui_poke.exe" menu >/dev/null 2>&1
  sleep 1
  shot "menu-$theme.png" 170
  if [ "$theme" = dark ]; then
    wine_run "$BUILD_DIR/tools/ui_poke.exe" settings >/dev/null 2>&1
    sleep 1
    import -window root -crop 310x160+40+40 +repage "$docs/settings.png"
  fi
  kill "$program" "$taskbar" 2>/dev/null || true
  wait "$program" "$taskbar" 2>/dev/null || true
done
wine_run reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize' \
  /v SystemUsesLightTheme /f >/dev/null 2>&1 || true
rm -f "$drive/Program Files (x86)/Kestrune.ini" "$drive/kestrune-wmic/mode.txt"
ls "$docs"/*.png
