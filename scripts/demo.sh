#!/usr/bin/env bash
# The launcher end to end, on this machine only: a scratch installation folder
# with the launcher and the substitute classroom client, and the crash-report
# collector on a loopback port. The client heartbeats, updates its address,
# crashes and asks for its upload; the launcher writes its log, the dump, the
# package, posts it to the collector and ends the run. Everything stays in
# demo-out/.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
bash scripts/build.sh plain >/dev/null

out=$PWD/demo-out
rm -rf "$out"
mkdir -p "$out/runtime" "$out/machine" "$out/data" "$out/collector"
chmod 700 "$out/runtime"
cmake --install build --prefix "$out/install" >/dev/null

export XDG_DATA_HOME=$out/data XDG_RUNTIME_DIR=$out/runtime VESKA_MACHINE_DIR=$out/machine
export VESKA_PROMPT_ANSWER=${VESKA_PROMPT_ANSWER:-cancel}
unset DISPLAY WAYLAND_DISPLAY

build/tools/crash_collector/crash_collector --store="$out/collector" --lifetime=120 >"$out/collector.out" &
collector=$!
trap 'kill $collector 2>/dev/null || true' EXIT
for _ in $(seq 100); do grep -q '^port ' "$out/collector.out" 2>/dev/null && break; sleep 0.05; done
port=$(awk '/^port /{print $2; exit}' "$out/collector.out")
echo "== crash-report collector on 127.0.0.1:$port"

upload="log=qelLog_demo.log;callstack_md5=demo;url=http://127.0.0.1:$port/crashReport;version=1.0.0"
script="url:room%2Fdemo,wait:2500,crash_upload:$upload,crash"
echo "== installation folder: $out/install"
ls -l "$out/install"
echo "== starting: VESKALaunch.exe -heartbeat-ms=500 -script=$script"
set +e
"$out/install/VESKALaunch.exe" -record="$out/client-events.txt" -heartbeat-ms=500 "-script=$script" \
  >"$out/launcher.out" 2>"$out/launcher.err"
code=$?
set -e
echo "== launcher exit code: $code"

log=$(find "$out/data/trvo/logs" -name '*.log' | head -n 1)
echo "== launcher log: $log"
cat "$log"
echo "== client events ($out/client-events.txt)"
cat "$out/client-events.txt"

package=$(find "$out/data/trvo/crash" -name '*.zip' | head -n 1)
echo "== crash package: $package"
unzip -l "$package"
mkdir -p "$out/report"
unzip -q -o "$package" -d "$out/report"
dump=$(find "$out/report" -name '*.dmp' | head -n 1)
echo "== dump (unpacked): $dump"
echo "== its crashing thread, as lldb reads it:"
lldb --batch -c "$dump" -o bt 2>/dev/null | grep -E 'stop reason|frame #' | head -n 8
echo "== what the collector received:"
for request in "$out"/collector/0*; do
  cat "$request/request.txt" "$request/fields.txt"
done
echo "== checkpoint: $out/install/crash.checkpoint"
cat "$out/install/crash.checkpoint"
