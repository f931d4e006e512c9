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
