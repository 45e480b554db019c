#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, ASan, UBSan) and runs each one:
# first every kept regression input whole, then fuzzing from its seed corpus
# for a while. A crash, a leak, a sanitizer report, an input that takes over
# 2 s or an allocation over 256 MB fails the run.
#
#   fuzz/smoke.sh [seconds per target, default 30] [target ...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(bank brailletable charactername settings ram val codepage basic)

compiler=$(command -v clang++-14 || command -v clang++)
build=${VORKANA_FUZZ_BUILD:-build-fuzz}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$compiler" \
  -DVORKANA_FUZZ=ON >/dev/null
cmake --build "$build" --target fuzz_targets --parallel "${VORKANA_FUZZ_JOBS:-2}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# One allocation over 256 MB fails; the resident limit leaves room for
# what AddressSanitizer keeps of freed memory.
limits=(-timeout=2 -malloc_limit_mb=256 -rss_limit_mb=1024)
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

for target in "${targets[@]}"; do
  program="$build/fuzz/fuzz_$target"
  regressions=(fuzz/regressions/"$target"/*)
  if [ -e "${regressions[0]}" ]; then
    echo "== $target: ${#regressions[@]} regression inputs"
    "$program" "${limits[@]}" -artifact_prefix="$work/" "${regressions[@]}" >"$work/$target.log" 2>&1 \
      || { cat "$work/$target.log"; echo "fuzz smoke: $target fails on a kept regression input" >&2; exit 1; }
  fi
  echo "== $target: fuzzing for $seconds s"
  mkdir -p "$work/$target"
  seeds=("fuzz/corpus/$target")
  # BASIC programs start from the examples too.
  [ "$target" = basic ] && seeds+=(examples)
  "$program" "${limits[@]}" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$work/$target-" \
    "$work/$target" "${seeds[@]}" >"$work/$target.log" 2>&1 \
    || { tail -n 60 "$work/$target.log"; echo "fuzz smoke: $target failed" >&2; exit 1; }
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$work/$target.log" | sed "s/^/   /"
done
echo "fuzz smoke: all targets clean"
