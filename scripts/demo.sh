#!/usr/bin/env bash
# Installs the dependencies, builds, lays out a scratch installation folder and
# runs the launcher in it, on this machine only. Everything it makes stays in
# demo-out/ (data, logs, sockets).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
bash scripts/build.sh plain >/dev/null

out=$PWD/demo-out
rm -rf "$out"
mkdir -p "$out/runtime" "$out/machine" "$out/data"
chmod 700 "$out/runtime"
cmake --install build --prefix "$out/install" >/dev/null

export XDG_DATA_HOME=$out/data XDG_RUNTIME_DIR=$out/runtime VESKA_MACHINE_DIR=$out/machine
export VESKA_PROMPT_ANSWER=${VESKA_PROMPT_ANSWER:-cancel}
unset DISPLAY WAYLAND_DISPLAY

echo "== installation folder: $out/install"
ls -l "$out/install"
echo "== starting the launcher: $out/install/VESKALaunch.exe veska://room?id=1"
set +e
"$out/install/VESKALaunch.exe" "veska://room?id=1"
code=$?
set -e
echo "== launcher exit code: $code"
log=$(find "$out/data/trvo/logs" -name '*.log' | head -n 1)
echo "== launcher log: $log"
cat "$log"
