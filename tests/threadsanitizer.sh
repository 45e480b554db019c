#!/usr/bin/env bash
# The speech and sound tests, where the program's threads meet (the mixer
# and the sound server's thread, the voices' workers and the GUI thread),
# built with gcc's ThreadSanitizer in a build folder of their own and run
# with the real services. Fails on any report but those
# tests/threadsanitizer.supp explains.
#
#   tests/threadsanitizer.sh [build folder, default build-tsan]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-tsan}
tests=(runtime/runtime_tests speech/speech_service_tests speech/speech_engine_tests speech/speech_form_tests sound/sound_device_tests
  sound/sound_form_tests)
# gcc's: clang 14's ThreadSanitizer ends the process when a test starts a
# service. A compiler named on a configured folder would empty its cache.
[ -f "$build/CMakeCache.txt" ] || CXX=g++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake "$build" -DVORKANA_TSAN=ON >/dev/null
grep -q -- '-fsanitize=thread' "$build/build.ninja" || { echo "threadsanitizer: $build is not built with it" >&2; exit 1; }
cmake --build "$build" --target "${tests[@]##*/}" --parallel "${VORKANA_TSAN_JOBS:-2}"

export QT_QPA_PLATFORM=offscreen
export TSAN_OPTIONS="suppressions=$PWD/tests/threadsanitizer.supp halt_on_error=0 exitcode=66 second_deadlock_stack=1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
for test in "${tests[@]}"; do
  name=${test##*/}
  status=0
  timeout 900 "$build/tests/$test" >"$work/$name.log" 2>&1 || status=$?
  reports=$(grep -c '^WARNING: ThreadSanitizer' "$work/$name.log" || true)
  echo "$name: exit status $status, $reports reports"
  if [ "$status" -ne 0 ] || [ "$reports" -ne 0 ]; then
    grep -E -A40 '^WARNING: ThreadSanitizer|FAILED' "$work/$name.log" | head -n 200
    failed=1
  fi
done
[ "$failed" -eq 0 ] && echo "threadsanitizer: clean"
exit "$failed"
