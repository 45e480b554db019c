#!/usr/bin/env bash
# Every include points down: a source folder includes only from itself and
# the folders below it, so no subsystem depends on one that is built on it.
set -u
cd "$1"
layers=(runtime platform program basic sound speech braille ui shell)
failures=0
for index in "${!layers[@]}"; do
  folder=${layers[$index]}
  for higher in "${layers[@]:index+1}"; do
    while IFS= read -r line; do
      echo "FAIL: $line includes from $higher/, which sits above $folder/"
      failures=$((failures + 1))
    done < <(grep -Hn "^#include \"$higher/" "$folder"/*.h "$folder"/*.cpp 2>/dev/null)
  done
done
exit $((failures > 0))
