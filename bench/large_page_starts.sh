#!/usr/bin/env bash
# Starts of the program with a large page named on its command line, as a
# user double-clicks a big file: each start a fresh process on a virtual X
# server of its own, timed until its main window is drawn (the program's paint
# probe, KV_EXIT_AFTER_PAINT=1, says when: the main window's first paint; a
# document area painted in a later pass, as that of a page on one line of
# 100 MB is, comes after it). A start whose window is not drawn
# within the time limit counts as hung: its threads' backtraces are kept
# (with gdb, where it is installed) before it is ended. The summary gives how
# many starts were drawn (goal: every one) and the times to the drawn window,
# beside the machine's load.
#   bench/large_page_starts.sh [PROGRAM]
# PROGRAM defaults to build/bin/korvex-vantar. KV_BENCH_STARTS (default 40)
# starts, KV_BENCH_PARALLEL (default 1) of them at once, a page of KV_BENCH_MB
# megabytes (default 100; markup with letters beyond ASCII and beyond the BMP,
# on lines of a normal length, or all on one line as a minified page with
# KV_BENCH_ONE_LINE=1), KV_BENCH_TIMEOUT seconds (default 60) to draw.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
PROGRAM="$(realpath "${1:-$ROOT/build/bin/korvex-vantar}")"
STARTS="${KV_BENCH_STARTS:-40}"
PARALLEL="${KV_BENCH_PARALLEL:-1}"
MB="${KV_BENCH_MB:-100}"
TIMEOUT="${KV_BENCH_TIMEOUT:-60}"
for n in "$STARTS" "$PARALLEL" "$MB" "$TIMEOUT"; do
  case "$n" in '' | *[!0-9]* | 0) echo "large_page_starts: the KV_BENCH_ settings are positive numbers" >&2; exit 2 ;; esac
done
[ -x "$PROGRAM" ] || { echo "large_page_starts: no program at $PROGRAM" >&2; exit 2; }
command -v Xvfb >/dev/null || { echo "large_page_starts: Xvfb is needed (package xvfb)" >&2; exit 2; }

