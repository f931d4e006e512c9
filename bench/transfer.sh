#!/usr/bin/env bash
# Transfer benchmark: Trevask against curl and lftp on a loopback vsftpd (active mode), data on
# tmpfs. Not a test; CI does not run it.
# Usage: bash bench/transfer.sh [--runs N] [--size-mib N] [--repeat N] [--files N] [--only 1,3]
#                               [--load quiet|busy|both] [--load-cores N] [--time-wait wait|count]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
missing=()
for p in vsftpd curl lftp; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi
# Only the runner: the benchmark needs nothing else, and a half-built test elsewhere cannot stop it.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build Trevask >/dev/null
exec /usr/bin/python3 bench/transfer_bench.py --trevask build/bin/Trevask "$@"
