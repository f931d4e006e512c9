#!/usr/bin/env bash
# Builds the programs and every test with AddressSanitizer and UndefinedBehaviorSanitizer (g++)
# in build-asan/ and runs the whole suite there. Any report fails its test: UBSan stops at the
# first fault, ASan at the first bad access, LeakSanitizer when the test exits.
set -euo pipefail
cd "$(dirname "$0")/.."

# Exported before the build too: test discovery runs the test binaries.
export ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREL_SANITIZE=ON "$@" >/dev/null
ninja -C build-asan
ctest --test-dir build-asan --output-on-failure -j "$(nproc)" --timeout 300
