#!/usr/bin/env bash
# Runs a test program in a real X window under a window manager: Xvfb with twm, which minimizes
# into its icon manager and brings a window back when it is mapped again.
# Usage: run.sh <test program> [its arguments]
set -euo pipefail
program=$(realpath "$1")
shift
missing() {
  if [ -n "${VANTREL_REAL_WINDOW_REQUIRED:-}" ]; then echo "failed: $1 is missing"; exit 1; fi
  echo "skipped: $1 is missing"
  exit 77
}
for tool in Xvfb twm; do command -v "$tool" >/dev/null || missing "$tool"; done
work=$(mktemp -d)
cleanup() {
  [ -n "${wm:-}" ] && kill "$wm" 2>/dev/null || true
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

source "$(dirname "$0")/../../../../scripts/xvfb.sh"
start_xvfb "$work/xvfb.log" || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
display=$DISPLAY

# Windows are placed where they ask, without waiting for a click; the server's own font only.
cat >"$work/twmrc" <<'RC'
TitleFont "fixed"
ResizeFont "fixed"
MenuFont "fixed"
IconFont "fixed"
IconManagerFont "fixed"
RandomPlacement
UsePPosition "on"
NoGrabServer
ShowIconManager
IconifyByUnmapping
RC
HOME="$work" twm -display "$display" -f "$work/twmrc" >"$work/twm.log" 2>&1 &
wm=$!
sleep 0.5
kill -0 "$wm" 2>/dev/null || { echo "twm did not start"; cat "$work/twm.log"; exit 1; }

export DISPLAY="$display" QT_QPA_PLATFORM=xcb
unset QT_QPA_PLATFORMTHEME XDG_CURRENT_DESKTOP DESKTOP_SESSION
timeout 120 "$program" "$@"