WORK="$(mktemp -d)"
BIN="$(dirname "$PROGRAM")"
# The program in a folder of its own beside the executable (so that it finds
# its modules), with a language module chosen and no document manager at start.
COPY="$(mktemp -d "$BIN/large-page-XXXXXX")"
cleanup() { rm -rf "$WORK" "$COPY"; }
trap cleanup EXIT
for f in "$PROGRAM" "$BIN"/*.so; do
  [ -e "$f" ] || continue
  ln "$f" "$COPY/" 2>/dev/null || cp "$f" "$COPY/"
done
mkdir -p "$COPY/Language Modules"
cp "$BIN/Language Modules/english.lms" "$COPY/Language Modules/"
printf '[TranslationModule]\nPath=%s\n\n[Show]\nDocMan?=1\n\n[Elements]\nPath=%s\n\n[Help]\nPath=%s\n' \
  "$COPY/Language Modules/english.lms" "$COPY/elements/elements.dat" "$COPY/Help/english.html" >"$COPY/settings.ini"
EXE="$COPY/$(basename "$PROGRAM")"

PAGE="$WORK/großer Kurs ✓.html"
python3 - "$PAGE" "$MB" "${KV_BENCH_ONE_LINE:-0}" <<'PY'
import random, sys
random.seed(55)
words = ["Grüße", "façade", "naïve", "Ærøskøbing", "Ελληνικά", "Кириллица", "日本語の文章", "中文字符", "한국어",
         "עברית", "العربية", "emoji😀", "𝄞music", "Œuvre", "résumé", "São Paulo", "Zürich", "Straße", "the", "and",
         "of", "page", "course", "lesson", "link", "picture", "table", "style"]
w = lambda: random.choice(words)
target = int(sys.argv[2]) * 1024 * 1024
with open(sys.argv[1], "w", encoding="utf-8") as out:
    head = ('<!DOCTYPE html>\n<html lang="de">\n<head>\n<meta charset="utf-8">\n<title>Kursübersicht 😀</title>\n'
            '<link rel="stylesheet" href="css/style.css">\n<script src="js/app.js"></script>\n</head>\n<body>\n')
    out.write(head)
    size = len(head.encode())
    i = 0
    while size < target:
        i += 1
        block = (f'<div class="lesson" id="l{i}">\n  <h2>Lektion {i}: {w()}</h2>\n'
                 f'  <p>{" ".join(w() for _ in range(18))} <a href="lesson{i % 97}.html#s{i}">weiter →</a>'
                 f' <img src="pics/bild-{i % 13}.png" alt="Bild {w()}" width="120" height="80"></p>\n'
                 f'  <ul><li>{w()} &amp; {w()}</li><li><em>{w()}</em> <strong>{w()}</strong></li></ul>\n'
                 f'  <table><tr><td>{i}</td><td>{w()}</td></tr></table>\n</div>\n')
        if sys.argv[3] == "1":
            block = block.replace("\n", "")
        out.write(block)
        size += len(block.encode())
    out.write("</body>\n</html>\n")
PY

# One start: "<seconds to the drawn window> <load>", or "hung <load>".
one_start() {
  local i=$1 fd_file="$WORK/display.$1" out="$WORK/out.$1" xvfb pid display t0 now load result=""
  Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$fd_file" 2>/dev/null &
  xvfb=$!
  for _ in $(seq 100); do [ -s "$fd_file" ] && break; sleep 0.1; done
  display=":$(head -n 1 "$fd_file")"
  load="$(cut -d ' ' -f 1 /proc/loadavg)"
  : >"$out"
  t0=$(date +%s%N)
  DISPLAY="$display" QT_QPA_PLATFORM=xcb KV_EXIT_AFTER_PAINT=1 XDG_CACHE_HOME="$COPY/cache" \
    "$EXE" "$PAGE" >"$out" 2>/dev/null &
  pid=$!
  while [ -z "$result" ]; do
    now=$(date +%s%N)
    if grep -q '^painted ' "$out"; then
      result="$(((now - t0) / 1000000))"
    elif ! kill -0 "$pid" 2>/dev/null; then
      grep -q '^painted ' "$out" && result="$(((now - t0) / 1000000))" || result=ended
    elif [ $(((now - t0) / 1000000000)) -ge "$TIMEOUT" ]; then
      result=hung
      if command -v gdb >/dev/null; then
        gdb -p "$pid" -batch -ex "thread apply all bt" >"$KEPT/backtrace.$i.txt" 2>&1 || true
      fi
    else
      sleep 0.05  # the resolution of the times
    fi
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
  echo "$result $load" >"$WORK/result.$i"
}

KEPT="$(mktemp -d /tmp/large-page-starts-XXXXXX)"
for ((first = 1; first <= STARTS; first += PARALLEL)); do
  for ((i = first; i < first + PARALLEL && i <= STARTS; ++i)); do one_start "$i" & done
  wait
done

times=() loads=() hung=0 ended=0
for ((i = 1; i <= STARTS; ++i)); do
  read -r result load <"$WORK/result.$i"
  loads+=("$load")
  case "$result" in
    hung) hung=$((hung + 1)); echo "start $i: not drawn within $TIMEOUT s (load $load); backtraces in $KEPT/backtrace.$i.txt" ;;
    ended) ended=$((ended + 1)); echo "start $i: the program ended without drawing its window (load $load)" ;;
    *) times+=("$result"); printf 'start %d: drawn after %d.%03d s (load %s)\n' "$i" $((result / 1000)) $((result % 1000)) "$load" ;;
  esac
done
[ "$hung" -gt 0 ] || rmdir "$KEPT"
python3 - "$STARTS" "$PARALLEL" "$MB" "$TIMEOUT" "${#times[@]}" "$hung" "$ended" "${times[*]:-}" "${loads[*]}" <<'PY'
import statistics, sys
starts, parallel, mb, timeout, drawn, hung, ended = map(int, sys.argv[1:8])
times = sorted(int(t) / 1000 for t in sys.argv[8].split())
loads = [float(x) for x in sys.argv[9].split()]
print(f"Starts with a {mb} MB page on the command line, {parallel} at a time: {drawn} of {starts} drawn within "
      f"{timeout} s, {hung} hung, {ended} ended (goal: every start drawn)")
if times:
    q = statistics.quantiles(times, n=10, method="inclusive") if len(times) > 1 else [times[0]] * 9
    print(f"Time to the drawn window: min {times[0]:.2f} s, median {statistics.median(times):.2f} s, "
          f"90th percentile {q[8]:.2f} s, max {times[-1]:.2f} s; load (1 min) at the starts {min(loads):.1f} to "
          f"{max(loads):.1f} on {__import__('os').cpu_count()} cores")
PY
[ "$hung" -eq 0 ] && [ "$ended" -eq 0 ]
