#!/usr/bin/env bash
# Runs clang-tidy with the checks in .clang-tidy over the C++ files changed
# since the base: the commit named in .ci/tidy-base, the last one that CI saw
# green. Each submission's author sets it to the commit of main the
# submission starts from (git rev-parse HEAD on main before the first commit)
# in the submission's first commit; a base left behind only makes the check
# cover more. A changed source file is checked; a changed header brings in
# the source file of the same name and the compiled files that include it.
# Any finding fails.
#
# A change of more than KV_TIDY_MAX files (default 40), or one whose base is
# not in the clone, is checked as the whole tree, the changed files first,
# for at most KV_TIDY_BUDGET seconds (default 600; 0 for no limit): the
# whole tree (267 files) takes about 60 processor minutes, 30 to 40 minutes on
# 2 cores, while CI's builds and tests take a few minutes on its machine: 10 minutes
# keep it well inside. What the budget leaves unchecked is counted and named
# in the output, and passes: run --all for the rest.
#   scripts/tidy-check.sh [--all] [BUILD_DIR]
# --all checks every compiled file of the tree, without a budget. BUILD_DIR
# (default build/) holds compile_commands.json; KV_TIDY_BASE names another
# base than .ci/tidy-base; KV_JOBS sets the number of parallel runs.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
ALL=0
if [ "${1:-}" = "--all" ]; then ALL=1; shift; fi
BUILD_DIR="$(cd "${1:-${KV_BUILD_DIR:-$ROOT/build}}" && pwd)"
JOBS="${KV_JOBS:-$(nproc)}"
MAX="${KV_TIDY_MAX:-40}"
BUDGET="${KV_TIDY_BUDGET:-600}"
for n in "$JOBS" "$MAX" "$BUDGET"; do
  case "$n" in '' | *[!0-9]*) echo "tidy check: KV_JOBS, KV_TIDY_MAX and KV_TIDY_BUDGET are numbers" >&2; exit 2 ;; esac
done
[ "$JOBS" -gt 0 ] || JOBS=1
TIDY="$(command -v clang-tidy || command -v clang-tidy-14 || true)"
[ -n "$TIDY" ] || { echo "tidy check: clang-tidy not found (package clang-tidy)" >&2; exit 1; }
[ -f "$BUILD_DIR/compile_commands.json" ] || { echo "tidy check: no compile_commands.json in $BUILD_DIR" >&2; exit 1; }

# The files the compile database knows, relative to the root.
mapfile -t compiled < <(python3 - "$BUILD_DIR/compile_commands.json" "$ROOT" <<'PY'
import json, os, sys
root = os.path.realpath(sys.argv[2]) + os.sep
build = os.path.realpath(os.path.dirname(sys.argv[1])) + os.sep
seen = set()
for entry in json.load(open(sys.argv[1])):
    path = os.path.realpath(os.path.join(entry["directory"], entry["file"]))
    if path.startswith(root) and not path.startswith(build) and path not in seen:
        seen.add(path)
        print(path[len(root):])
PY
)

# The base: a commit of this clone's history.
base_commit() {
  local base="${KV_TIDY_BASE:-}"
  if [ -z "$base" ] && [ -f "$ROOT/.ci/tidy-base" ]; then
    base="$(grep -v '^[[:space:]]*#' "$ROOT/.ci/tidy-base" | tr -d '[:space:]' || true)"
  fi
  [ -n "$base" ] || return 1
  # A shallow clone may lack it: fetch the history once, where a remote answers.
  if ! git -C "$ROOT" cat-file -e "$base^{commit}" 2>/dev/null &&
    [ "$(git -C "$ROOT" rev-parse --is-shallow-repository 2>/dev/null)" = true ]; then
    git -C "$ROOT" fetch --quiet --unshallow 2>/dev/null || true
  fi
  git -C "$ROOT" cat-file -e "$base^{commit}" 2>/dev/null || return 1
  # A base off this history (rewritten since): where the two meet.
  git -C "$ROOT" merge-base HEAD "$base" 2>/dev/null
}

