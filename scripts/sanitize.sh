#!/usr/bin/env bash
# Installs what is missing, builds every test under AddressSanitizer and
# UndefinedBehaviorSanitizer in build-sanitize/, and runs them all.
source "$(dirname "$0")/common.sh"
ensure_packages
cd "$ROOT"
step "Configuring build-sanitize (AddressSanitizer, UndefinedBehaviorSanitizer)"
cmake --preset sanitize "${CONFIGURE_ARGS[@]}" >/dev/null
step "Building every test with $JOBS jobs"
cmake --build --preset sanitize --parallel "$JOBS"
step "Running every test"
ctest --preset sanitize --parallel "$JOBS"
