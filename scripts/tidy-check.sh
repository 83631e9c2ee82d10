#!/usr/bin/env bash
# Runs clang-tidy with the checks in .clang-tidy over the C++ files this
# branch changes against its merge base with origin/main (a changed header
# brings in the source file of the same name); with no such merge base there
# is nothing to check. Any finding fails.
#   scripts/tidy-check.sh [--all] [BUILD_DIR]
# --all checks every compiled file of the tree. BUILD_DIR (default build/)
# holds compile_commands.json; KV_TIDY_BASE names another base than
# origin/main; KV_JOBS sets the number of parallel runs; KV_TIDY_MAX caps the
# number of changed files checked (see below).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
ALL=0
if [ "${1:-}" = "--all" ]; then ALL=1; shift; fi
BUILD_DIR="$(cd "${1:-${KV_BUILD_DIR:-$ROOT/build}}" && pwd)"
JOBS="${KV_JOBS:-$(nproc)}"
TIDY="$(command -v clang-tidy || command -v clang-tidy-14 || true)"
[ -n "$TIDY" ] || { echo "tidy check: clang-tidy not found (package clang-tidy)" >&2; exit 1; }
[ -f "$BUILD_DIR/compile_commands.json" ] || { echo "tidy check: no compile_commands.json in $BUILD_DIR" >&2; exit 1; }

# The files the compile database knows, relative to the root.
mapfile -t compiled < <(python3 - "$BUILD_DIR/compile_commands.json" "$ROOT" <<'PY'
import json, os, sys
root = os.path.realpath(sys.argv[2]) + os.sep
for entry in json.load(open(sys.argv[1])):
    path = os.path.realpath(os.path.join(entry["directory"], entry["file"]))
    if path.startswith(root) and not path.startswith(os.path.realpath(os.path.dirname(sys.argv[1])) + os.sep):
        print(path[len(root):])
PY
)

files=()
if [ "$ALL" = 1 ]; then
  files=("${compiled[@]}")
else
  base_ref="${KV_TIDY_BASE:-origin/main}"
  if ! base="$(git -C "$ROOT" merge-base HEAD "$base_ref" 2>/dev/null)"; then
    echo "tidy check: no merge base with $base_ref, nothing to check"
    exit 0
  fi
  declare -A wanted=()
  while IFS= read -r f; do
    case "$f" in
      *.cpp) wanted["$f"]=1 ;;
      *.h) wanted["${f%.h}.cpp"]=1 ;;
    esac
  done < <(git -C "$ROOT" diff --name-only --diff-filter=d "$base" -- '*.cpp' '*.h')
  for f in "${compiled[@]}"; do
    [ -n "${wanted[$f]:-}" ] && files+=("$f")
  done
fi
if [ ${#files[@]} -eq 0 ]; then
  echo "tidy check: no changed C++ files to check"
  exit 0
fi
# About 15 s a file: a change of more than KV_TIDY_MAX files (default 40) is
# left to a run of its own (--all, or KV_TIDY_MAX=0 for no limit), so that CI
# stays within its time.
max="${KV_TIDY_MAX:-40}"
if [ "$ALL" = 0 ] && [ "$max" -gt 0 ] && [ ${#files[@]} -gt "$max" ]; then
  echo "tidy check: ${#files[@]} changed files, more than $max: skipped (run scripts/tidy-check.sh --all)"
  exit 0
fi

echo "tidy check: $(basename "$TIDY") on ${#files[@]} files, $JOBS at a time"
# The compiler's own warnings are gcc's business (and -Werror is for gcc):
# clang-tidy reports only its checks.
cd "$ROOT"
printf '%s\0' "${files[@]}" |
  xargs -0 -n 1 -P "$JOBS" "$TIDY" -p "$BUILD_DIR" --quiet \
    --extra-arg=-Wno-unknown-warning-option --extra-arg=-Wno-error 2>/dev/null || {
  echo "tidy check: findings above (checks in .clang-tidy)" >&2
  exit 1
}
echo "tidy check passed"
