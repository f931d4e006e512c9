#!/usr/bin/env bash
# Transfer benchmark: Trevask against curl and lftp on a loopback vsftpd (active mode), data on
# tmpfs. Not a test; CI does not run it. Usage: bash bench/transfer.sh [--runs N] [--size-mib N]
set -euo pipefail
cd "$(dirname "$0")/.."
missing=()
for p in vsftpd curl lftp python3; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi
bash scripts/build.sh >/dev/null
exec /usr/bin/python3 bench/transfer_bench.py --trevask build/bin/Trevask "$@"
