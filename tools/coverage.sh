#!/usr/bin/env bash
# Line and branch coverage of src/ for the whole suite but the bench runs: a --coverage build in
# build-coverage, every test, then gcovr's summary. A guide to what the tests never reach.
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/install-deps.sh gcovr
build=build-coverage
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=--coverage \
    -DCMAKE_EXE_LINKER_FLAGS=--coverage >/dev/null
cmake --build "$build" -j"$(nproc)"
find "$build" -name '*.gcda' -delete
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" -j"$(nproc)" -LE bench --output-on-failure || true
gcovr --root . --filter 'src/' --object-directory "$build" --exclude-unreachable-branches \
    --exclude-throw-branches --print-summary --txt "$build/coverage.txt"
echo "per file: $build/coverage.txt"
