#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. KV_JOBS sets the
# number of build and test jobs (default: every core).
source "$(dirname "$0")/common.sh"
ensure_packages
build
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
cd "$BUILD_DIR"
step "Running every test (ctest, $JOBS at a time; the install check among them)"
ctest --output-on-failure --parallel "$JOBS"
