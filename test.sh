#!/usr/bin/env bash
# Installs what is missing (test tools included), builds, and runs the whole
# test suite.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh --tests
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --parallel
cd build
ctest --output-on-failure --timeout 600 "$@"
