#!/usr/bin/env bash
# Installs a build into a temporary prefix, stripped as distributions' packages
# are, and checks it as a Linux desktop would use it: the files in their
# places, the desktop entry valid, every installed module used once (a Tidy
# check, a PDF printed, a host looked up, the preview's view made), and the
# installed program starting (on the offscreen platform) with its data from
# the installation and its per-user files in the user's own folder.
#   scripts/install-check.sh [BUILD_DIR]
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="$(cd "${1:-${KV_BUILD_DIR:-$ROOT/build}}" && pwd)"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
PREFIX="$WORK/prefix"

fail() { echo "install check: $*" >&2; exit 1; }

echo "== installing $BUILD_DIR into $PREFIX (stripped)"
cmake --install "$BUILD_DIR" --prefix "$PREFIX" --strip >"$WORK/install.log" || { cat "$WORK/install.log" >&2; fail "cmake --install failed"; }

echo "== checking the installed files"
for f in bin/korvex-vantar bin/kvx-tidy lib/korvex-vantar/webengine-view.so lib/korvex-vantar/net-module.so \
         lib/korvex-vantar/print-module.so lib/korvex-vantar/tidy-module.so \
         "share/korvex-vantar/Language Modules/english.lms" share/korvex-vantar/Help/english.html \
         share/applications/korvex-vantar.desktop share/icons/hicolor/scalable/apps/korvex-vantar.svg \
         share/icons/hicolor/16x16/apps/korvex-vantar.png share/icons/hicolor/48x48/apps/korvex-vantar.png \
         share/icons/hicolor/256x256/apps/korvex-vantar.png; do
  [ -f "$PREFIX/$f" ] || fail "missing $f"
done
[ -x "$PREFIX/bin/korvex-vantar" ] || fail "bin/korvex-vantar is not executable"
[ ! -e "$PREFIX/share/korvex-vantar/icons" ] || fail "the icons belong in share/icons, not in the program's data"

echo "== using every installed module once"
MODULES="$PREFIX/lib/korvex-vantar"
if command -v readelf >/dev/null; then
  for m in "$MODULES"/*.so; do
    ! readelf -SW "$m" | grep -q ' \.symtab ' || fail "$(basename "$m") was installed with its symbol table: not stripped"
  done
fi
CHECK="$BUILD_DIR/tools/installed-modules-check"
[ -x "$CHECK" ] || fail "$CHECK is missing (it is built with the tests)"
QT_QPA_PLATFORM=offscreen timeout 120 "$CHECK" "$MODULES" "$WORK" >"$WORK/modules.log" 2>&1 \
  || { cat "$WORK/modules.log" >&2; fail "an installed module could not be used"; }
grep '^[a-z-]*: used$' "$WORK/modules.log"

echo "== desktop-file-validate"
command -v desktop-file-validate >/dev/null || fail "desktop-file-validate not found (package desktop-file-utils)"
ENTRY="$PREFIX/share/applications/korvex-vantar.desktop"
desktop-file-validate "$ENTRY" || fail "the desktop entry is not valid"
grep -qx 'Exec=korvex-vantar %F' "$ENTRY" || fail "Exec is not 'korvex-vantar %F'"
grep -qx 'Icon=korvex-vantar' "$ENTRY" || fail "Icon is not korvex-vantar"
for t in text/html application/xhtml+xml text/css text/javascript application/x-php application/xml \
         application/sql text/plain; do
  grep -q "^MimeType=.*$t;" "$ENTRY" || fail "MimeType lacks $t"
done
grep -q '^Categories=.*Development;.*WebDevelopment;' "$ENTRY" || fail "Categories lack Development;WebDevelopment"

echo "== starting the installed program (offscreen, exits after its first paint)"
export HOME="$WORK/home"
export XDG_DATA_HOME="$HOME/.local/share" XDG_CONFIG_HOME="$HOME/.config" XDG_CACHE_HOME="$HOME/.cache"
export XDG_RUNTIME_DIR="$WORK/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
USER_DIR="$XDG_DATA_HOME/korvex-vantar"
SHARED="$PREFIX/share/korvex-vantar"
# The user has been here before: the module chosen, no document manager at start.
mkdir -p "$USER_DIR"
printf '[TranslationModule]\r\nPath=%s\r\n[Show]\r\nDocMan?=1\r\n' "$SHARED/Language Modules/english.lms" \
  >"$USER_DIR/settings.ini"
(cd "$SHARED" && find . | sort) >"$WORK/shared.before"
chmod -R a-w "$SHARED"
status=0
(cd "$WORK" && QT_QPA_PLATFORM=offscreen KV_EXIT_AFTER_PAINT=1 timeout 120 "$PREFIX/bin/korvex-vantar") \
  >"$WORK/run.log" 2>&1 || status=$?
chmod -R u+w "$SHARED"
[ "$status" -eq 0 ] || { cat "$WORK/run.log" >&2; fail "the installed program ended with status $status"; }
grep -q '^painted ' "$WORK/run.log" || { cat "$WORK/run.log" >&2; fail "the installed program never painted its window"; }
(cd "$SHARED" && find . | sort) >"$WORK/shared.after"
cmp -s "$WORK/shared.before" "$WORK/shared.after" || fail "the program wrote into its installed data"
[ ! -e "$PREFIX/bin/settings.ini" ] || fail "the program wrote settings beside its executable"
grep -q '^\[Help\]' "$USER_DIR/settings.ini" || fail "the program did not keep its settings in $USER_DIR"
echo "install check passed"
