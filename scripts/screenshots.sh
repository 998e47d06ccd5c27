#!/usr/bin/env bash
# Renders the updater's windows to PNG files; no display is needed.
#   scripts/screenshots.sh [FOLDER]   (default docs/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."

folder=${1:-docs/screenshots}
bash scripts/install-deps.sh >/dev/null
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -G Ninja >/dev/null
fi
cmake --build build --target skin_screenshots >/dev/null
build/tools/skin_screenshots/skin_screenshots "$folder"
