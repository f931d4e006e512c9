#!/usr/bin/env bash
# LZB1 codec benchmark: compressed streams written and read from memory (text, image-like and
# random data), against 50 MB/s each way. Not a test; CI does not run it. Usage: bash bench/codec.sh
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build codec_bench >/dev/null
exec build/bench/codec_bench
