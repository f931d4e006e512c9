#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the example need, asking apt only for
# what is missing.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev libgl-dev
  libgtest-dev libgmock-dev
  clang libclang-rt-14-dev
  python3 python3-pyftpdlib python3-aiosmtpd vsftpd
  libmemcached11 libmemcachedutil2 libpcre2-posix3
  time dpkg-dev file
  xdg-utils shared-mime-info desktop-file-utils libglib2.0-bin libfile-mimeinfo-perl librsvg2-bin
  xvfb xauth dbus at-spi2-core python3-pyatspi twm
  poppler-utils imagemagick x11-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# proftpd and pure-ftpd serve the tests too, but their packages conflict with vsftpd's (all
# provide ftp-server): their .debs are kept in a cache and unpacked where the test servers look
# (tests/support/servers/ftpdaemon.py); their libraries come installed from the list above.
unpacked_packages=(proftpd-core pure-ftpd pure-ftpd-common)
if [ -n "${VANTREL_TEST_SERVERS:-}" ]; then
  servers=$VANTREL_TEST_SERVERS
elif [ "$(id -u)" -eq 0 ]; then
  servers=/var/cache/vantrel/test-servers
else
  servers=${XDG_CACHE_HOME:-$HOME/.cache}/vantrel/test-servers
fi
mkdir -p "$servers/debs"
candidates() {
  wanted=""
  for p in "${unpacked_packages[@]}"; do
    wanted+="$p=$(apt-cache policy "$p" | sed -n 's/^ *Candidate: //p') "
  done
}
candidates
case "$wanted" in *"= "*|*"=(none) "*) apt-get update -qq; candidates ;; esac
if [ "$(cat "$servers/unpacked" 2>/dev/null)" != "$wanted" ]; then
  echo "Unpacking into $servers: ${unpacked_packages[*]}"
  rm -rf "$servers/root" "$servers/debs"/*.deb
  # As root apt would hand the download to its _apt user, who may not write this folder.
  (cd "$servers/debs" && apt-get download -qq -o APT::Sandbox::User=root "${unpacked_packages[@]}")
  for deb in "$servers/debs"/*.deb; do dpkg-deb -x "$deb" "$servers/root"; done
  echo "$wanted" > "$servers/unpacked"
fi
