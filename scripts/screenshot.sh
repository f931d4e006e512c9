#!/usr/bin/env bash
# Remakes docs/editor.png, the README's picture of the editor, in a real X server (Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build editor_screenshot >/dev/null
display=:$((90 + RANDOM % 400))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
# The editor registers its file type and keeps its settings in the home folders: a private one.
home=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$home"' EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
unset QT_QPA_PLATFORM
HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share DISPLAY=$display \
  build/docs/editor_screenshot examples/Scripts/FtpExample.ftp docs/editor.png
echo "docs/editor.png"
