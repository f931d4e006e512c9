#!/usr/bin/env bash
# The editor in a real window: Xvfb, a private D-Bus session with the accessibility bus, the
# editor and runner copied into a temporary program folder, and a recording xdg-open first in
# PATH. Usage: run.sh <build bin folder>
set -euo pipefail
bin=$(realpath "$1")
# Without the packages of a real window there is nothing to drive: skipped (77), not failed.
for tool in Xvfb dbus-run-session /usr/libexec/at-spi-bus-launcher; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is missing"; exit 77; }
done
/usr/bin/python3 -c "import pyatspi" 2>/dev/null || { echo "skipped: python3-pyatspi is missing"; exit 77; }
here=$(dirname "$(realpath "$0")")
work=$(mktemp -d)
cleanup() {
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/prog/Scripts" "$work/path" "$work/home"
cp "$bin/Vantrel" "$bin/Trevask" "$work/prog/"
printf '; driven through the accessibility bus\r\nLET Greeting = "hello"\r\nLOCAL-MD "%s/made"\r\n' "$work" \
  > "$work/prog/Scripts/Driven.ftp"
cat > "$work/path/xdg-open" <<REC
#!/bin/sh
printf '%s\n' "\$1" > "$work/xdg-open.txt"
REC
chmod +x "$work/path/xdg-open"

display=:$((90 + RANDOM % 400))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done

export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export DISPLAY="$display" PATH="$work/path:$PATH" QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0
unset QT_QPA_PLATFORM
# Under the sanitizers: the X keyboard library's strndup of unterminated buffers is legal but
# trips the strict string check, and the X and D-Bus libraries keep memory until exit. Our own
# code is checked for both by the offscreen tests.
[ -n "${ASAN_OPTIONS:-}" ] && export ASAN_OPTIONS="$ASAN_OPTIONS:strict_string_checks=0:detect_leaks=0"
timeout 90 dbus-run-session -- bash -c '
  /usr/libexec/at-spi-bus-launcher --launch-immediately &
  sleep 1
  "$0/prog/Vantrel" >"$0/vantrel.log" 2>&1 &
  editor=$!
  status=0
  /usr/bin/python3 "$1/drive_editor.py" Driven.ftp "$0/prog/Scripts/Driven.History.txt" "$0/xdg-open.txt" || status=$?
  for _ in $(seq 50); do kill -0 $editor 2>/dev/null || break; sleep 0.1; done
  kill $editor 2>/dev/null && { echo "the editor did not close"; status=1; }
  [ -d "$0/made" ] || { echo "the runner did not perform the script"; status=1; }
  [ $status -eq 0 ] || { echo "--- the editor said:"; cat "$0/vantrel.log"; }
  exit $status
' "$work" "$here"
