#!/usr/bin/env bash
# Installs what is missing, builds everything with warnings as errors and
# ASan + UBSan, and runs every test; then fuzzes every parser for a while
# (tools/run-fuzz.sh; KOLVISTA_FUZZ_SECONDS=0 skips it) and runs the threaded
# tests under ThreadSanitizer (tools/run-tsan.sh; KOLVISTA_TSAN=0 skips it).
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh

build=${KOLVISTA_BUILD_DIR:-build-tests}
cmake -S . -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKOLVISTA_WERROR=ON \
  -DKOLVISTA_SANITIZE=ON >/dev/null
cmake --build "$build" -j"$(nproc)"

(
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
  # The sound tests' audio device (a PulseAudio null sink), stopped after ctest.
  sink=$(bash tools/start-audio-sink.sh "$build")
  eval "$sink"
  trap "cd '$PWD' && bash tools/start-audio-sink.sh --stop '$build'" EXIT
  cd "$build"
  # A test registered without a time limit of its own still ends after 10 minutes.
  ctest --output-on-failure --timeout 600 -j"$(nproc)"
)

bash tools/run-fuzz.sh
bash tools/run-tsan.sh
