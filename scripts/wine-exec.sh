#!/usr/bin/env bash
# Runs a Windows program under Wine with the project's prefix and locale; CTest's emulator.
# Wine's helper processes inherit the standard streams of the program that started them and
# outlive it: handing them CTest's pipe would keep CTest waiting, so output goes through a file.
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
log=$(mktemp)
LC_ALL=zh_CN.UTF-8 wine "$@" >"$log" 2>&1
status=$?
cat "$log"
rm -f "$log"
exit $status
