#!/usr/bin/env bash
# Builds the engine, controller and worker tests with ThreadSanitizer in
# their own build directory and runs them; fails on any report that
# tools/tsan.supp does not suppress (Qt's and FFmpeg's internals only).
#
#   KOLVISTA_TSAN           0 skips the run (default 1)
#   KOLVISTA_TSAN_BUILD_DIR build directory (default build-tsan)
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${KOLVISTA_TSAN:-1}" = 0 ]; then
  echo "run-tsan: skipped (KOLVISTA_TSAN=0)"
  exit 0
fi
build=${KOLVISTA_TSAN_BUILD_DIR:-build-tsan}

cmake -S . -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKOLVISTA_WERROR=ON \
  -DKOLVISTA_TSAN=ON \
  -DKOLVISTA_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target engine_tests playback_tests app_tests

# Accesses made inside uninstrumented libraries (Qt, FFmpeg, GLib) are not
# reported; the synchronisation they do through pthreads still counts. The
# end-to-end command tests start python3 through QProcess, whose child only
# calls exec: it may start after the test's threads exist.
export TSAN_OPTIONS="suppressions=$(pwd)/tools/tsan.supp ignore_noninstrumented_modules=1 halt_on_error=1 second_deadlock_stack=1 die_after_fork=0 ${TSAN_OPTIONS:-}"
export TZ=JST-9 QT_QPA_PLATFORM=offscreen

status=0
run() {
  local name=$1
  shift
  echo "run-tsan: $name $*"
  # A hang ends the run after 20 minutes instead of holding CI.
  if ! timeout --signal=ABRT --kill-after=30 1200 "$build/tests/$name" "$@" >"$build/$name.log" 2>&1; then
    echo "run-tsan: $name FAILED, log $build/$name.log:"
    grep -A60 -m1 'WARNING: ThreadSanitizer' "$build/$name.log" || tail -n 60 "$build/$name.log"
    status=1
  fi
}
run engine_tests
run playback_tests
# The app tests whose commands run on worker threads.
run app_tests --gtest_filter='FileCommands*:OperationFrame*:PlaybackIntegration*:PrivateTrash*'
exit $status
