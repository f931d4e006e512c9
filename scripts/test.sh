#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# The test servers are installed now: the tests over every server take them all (the list is
# made when the tests are built), and one that cannot start fails its tests.
export VANTREL_TEST_SERVERS_REQUIRED=1
bash scripts/build.sh
# The packages of a real window are installed now: the real-window test must run, not skip.
export VANTREL_REAL_WINDOW_REQUIRED=1
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j "$(nproc)" --timeout 300
# The Debian package; installed (and removed again) where this runs as root on Debian.
if [ "$(id -u)" -eq 0 ] && [ -f /etc/debian_version ]; then
  bash scripts/package.sh --install
else
  bash scripts/package.sh
fi
# The suite again under ASan and UBSan, then every fuzz target for 30 s (all at once).
bash scripts/sanitize.sh
bash scripts/fuzz.sh 30