files=()
whole=$ALL
if [ "$ALL" = 0 ]; then
  if base="$(base_commit)"; then
    declare -A wanted=()
    headers=()
    while IFS= read -r f; do
      case "$f" in
        *.cpp) wanted["$f"]=1 ;;
        *.h)
          wanted["${f%.h}.cpp"]=1
          headers+=("$f")
          ;;
      esac
    done < <(git -C "$ROOT" diff --name-only --diff-filter=d "$base" -- '*.cpp' '*.h')
    if [ ${#headers[@]} -gt 0 ]; then
      # The compiled files that include a changed header (by its path from the root).
      patterns=()
      for h in "${headers[@]}"; do patterns+=(-e "#include \"$h\""); done
      while IFS= read -r f; do wanted["$f"]=1; done < <(cd "$ROOT" && grep -lF "${patterns[@]}" -- "${compiled[@]}" 2>/dev/null || true)
    fi
    for f in "${compiled[@]}"; do
      [ -n "${wanted[$f]:-}" ] && files+=("$f")
    done
    echo "tidy check: ${#files[@]} compiled files changed since $(git -C "$ROOT" rev-parse --short "$base")"
    if [ ${#files[@]} -eq 0 ]; then
      echo "tidy check passed: nothing to check"
      exit 0
    fi
    if [ "$MAX" -gt 0 ] && [ ${#files[@]} -gt "$MAX" ]; then
      echo "tidy check: more than $MAX changed files: the whole tree, these first"
      whole=1
    fi
  else
    echo "tidy check: no base commit in this clone (.ci/tidy-base, KV_TIDY_BASE): the whole tree"
    whole=1
  fi
fi
if [ "$whole" = 1 ]; then
  # The changed files first, then the rest of the tree.
  declare -A listed=()
  for f in "${files[@]}"; do listed["$f"]=1; done
  for f in "${compiled[@]}"; do
    [ -z "${listed[$f]:-}" ] && files+=("$f")
  done
fi
[ "$ALL" = 1 ] && BUDGET=0
[ "$whole" = 1 ] || BUDGET=0

if [ "$BUDGET" -gt 0 ]; then
  echo "tidy check: $(basename "$TIDY") on ${#files[@]} files, $JOBS at a time, for at most $BUDGET s"
else
  echo "tidy check: $(basename "$TIDY") on ${#files[@]} files, $JOBS at a time"
fi

# Each file's findings go to a file of their own and are shown when its run
# ends, so that parallel runs do not mix their lines. The compiler's own
# warnings are gcc's business (and -Werror is for gcc): clang-tidy reports
# only its checks.
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
cd "$ROOT"
check_one() {
  local status=0
  "$TIDY" -p "$BUILD_DIR" --quiet --extra-arg=-Wno-unknown-warning-option --extra-arg=-Wno-error "$2" \
    >"$out/$1.log" 2>/dev/null || status=$?
  echo "$status" >"$out/$1.rc"
}
start=$SECONDS
started=0
for i in "${!files[@]}"; do
  if [ "$BUDGET" -gt 0 ] && [ $((SECONDS - start)) -ge "$BUDGET" ]; then break; fi
  while [ "$(jobs -rp | wc -l)" -ge "$JOBS" ]; do wait -n || true; done
  check_one "$i" "${files[$i]}" &
  started=$((started + 1))
done
wait

failed=()
for ((i = 0; i < started; i++)); do
  if [ "$(cat "$out/$i.rc" 2>/dev/null || echo 1)" != 0 ]; then
    cat "$out/$i.log"
    failed+=("${files[$i]}")
  fi
done
echo "tidy check: ${started} of ${#files[@]} files checked in $((SECONDS - start)) s"
if [ "$started" -lt ${#files[@]} ]; then
  echo "tidy check: the time budget of $BUDGET s left $((${#files[@]} - started)) files unchecked, from ${files[$started]} on (run scripts/tidy-check.sh --all)"
fi
if [ ${#failed[@]} -gt 0 ]; then
  echo "tidy check: findings above in ${failed[*]} (checks in .clang-tidy)" >&2
  exit 1
fi
echo "tidy check passed"
