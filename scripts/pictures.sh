#!/usr/bin/env bash
# Remakes the README's pictures in docs/ in a real X server (Xvfb): the editor's main window, the
# scripting wizard, the about box (docs/pictures.cpp) and the runner's window during a run of a
# small script against a loopback FTP server (taken from the screen with ImageMagick's import).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build pictures Trevask >/dev/null
work=$(mktemp -d)
source scripts/xvfb.sh
start_xvfb
trap 'kill $xvfb ${ftpd_pid:-} 2>/dev/null || true; rm -rf "$work"' EXIT
# The editor registers its file type and keeps its settings in the home folders: a private one.
unset QT_QPA_PLATFORM
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
mkdir -p "$HOME"
build/docs/pictures examples/Scripts/FtpExample.ftp docs

# The runner's window: a download, then a program it waits for while the window is taken.
mkdir -p "$work/ftp" "$work/local"
printf 'Read me first.\n' >"$work/ftp/readme.txt"
coproc FTPD { exec /usr/bin/python3 tests/support/servers/ftpserver.py --root "$work/ftp" \
                --user tester --password s3cret 2>/dev/null; }
ftpd_pid=$FTPD_PID
read -r -t 20 -u "${FTPD[0]}" ftp_port
printf '%s\r\n' '; the picture of the runner' 'Host="127.0.0.1"' "Port=\"$ftp_port\"" 'User="tester"' \
  'Password="s3cret"' 'connect' 'dir' "get \"readme.txt\" \"$work/local/readme.txt\"" 'LOCAL-EXECANDWAIT "/bin/sleep 3"' \
  'disconnect' >"$work/Picture.ftp"
build/bin/Trevask "$work/Picture.ftp" >/dev/null &
runner=$!
for _ in $(seq 100); do [ -e "$work/local/readme.txt" ] && break; sleep 0.1; done
sleep 1
import -window "Script Vantrel" docs/runner.png
wait $runner
echo "docs/editor.png docs/wizard.png docs/about.png docs/runner.png"
