#!/usr/bin/env bash
# The uptime soak, on demand: the program with both readings on, the menu and the settings
# window used every few seconds, for MINUTES minutes (30 by default), figures every minute.
#   scripts/soak.sh [MINUTES]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
minutes=${1:-30}

prepare_build
start_wine_session

# Straight to the terminal, a line a minute (CTest's pipe is not involved here).
wine_run "$BUILD_DIR/tools/soak_driver.exe" "$BUILD_DIR/kestrune.exe" \
  "$((minutes * 60))" 60 --check
