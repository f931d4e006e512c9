#!/usr/bin/env bash
# The editor in a real window, driven end to end: Xvfb, a private D-Bus session with the
# accessibility bus, the editor and runner copied into a temporary program folder whose path
# holds a blank, a recording xdg-open first in PATH, and a loopback FTP server the driver starts.
# Each step leaves a screenshot in the shots folder.
# Usage: run.sh <build bin folder> <shots folder>
set -euo pipefail
bin=$(realpath "$1")
shots=$(realpath -m "$2")
# Without the packages of a real window there is nothing to drive: skipped (77), not failed,
# unless the run asks for the real window (CI does), where a missing piece is a failure.
missing() {
  if [ -n "${VANTREL_REAL_WINDOW_REQUIRED:-}" ]; then echo "failed: $1 is missing"; exit 1; fi
  echo "skipped: $1 is missing"
  exit 77
}
for tool in Xvfb dbus-run-session /usr/libexec/at-spi-bus-launcher import pdftotext xprop xwininfo; do
  command -v "$tool" >/dev/null || missing "$tool"
done
/usr/bin/python3 -c "import pyatspi, pyftpdlib" 2>/dev/null || missing "python3-pyatspi or python3-pyftpdlib"
here=$(dirname "$(realpath "$0")")
servers=$(realpath "$here/../../support/servers")
work=$(mktemp -d)
cleanup() {
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

prog="$work/Program Folder"
mkdir -p "$prog/Scripts" "$work/path" "$work/home"
cp "$bin/Vantrel" "$bin/Trevask" "$bin/Wembic.bin" "$bin/WembicEP.bin" "$prog/"
rm -rf "$shots" && mkdir -p "$shots"
# It finds no viewer for the command help, as on a bare desktop (xdg-open's status 3).
cat > "$work/path/xdg-open" <<REC
#!/bin/sh
printf '%s\n' "\$1" > "$work/xdg-open.txt"
case "\$1" in *Scripts.txt) exit 3;; esac
REC
chmod +x "$work/path/xdg-open"

source "$(dirname "$0")/../../../scripts/xvfb.sh"
start_xvfb "$work/xvfb.log" || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
display=$DISPLAY

export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export DISPLAY="$display" PATH="$work/path:$PATH" QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0
# Qt's own dialogs (a desktop's would be other windows), and no printer but the PDF file.
unset QT_QPA_PLATFORM QT_QPA_PLATFORMTHEME XDG_CURRENT_DESKTOP DESKTOP_SESSION
export CUPS_SERVER="$work/no-cups.sock"
# Under the sanitizers: the X keyboard library's strndup of unterminated buffers is legal but
# trips the strict string check, and the X and D-Bus libraries keep memory until exit. Our own
# code is checked for both by the offscreen tests.
[ -n "${ASAN_OPTIONS:-}" ] && export ASAN_OPTIONS="$ASAN_OPTIONS:strict_string_checks=0:detect_leaks=0"
timeout 150 dbus-run-session -- bash -c '
  /usr/libexec/at-spi-bus-launcher --launch-immediately &
  sleep 1
  "$1/Vantrel" >"$0/vantrel.log" 2>&1 &
  editor=$!
  status=0
  timeout 140 /usr/bin/python3 "$2/drive_editor.py" "$0" "$1" "$3" "$4" || status=$?
  for _ in $(seq 50); do kill -0 $editor 2>/dev/null || break; sleep 0.1; done
  kill $editor 2>/dev/null && { echo "the editor did not close"; status=1; }
  [ $status -eq 0 ] || { echo "--- the editor said:"; cat "$0/vantrel.log"; echo "--- screenshots in $3"; }
  exit $status
' "$work" "$prog" "$here" "$shots" "$servers"
