#!/usr/bin/env bash
# Scale benchmark: Trevask's time and peak memory for tenfold steps of logged lines, variables,
# line length and listing entries, with the growth per step and the targets MET or MISSED.
# Not a test; CI does not run it.
# Usage: bash bench/scale.sh [--runs N] [--only 1,3]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# Only the runner: the benchmark needs nothing else, and a half-built test elsewhere cannot stop it.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build Trevask >/dev/null
exec /usr/bin/python3 bench/scale_bench.py --trevask build/bin/Trevask "$@"
