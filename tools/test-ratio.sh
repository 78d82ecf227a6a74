#!/usr/bin/env bash
# Prints the size of the tests against the code: non-blank lines of tests/ over those of src/
# and tools/ (files tracked by git). The project keeps this between 0.25 and 0.35.
set -euo pipefail
cd "$(dirname "$0")/.."
count() { git ls-files -- "$@" | while read -r f; do [ -f "$f" ] && cat "$f"; done | grep -cv '^[[:space:]]*$'; }
code=$(count 'src/*' 'tools/*')
tests=$(count 'tests/*')
awk -v t="$tests" -v c="$code" 'BEGIN {
    r = t / c
    printf "tests: %d non-blank lines, src and tools: %d, ratio %.2f (keep within 0.25-0.35)\n", t, c, r
}'
