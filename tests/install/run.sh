#!/usr/bin/env bash
# Installs the build into a temporary prefix and uses what was installed as a user would: the
# layout, the links, the menu entry, the manual page, the editor's first start and the installed
# Trevask on a script against a loopback FTP server, with the program folder read-only.
# Usage: run.sh <build dir> <source dir>
set -euo pipefail
build=$1
src=$2
work=$(mktemp -d)
ftpd_pid=
editor=
cleanup() {
  [ -n "$ftpd_pid" ] && kill "$ftpd_pid" 2>/dev/null || true
  [ -n "$editor" ] && kill "$editor" 2>/dev/null || true
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; fail "install"; }

for f in lib/vantrel/Trevask lib/vantrel/Vantrel lib/vantrel/Dialer lib/vantrel/Wembic.bin lib/vantrel/WembicEP.bin \
         lib/vantrel/Scripts.txt share/man/man1/trevask.1 share/applications/vantrel.desktop \
         share/icons/hicolor/scalable/apps/vantrel.svg share/icons/hicolor/256x256/apps/trevask.png \
         share/icons/hicolor/16x16/mimetypes/application-x-ftp-scripts.png; do
  [ -f "$prefix/$f" ] || fail "$f was not installed"
done
[ "$(readlink "$prefix/bin/vantrel")" = ../lib/vantrel/Vantrel ] || fail "bin/vantrel is no link to the program folder"
[ "$(readlink "$prefix/bin/trevask")" = ../lib/vantrel/Trevask ] || fail "bin/trevask is no link to the program folder"
entry="$prefix/share/applications/vantrel.desktop"
grep -qx "Exec=$prefix/bin/vantrel" "$entry" || fail "the menu entry does not start $prefix/bin/vantrel"
grep -qx "Icon=vantrel" "$entry" || fail "the menu entry names no icon"
if command -v desktop-file-validate >/dev/null; then desktop-file-validate "$entry" || fail "menu entry"; fi
if command -v man >/dev/null; then
  page=$(MANWIDTH=80 man -l "$prefix/share/man/man1/trevask.1" 2>&1)
  for heading in SYNOPSIS "EXIT STATUS" FILES; do
    grep -q "^$heading" <<<"$page" || fail "the manual page has no $heading"
  done
  grep -q "143" <<<"$page" || fail "the manual page does not give every exit status"
fi
"$prefix/bin/trevask" --help | grep -q "^Usage: Trevask" || fail "trevask --help"

# A user of the installed programs, which nobody may write to.
chmod -R a-w "$prefix"
export HOME="$work/home" XDG_DATA_HOME="$work/home/data" XDG_CONFIG_HOME="$work/home/config" \
       XDG_STATE_HOME="$work/home/state" XDG_CACHE_HOME="$work/home/cache" QT_QPA_PLATFORM=offscreen
unset XDG_DATA_DIRS
mkdir -p "$HOME"

mkdir -p "$work/ftp" "$work/got"
head -c 100000 /dev/urandom >"$work/ftp/data.bin"
coproc FTPD { exec /usr/bin/python3 "$src/tests/support/servers/ftpserver.py" --root "$work/ftp" \
                --user tester --password s3cret 2>"$work/ftpd.log"; }
ftpd_pid=$FTPD_PID
read -r -t 20 -u "${FTPD[0]}" port || fail "the FTP server did not start: $(cat "$work/ftpd.log")"

mkdir -p "$work/scripts"
printf 'HOST=127.0.0.1\r\nPORT=%s\r\nUSER=tester\r\nPASSWORD=s3cret\r\nTIMEOUT=30\r\nBINARY\r\nCONNECT\r\nGET "data.bin" "%s"\r\nDISCONNECT\r\n' \
  "$port" "$work/got/data.bin" >"$work/scripts/get.ftp"
rc=0
timeout 120 "$prefix/bin/trevask" "$work/scripts/get.ftp" >"$work/run.log" 2>&1 || rc=$?
[ "$rc" -eq 0 ] || { cat "$work/run.log"; fail "the installed trevask exited $rc"; }
cmp -s "$work/ftp/data.bin" "$work/got/data.bin" || fail "the file did not arrive whole"
grep -q "End script get.ftp" "$work/scripts/get.History.txt" || fail "no history beside the script"

# The editor's first start: its Scripts folder and the registration go to the XDG folders.
"$prefix/bin/vantrel" >"$work/editor.log" 2>&1 &
editor=$!
for _ in $(seq 240); do
  grep -qs 'Done FTP=1' "$XDG_DATA_HOME/vantrel/Wizard.ini" && break
  kill -0 "$editor" 2>/dev/null || break
  sleep 0.5
done
kill -0 "$editor" 2>/dev/null || { cat "$work/editor.log"; fail "the installed editor ended by itself"; }
kill "$editor"
wait "$editor" 2>/dev/null || true
grep -q 'Done FTP=1' "$XDG_DATA_HOME/vantrel/Wizard.ini" || fail "the editor did not record its registration"
[ -d "$XDG_DATA_HOME/vantrel/Scripts" ] || fail "no Scripts folder in $XDG_DATA_HOME/vantrel"
grep -q "Exec=$prefix/lib/vantrel/Trevask %f" "$XDG_DATA_HOME/applications/vantrel-ftp-scripts.desktop" ||
  fail "the file type does not run the installed runner"
[ -f "$XDG_DATA_HOME/icons/hicolor/48x48/mimetypes/application-x-ftp-scripts.png" ] ||
  fail "the registration installed no icons"

# Nothing was written into the installed folder.
[ -z "$(find "$prefix" -newer "$work/install.log" ! -type d)" ] || fail "files were written into the prefix"
echo "installed programs work"
