#!/usr/bin/env bash
# The release package: builds, then makes build/package/Kestrune-VERSION-win32.zip with the
# executable, README.md and LICENSE, and prints its SHA-256.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"

bash "$KESTRUNE_ROOT/scripts/install-deps.sh"
build_project >/dev/null
rm -rf "$BUILD_DIR/package"
(cd "$BUILD_DIR" && cpack --config CPackConfig.cmake >/dev/null)
package=$(ls "$BUILD_DIR"/package/Kestrune-*-win32.zip)
sha256sum "$package"
