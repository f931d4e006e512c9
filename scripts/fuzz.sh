#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) in
# build-fuzz/ and runs every target at once, each for a fixed time, from its seed corpus.
#   scripts/fuzz.sh [SECONDS per target, default 30] [TARGET...]
# Prints executions and findings per target; exits 1 when any target found a crash, a hang, a
# memory blow-up or a broken property. The input that did it is kept in build-fuzz/findings/TARGET/;
# to keep it as a regression seed, copy it to tests/fuzz/findings/TARGET/ once it is mended.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(listing listing_words mathparser substitution script_load arguments ftp_reply input_words desktop_entry lzb1 list_file line_ends)

flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="$flags" >/dev/null
ninja -C build-fuzz fuzz_targets >/dev/null

export ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
out=build-fuzz/runs
mkdir -p "$out"
pids=()
for t in "${targets[@]}"; do
  mkdir -p "build-fuzz/corpus/$t" "build-fuzz/findings/$t"
  extra=()
  [ -f "tests/fuzz/dict/$t.dict" ] && extra+=(-dict="tests/fuzz/dict/$t.dict")
  [ -d "tests/fuzz/findings/$t" ] && extra+=("tests/fuzz/findings/$t")
  # New inputs go to build-fuzz/corpus (first folder); the seeds in the repository are only read.
  "build-fuzz/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="build-fuzz/findings/$t/" "build-fuzz/corpus/$t" "tests/fuzz/corpus/$t" "${extra[@]}" \
    >"$out/$t.log" 2>&1 &
  pids+=($!)
done

failed=0
passed=0
for i in "${!targets[@]}"; do
  t=${targets[$i]}
  status=0
  wait "${pids[$i]}" || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/$t.log" | tail -1)
  if [ "$status" -eq 0 ]; then
    echo "fuzz $t: ${runs:-?} executions in ${seconds}s, no finding"
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "fuzz $t: FINDING after ${runs:-?} executions (exit $status); input in build-fuzz/findings/$t/:"
    grep -E "ERROR: |runtime error|property broken|Test unit written" "$out/$t.log" | head -5 | sed 's/^/  /'
    echo "  full log: $out/$t.log"
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
