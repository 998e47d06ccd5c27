#!/usr/bin/env bash
# Configures and builds one flavour into its own folder; the folder's name is
# the last line of the output.
#   scripts/build.sh [plain|address|thread] [TARGET...]
# Folders: build/, build-asan/, build-tsan/. Without targets, everything.
set -euo pipefail
cd "$(dirname "$0")/.."

flavour=${1:-plain}
shift || true
case "$flavour" in
  plain)   dir=build;      sanitize="" ;;
  address) dir=build-asan; sanitize=address ;;
  thread)  dir=build-tsan; sanitize=thread ;;
  *) echo "usage: $0 [plain|address|thread] [TARGET...]" >&2; exit 2 ;;
esac

bench=ON
[ -n "$sanitize" ] && bench=OFF
targets=()
for target in "$@"; do targets+=(--target "$target"); done
cmake -S . -B "$dir" -G Ninja -DVESKA_SANITIZE="$sanitize" -DVESKA_BUILD_BENCH="$bench" >/dev/null
cmake --build "$dir" -j"$(nproc)" "${targets[@]}"
echo "$dir"
