#!/usr/bin/env bash
# The key soak built with clang, AddressSanitizer and UndefinedBehaviorSanitizer
# (in the fuzz targets' build folder, which fuzz/smoke.sh configures), run
# with the given number of key events.
#
#   tests/shell/keysoak_sanitized.sh [KEYS, default 10000] [SEED]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${VORKANA_FUZZ_BUILD:-build-fuzz}
if [ ! -f "$build/CMakeCache.txt" ]; then
  compiler=$(command -v clang++-14 || command -v clang++)
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$compiler" \
    -DVORKANA_FUZZ=ON >/dev/null
fi
cmake --build "$build" --target keysoak soundbank --parallel "${VORKANA_FUZZ_JOBS:-2}"
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=none PULSE_SERVER=unix:/nonexistent
export SPEECHD_ADDRESS=unix_socket:/nonexistent
# AddressSanitizer keeps freed memory aside to catch a use after free; while
# that quarantine fills, the allocator's heap grows though the program's own
# heap does not (about 8 MB live throughout a long soak), and the soak's
# check of resident memory would see a leak that is not there: with 16 MB
# the heap still grew by 20 MB between 10 000 and 30 000 events. 4 MB
# fills within the first few thousand and still holds every block freed
# within the last many events, where a use after free shows. Freed pages
# of the allocator go back to the system as well, as the program's own
# allocator gives them back.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:quarantine_size_mb=4:allocator_release_to_os_interval_ms=500
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
exec "$build/tests/shell/keysoak" "${1:-10000}" "$build/app" ${2:+"$2"}
