#!/usr/bin/env bash
# Long fuzzing: every fuzz target at once for SECONDS each (default 600, ten minutes), then each
# target's executions and any crash, hang or broken property it found. Not a test; CI runs the
# short version (scripts/fuzz.sh 30). Usage: bash bench/fuzz-long.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
exec bash scripts/fuzz.sh "$seconds" "$@"
