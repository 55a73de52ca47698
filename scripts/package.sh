#!/usr/bin/env bash
# The release package: builds the shipped 32-bit program (tests off, in a folder of its own), then
# makes build/release-i686/package/Kestrune-VERSION-win32.zip with the executable, README.md and
# LICENSE, and prints its SHA-256. Needs no Wine: it builds the same on every host.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"

install_deps
build_shipped_product >/dev/null
exe=$SHIPPED_BUILD_DIR/kestrune.exe
format=$({ i686-w64-mingw32-objdump -f "$exe" 2>/dev/null || true; } | sed -n 's/.*file format //p')
if [ "$format" != pei-i386 ]; then
  echo "refusing to package $exe: its format is '${format:-not one the 32-bit objdump knows}', not the 32-bit pei-i386 that ships" >&2
  exit 1
fi
rm -rf "$SHIPPED_BUILD_DIR/package"
(cd "$SHIPPED_BUILD_DIR" && cpack --config CPackConfig.cmake >/dev/null)
package=$(ls "$SHIPPED_BUILD_DIR"/package/Kestrune-*-win32.zip)
sha256sum "$package"
