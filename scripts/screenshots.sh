#!/usr/bin/env bash
# Makes the README's pictures: the main window with a page in the editor and
# the same page in its preview, on a virtual X display with a window manager.
# Writes docs/screenshot-editor.png and docs/screenshot-preview.png.
source "$(dirname "$0")/common.sh"
PACKAGES+=(xdotool imagemagick openbox)
ensure_packages
build korvex-vantar kv_data kv_webengine_view

work="$(mktemp -d)"
trap 'kill "$app" "$wm" "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT
page="$work/page.html"
cp "$ROOT/data/Help/english.html" "$page"
# A program folder of its own: the first-start language question is answered
# and the document manager stays away.
cp -r "$BUILD_DIR/bin/." "$work/bin"
printf '[TranslationModule]\r\nPath=%s\r\n[Show]\r\nDocMan?=1\r\n[SHigh]\r\nEnabled=1\r\n' \
  "$work/bin/Language Modules/english.lms" > "$work/bin/settings.ini"

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x860x24 >/dev/null 2>&1 & xvfb=$!
sleep 1
DISPLAY=$display openbox >/dev/null 2>&1 & wm=$!
sleep 1
echo "== starting the program on $display"
DISPLAY=$display "$work/bin/korvex-vantar" "$page" >/dev/null 2>&1 & app=$!
sleep 4
mkdir -p "$ROOT/docs"
DISPLAY=$display import -window root "$ROOT/docs/screenshot-editor.png"
DISPLAY=$display xdotool key F9
sleep 5
DISPLAY=$display import -window root "$ROOT/docs/screenshot-preview.png"
echo "== written: docs/screenshot-editor.png docs/screenshot-preview.png"
