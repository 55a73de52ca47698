#!/usr/bin/env bash
# Runs a Windows program under Wine with the project's prefix and locale; CTest's emulator.
#   wine-exec.sh [--loader=PATH] PROGRAM ARGS...   (the wine wrapper unless a loader is named)
# Wine's helper processes inherit the standard streams of the program that started them and
# outlive it: handing them CTest's pipe would keep CTest waiting, so output goes through a file.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
loader=wine
case "${1:-}" in --loader=*) loader=${1#--loader=}; shift ;; esac
# Appends to whatever overrides the test brings (CTest cannot pass a ';' inside one value).
use_loader "$loader"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
wine_run "$@" >"$log" 2>&1
status=$?
cat "$log"
exit $status
