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

# OpenSMTPD serves a mail test (tests/support/servers/smtpopensmtpd.py runs its own). Its
# package would start a mail daemon on port 25, which nothing here uses: the start is refused
# while it installs, and it stays disabled. It is left out where it would replace another mail
# server (they all provide mail-transport-agent).
if ! dpkg-query -W -f='${Status}' opensmtpd 2>/dev/null | grep -q "install ok installed"; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  if apt-get install -s -qq --no-install-recommends opensmtpd | grep -q '^Remv'; then
    echo "Leaving out opensmtpd: it would replace the installed mail server"
  else
    own_policy=""
    if [ ! -e /usr/sbin/policy-rc.d ]; then
      printf '#!/bin/sh\nexit 101\n' > /usr/sbin/policy-rc.d
      chmod 755 /usr/sbin/policy-rc.d
      own_policy=1
    fi
    echo "Installing: opensmtpd"
    apt-get install -y -qq --no-install-recommends opensmtpd
    if [ -n "$own_policy" ]; then rm -f /usr/sbin/policy-rc.d; fi
    if [ -d /run/systemd/system ]; then systemctl disable --now opensmtpd || true; fi
  fi
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
