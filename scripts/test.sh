#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. KV_JOBS sets the
# number of build and test jobs (default: every core). In CI (CI set) the
# build treats warnings as errors and clang-tidy checks the files changed
# since the last commit CI saw green (.ci/tidy-base; see scripts/tidy-check.sh).
source "$(dirname "$0")/common.sh"
in_ci && PACKAGES+=(clang-tidy)
ensure_packages
build
if in_ci; then
  step "clang-tidy on the files changed since the last green commit (.ci/tidy-base)"
  KV_JOBS="$JOBS" bash "$ROOT/scripts/tidy-check.sh" "$BUILD_DIR"
fi
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
cd "$BUILD_DIR"
step "Running every test (ctest, $JOBS at a time; the install check among them)"
ctest --output-on-failure --parallel "$JOBS"
