#!/usr/bin/env bash
# Configures and builds one flavour into its own folder.
#   scripts/build.sh [plain|address|thread]   (default plain)
# Folders: build/, build-asan/, build-tsan/.
set -euo pipefail
cd "$(dirname "$0")/.."

flavour=${1:-plain}
case "$flavour" in
  plain)   dir=build;      sanitize="" ;;
  address) dir=build-asan; sanitize=address ;;
  thread)  dir=build-tsan; sanitize=thread ;;
  *) echo "usage: $0 [plain|address|thread]" >&2; exit 2 ;;
esac

bench=ON
[ -n "$sanitize" ] && bench=OFF
cmake -S . -B "$dir" -G Ninja -DVESKA_SANITIZE="$sanitize" -DVESKA_BUILD_BENCH="$bench" >/dev/null
cmake --build "$dir" -j"$(nproc)"
echo "$dir"
