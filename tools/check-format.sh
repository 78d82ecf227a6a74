#!/usr/bin/env bash
# Fails when a tracked C++ file is not formatted as .clang-format says (clang-format -i fixes it).
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
