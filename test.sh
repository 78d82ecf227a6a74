#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: first the core tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, then the whole suite (ending with its summary).
# QLA_SKIP_SANITIZE=1 skips the sanitizer pass. Ends with the size of the tests against the code.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh
./tools/check-format.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

if [ "${QLA_SKIP_SANITIZE:-0}" != 1 ]; then
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQLA_SANITIZE=ON >/dev/null
    cmake --build build-asan -j"$jobs"
    ASAN_OPTIONS=detect_leaks=0 ctest --test-dir build-asan -j"$jobs" --output-on-failure -LE 'e2e|bench|install'
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build -j"$jobs" --output-on-failure -LE bench
./tools/test-ratio.sh
