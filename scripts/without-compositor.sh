#!/usr/bin/env bash
# Runs a command with the session's compositing manager stopped, and starts it again afterwards:
#   without-compositor.sh COMMAND ARGS...
# For the tests of what covers what: with a compositor, Wine raises a window over any other
# wherever the X server reports part of it exposed, and a colour-keyed window is reported exposed
# whenever its text changes, whatever lies over it (Windows orders windows by their calls alone).
# Outside a session of the scripts (no compositor of ours) the command simply runs.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
if [ -z "${KESTRUNE_COMPOSITOR_PID_FILE:-}" ] || [ ! -s "$KESTRUNE_COMPOSITOR_PID_FILE" ]; then
  exec "$@"
fi
stop_compositor || exit 1
"$@"
status=$?
start_compositor || status=1
exit $status
