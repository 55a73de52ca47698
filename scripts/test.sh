#!/usr/bin/env bash
# The test command: installs what is missing, builds, and runs every test under Wine on a
# virtual display of its own. Arguments go to CTest (for example -R unit_tests); the fuzz targets
# are built by CTest's fuzz_build test, only when a fuzz run is among the tests chosen.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"

prepare_build --show-build
if [ "$KESTRUNE_ARCH" != i686 ]; then
  # What ships must still build, even where its tests cannot run.
  build_shipped_product >/dev/null
  echo "built the shipped 32-bit program in $SHIPPED_BUILD_DIR; its tests were not run (x86_64 build tested instead)"
fi

start_wine_session

cd "$BUILD_DIR"
ctest --output-on-failure "$@"
