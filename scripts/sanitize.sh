#!/usr/bin/env bash
# Installs what is missing, builds every test under AddressSanitizer and
# UndefinedBehaviorSanitizer in build-sanitize/, and runs them all.
source "$(dirname "$0")/common.sh"
ensure_packages
cd "$ROOT"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize --parallel "$(nproc)"
ctest --preset sanitize --parallel "$(nproc)"
