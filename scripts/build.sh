#!/usr/bin/env bash
# Configures and builds one flavour into its own folder; the folder's name is
# the last line of the output.
#   scripts/build.sh [plain|address|thread|fuzz] [TARGET...]
# Folders: build/, build-asan/, build-tsan/, build-fuzz/ (clang 14: the
# libFuzzer targets and what they call, no tests). Without targets, everything.
set -euo pipefail
cd "$(dirname "$0")/.."

flavour=${1:-plain}
shift || true
case "$flavour" in
  plain)   dir=build;      sanitize="" ;;
  address) dir=build-asan; sanitize=address ;;
  thread)  dir=build-tsan; sanitize=thread ;;
  fuzz)    dir=build-fuzz; sanitize=fuzzer ;;
  *) echo "usage: $0 [plain|address|thread|fuzz] [TARGET...]" >&2; exit 2 ;;
esac

bench=ON
tests=ON
compilers=()
[ -n "$sanitize" ] && bench=OFF
if [ "$flavour" = fuzz ]; then
  tests=OFF
  # As fuzzing builds usually are: quick to build, assertions kept.
  compilers=(-DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14
             "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -gline-tables-only"
             "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -gline-tables-only")
fi
targets=()
for target in "$@"; do targets+=(--target "$target"); done
cmake -S . -B "$dir" -G Ninja -DVESKA_SANITIZE="$sanitize" -DVESKA_BUILD_BENCH="$bench" \
  -DVESKA_BUILD_TESTS="$tests" "${compilers[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)" "${targets[@]}"
echo "$dir"
