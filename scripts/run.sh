#!/usr/bin/env bash
# Installs what is missing, builds a Release build and starts Korvex Vantar.
#   scripts/run.sh [FILE...] [-- FILE...]
# Without a display set KV_OFFSCREEN=1 to run on the offscreen platform.
# KV_JOBS sets the number of build jobs (default: every core).
source "$(dirname "$0")/common.sh"
ensure_packages
build korvex-vantar  # the program alone: tests and benchmarks are built by test.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  if [ "${KV_OFFSCREEN:-0}" = "1" ]; then
    export QT_QPA_PLATFORM=offscreen
  else
    echo "No display found: set DISPLAY, or run with KV_OFFSCREEN=1 to start without one." >&2
    exit 1
  fi
fi
step "Starting $BUILD_DIR/bin/korvex-vantar${QT_QPA_PLATFORM:+ on the $QT_QPA_PLATFORM platform}"
exec "$BUILD_DIR/bin/korvex-vantar" "$@"
