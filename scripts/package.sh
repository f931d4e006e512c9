#!/usr/bin/env bash
# Makes the Debian package of the build (build/package/vantrel_*.deb). With --install (as root on
# Debian) it also installs it with dpkg -i, checks the installed commands and removes it again.
set -euo pipefail
cd "$(dirname "$0")/.."
rm -rf build/package
cmake --build build >/dev/null
(cd build && cpack -G DEB -B "$PWD/package" >package.log) || { cat build/package.log; exit 1; }
deb=$(ls build/package/vantrel_*.deb)
echo "Package: $deb"
[ "${1:-}" = --install ] || exit 0

dpkg -i "$deb"
trap 'dpkg -r vantrel >/dev/null' EXIT
trevask --help | grep -q "^Usage: Trevask"
[ "$(readlink -f "$(command -v vantrel)")" = /usr/lib/vantrel/Vantrel ]
[ -f /usr/share/man/man1/trevask.1 ]
desktop-file-validate /usr/share/applications/vantrel.desktop
work=$(mktemp -d)
printf 'LOCAL-MD "%s/made"\r\n' "$work" >"$work/make.ftp"
HOME="$work" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" \
  trevask "$work/make.ftp" >/dev/null
[ -d "$work/made" ] && [ -f "$work/make.History.txt" ]
rm -rf "$work"
echo "The package installs and its runner works."
