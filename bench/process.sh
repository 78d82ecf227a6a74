#!/bin/sh
# Counting benchmark: about 1 GB of connection log (15 million lines, 200 clients, 60 days)
# counted through LogProcessor::Process, timed against `wc -l` and bench/count.awk in mawk,
# with the counts cross-checked. The log is made once by conlog-sim and kept in the build
# folder; it is made again when conlog-sim is rebuilt.
#
#   bench/process.sh [BUILD_DIR]      (default: build-bench, a Release build)
#   LINES=1000000 bench/process.sh    (a smaller log, for a quick look)
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${1:-$root/build-bench}
lines=${LINES:-15000000}

if ! command -v mawk >/dev/null 2>&1; then
    if [ "$(id -u)" = 0 ]; then
        apt-get install -y mawk
    else
        echo "process.sh: mawk is missing (sudo apt-get install mawk)" >&2
        exit 1
    fi
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$build" --target conlog-sim bench_process

sim=$build/tools/conlog-sim
data=$build/bench-data
log=$data/conlog-$lines-200c-60d-s7.log
mkdir -p "$data"
if [ ! -f "$log.expect" ] || [ "$sim" -nt "$log.expect" ]; then
    echo "writing $log ..."
    rm -f "$log" "$log.expect"
    # A fixed end date: the file, and so the figures, do not change from day to day.
    "$sim" --lines "$lines" --seed 7 --clients 200 --days 60 --end-date 06/30/25 --expect "$log" >"$log.tmp"
    mv "$log.tmp" "$log.expect"
fi

cat "$log" >/dev/null # warm the page cache
exec "$build/bench/bench_process" "$log" --awk "$here/count.awk" --expect "$log.expect"
