#!/usr/bin/env bash
# Installs the dependencies, builds, and runs every test suite.
#   scripts/run-tests.sh [plain|address|thread]   (default plain)
#
# The run has a scratch folder of its own, removed at the end: the temporary
# folder (TMPDIR), the per-user runtime folder (pipes), the machine-wide names
# folder (mutexes) and the data folder (logs, dumps). It runs in a private
# process namespace (scripts/isolated.sh), so two runs on one machine do not
# meet. It fails when a test leaves anything in the temporary folder.
set -euo pipefail
cd "$(dirname "$0")/.."

flavour=${1:-plain}
scratch=$(mktemp -d "${TMPDIR:-/tmp}/veska-run-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

bash scripts/install-deps.sh
bash scripts/build.sh "$flavour" | tee "$scratch/build.log"
dir=$(tail -n 1 "$scratch/build.log")

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/scripts/tsan.supp}

# Open to others as /tmp is: some tests act as another user (uid 65534).
chmod 755 "$scratch"
mkdir -m 1777 "$scratch/tmp"
mkdir -m 700 "$scratch/runtime"
export TMPDIR=$scratch/tmp XDG_RUNTIME_DIR=$scratch/runtime
export VESKA_MACHINE_DIR=$scratch/machine XDG_DATA_HOME=$scratch/data

status=0
bash scripts/isolated.sh ctest --test-dir "$dir" --output-on-failure -j"$(nproc)" --timeout 300 || status=$?

# ThreadSanitizer's runtime makes tsan.rodata.<pid> at every start of a
# program and removes it a moment later: a program ended in between (tests end
# programs on purpose) leaves it behind, and the scratch folder's removal
# takes it.
left=$(ls -A "$TMPDIR" | grep -v '^tsan\.rodata\.[0-9]*$' || true)
if [ -n "$left" ]; then
  echo "run-tests: the tests left these in their temporary folder:" $left >&2
  [ "$status" -ne 0 ] || status=1
fi
exit "$status"
