#!/usr/bin/env bash
# Installs the Debian packages the build, the run and the tests need; skips all of it when they are present.
set -euo pipefail

packages=(
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix cmake googletest
  wine wine64 wine32:i386
  xvfb xcompmgr x11-utils locales imagemagick fonts-wqy-microhei
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

run() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

echo "installing: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  run dpkg --add-architecture i386
fi
run apt-get update -qq
DEBIAN_FRONTEND=noninteractive run apt-get install -y -qq "${missing[@]}" >/dev/null
