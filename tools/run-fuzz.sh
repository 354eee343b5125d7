#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan, warnings as errors) in
# their own build directory and runs each for KOLVISTA_FUZZ_SECONDS seconds
# (default 60; 0 skips the run), two at a time, over its kept seed corpus
# fuzz/corpus/<target>/. Fails when a target crashes, leaks, hangs or runs out
# of memory; the input that did it is kept as
# <build>/artifacts/<target>/{crash,leak,timeout,oom}-<sha1> and the log as
# <build>/logs/<target>.log. Reproduce: <build>/fuzz/<target> <that file>.
#
# Crash inputs are kept forever: copy the file to fuzz/crashes/<target>/ (with
# the fix); the regular build's CTest test fuzz_replay.<target>
# (tests/fuzz_replay/) replays that folder and fuzz/corpus/<target>/ on every
# test run, compiled by gcc or clang, with the targets' checks.
#
# Growing the kept corpora: new inputs of a run stay in <build>/corpus/<target>/.
# Merge them into the kept corpus, which copies only those that add coverage
# (named by their SHA-1), with the max_len of the run (below):
#
#   t=repair_fuzzer
#   build-fuzz/fuzz/$t -merge=1 -max_len=65536 fuzz/corpus/$t build-fuzz/corpus/$t
#
# then check the size (du -sh --apparent-size fuzz/corpus; each target's
# files under its max_len, the whole a few MB at most) and commit fuzz/corpus/.
#
#   KOLVISTA_FUZZ_SECONDS   seconds per target (default 20, 0 = skip; longer runs by hand)
#   KOLVISTA_FUZZ_JOBS      targets run at the same time (default 2)
#   KOLVISTA_FUZZ_TARGETS   space-separated subset of targets (default: all)
#   KOLVISTA_FUZZ_BUILD_DIR build directory (default build-fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${KOLVISTA_FUZZ_SECONDS:-20}
if [ "$seconds" -le 0 ]; then
  echo "run-fuzz: skipped (KOLVISTA_FUZZ_SECONDS=$seconds)"
  exit 0
fi
jobs=${KOLVISTA_FUZZ_JOBS:-2}
build=${KOLVISTA_FUZZ_BUILD_DIR:-build-fuzz}

if [ -n "${KOLVISTA_FUZZ_TARGETS:-}" ]; then
  read -r -a targets <<<"$KOLVISTA_FUZZ_TARGETS"
else
  targets=()
  for source in fuzz/*_fuzzer.cpp; do
    targets+=("$(basename "$source" .cpp)")
  done
fi

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKOLVISTA_WERROR=ON \
  -DKOLVISTA_SANITIZE=ON \
  -DKOLVISTA_FUZZ=ON \
  -DKOLVISTA_TESTS=OFF \
  -DKOLVISTA_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

# Recordings need room for an index and a telemetry block; the other inputs
# stay at libFuzzer's default length.
max_len() {
  case "$1" in
  recording_fuzzer | repair_fuzzer) echo 65536 ;;
  telemetry_fuzzer) echo 16384 ;;
  *) echo 4096 ;;
  esac
}

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TZ=${TZ:-JST-9}

root=$(pwd)
mkdir -p "$build/logs"
run_one() {
  local target=$1
  local work="$root/$build/corpus/$target"
  local artifacts="$root/$build/artifacts/$target"
  local tmp="$root/$build/tmp/$target"
  local log="$root/$build/logs/$target.log"
  mkdir -p "$work" "$artifacts" "$root/fuzz/corpus/$target"
  rm -rf "$tmp"
  mkdir -p "$tmp"
  # New inputs go to the build's own corpus; the kept seeds are only read.
  if TMPDIR="$tmp" "$root/$build/fuzz/$target" \
    -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 \
    -max_len="$(max_len "$target")" -print_final_stats=1 \
    -artifact_prefix="$artifacts/" \
    "$work" "$root/fuzz/corpus/$target" >"$log" 2>&1; then
    echo "run-fuzz: $target ok ($(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$') runs)"
  else
    echo "run-fuzz: $target FAILED, log $log:"
    tail -n 60 "$log"
    touch "$root/$build/logs/$target.failed"
  fi
  rm -rf "$tmp"
}

rm -f "$build"/logs/*.failed
running=0
for target in "${targets[@]}"; do
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
  run_one "$target" &
  running=$((running + 1))
done
wait

failed=$(find "$build/logs" -name '*.failed' | wc -l)
if [ "$failed" -ne 0 ]; then
  echo "run-fuzz: $failed target(s) failed; inputs under $build/artifacts/"
  exit 1
fi
echo "run-fuzz: ${#targets[@]} target(s), ${seconds}s each, no failure"
