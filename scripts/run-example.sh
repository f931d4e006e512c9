#!/usr/bin/env bash
# Installs what is missing, builds, and runs the example script with two parameters.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
mkdir -p build/bin/Scripts
cp examples/Scripts/*.ftp build/bin/Scripts/
build/bin/Trevask build/bin/Scripts/Example.ftp first "second parameter"
echo "History file: build/bin/Scripts/Example.History.txt"
