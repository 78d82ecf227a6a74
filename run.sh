#!/usr/bin/env bash
# Installs what is missing, builds a Release and starts Quillmere Log Analyzer.
# With --demo, a simulated proxy also appends to a demo log, and the program starts on it.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-release -j"$(nproc)" --target quillmere-log-analyzer conlog-sim

args=()
if [ "${1:-}" = "--demo" ]; then
    # The demo keeps statistics and settings of its own: opening its log never replaces yours.
    home="${XDG_DATA_HOME:-$HOME/.local/share}/Quillmere Log Analyzer/demo"
    demo="$home/conlog.log"
    mkdir -p "$home"
    [ -s "$demo" ] || ./build-release/tools/conlog-sim --lines 20000 --seed 1 "$demo"
    ./build-release/tools/conlog-sim --append --rate 20 "$demo" &
    sim=$!
    trap 'kill $sim 2>/dev/null' EXIT
    echo "A simulated proxy is writing to: $demo"
    export XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config"
    args=("$demo")
fi
./build-release/src/quillmere-log-analyzer "${args[@]}"
