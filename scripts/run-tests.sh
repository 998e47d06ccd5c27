#!/usr/bin/env bash
# Installs the dependencies, builds, and runs every test suite.
#   scripts/run-tests.sh [plain|address|thread]   (default plain)
set -euo pipefail
cd "$(dirname "$0")/.."

flavour=${1:-plain}
bash scripts/install-deps.sh
dir=$(bash scripts/build.sh "$flavour" | tail -n 1)

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/scripts/tsan.supp}
cd "$dir"
ctest --output-on-failure -j"$(nproc)" --timeout 300
