#!/usr/bin/env bash
# The crash demo's run phases, started by scripts/demo-crash.sh (in a private
# process namespace where one can be had) with the demo's output folder, which
# holds the installation folder.
#   scripts/demo-crash-run.sh OUT
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/report.sh

out=$1
collector_bin=$PWD/build/tools/crash_collector/crash_collector
mkdir -p "$out/runtime" "$out/machine" "$out/data" "$out/collector"
chmod 700 "$out/runtime"
export XDG_DATA_HOME=$out/data XDG_RUNTIME_DIR=$out/runtime VESKA_MACHINE_DIR=$out/machine
export VESKA_PROMPT_ANSWER=${VESKA_PROMPT_ANSWER:-cancel}
unset DISPLAY WAYLAND_DISPLAY

phase "Starting"
if [ "${VESKA_ISOLATED:-no}" = yes ]; then
  label "process namespace" "private: the demo sees and ends only its own programs"
else
  label "process namespace" "none: the demo shares the process list with the whole machine"
  # The launcher would take another veskaroom.exe for a running client and
  # ask whether to restart it, then end it or start nothing.
  for name in veskaroom.exe VESKALaunch.exe; do
    if pids=$(pgrep -x "$name"); then
      fail "another $name runs on this machine (pid ${pids//$'\n'/, }); end it, or run the demo where a private process namespace can be had"
    fi
  done
fi

"$collector_bin" --store="$out/collector" --lifetime=120 >"$out/collector.out" 2>"$out/collector.err" &
collector=$!
trap 'kill "$collector" 2>/dev/null || true' EXIT
for _ in $(seq 100); do grep -q '^port ' "$out/collector.out" 2>/dev/null && break; sleep 0.05; done
port=$(awk '/^port /{print $2; exit}' "$out/collector.out")
[ -n "$port" ] || fail "the crash-report collector did not start: $(cat "$out/collector.err")"
label "crash-report collector" "http://127.0.0.1:$port/crashReport, storing into $out/collector"

upload="log=qelLog_demo.log;callstack_md5=demo;url=http://127.0.0.1:$port/crashReport;version=1.0.0"
script="url:room%2Fdemo,wait:2500,crash_upload:$upload,crash"
label "launcher command line" "VESKALaunch.exe --record=$out/client-events.txt --heartbeat-ms=500 --script=..."
note "the launcher hands its arguments on to the client, which reads them as its own switches"
label "client's script" "send the address room/demo, wait 2.5 s, arm an upload to the collector, crash"

phase "Running the launcher (it ends when its client has gone)"
set +e
timeout 60 "$out/install/VESKALaunch.exe" "--record=$out/client-events.txt" --heartbeat-ms=500 "--script=$script" \
  >"$out/launcher.out" 2>"$out/launcher.err"
code=$?
set -e
label "exit code" "$code"
[ "$code" -ne 124 ] || fail "the launcher was still running after 60 s; see $out/launcher.err"
if grep -q '^prompt: ' "$out/launcher.err"; then
  fail "the launcher found a running veskaroom.exe and asked whether to restart it: $(grep '^prompt: ' "$out/launcher.err")"
fi

phase "What the run left"
log=$(find "$out/data/trvo/logs" -name '*.log' 2>/dev/null | head -n 1)
[ -n "$log" ] || fail "the launcher wrote no log; its standard error: $(cat "$out/launcher.err")"
label "launcher log" "${log#"$out"/}"
indent <"$log"
note "records: time |level|source|line|function|message"
note "the two url: records without an address: the client had sent none yet when the launcher started it"
note "exit code 139: the client died by SIGSEGV, the crash its script asked for"

label "the client's own record" "client-events.txt"
indent <"$out/client-events.txt"

package=$(find "$out/data/trvo/crash" -name '*.zip' | head -n 1)
[ -n "$package" ] || fail "no crash package in $out/data/trvo/crash"
label "crash package" "${package#"$out"/}, the dump and the client's log as the launcher packed them"
unzip -Z1 "$package" | while IFS= read -r member; do
  printf '%s, %s bytes\n' "$member" "$(unzip -p "$package" "$member" | wc -c)"
done | indent
mkdir -p "$out/report"
unzip -q -o "$package" -d "$out/report"
dump=$(find "$out/report" -name '*.dmp' | head -n 1)

label "crashing thread in the dump" "as lldb reads it, the client's own frames"
lldb --batch -c "$dump" -o bt 2>/dev/null |
  sed -n -e 's/.*stop reason = \(.*\)/stopped by: \1/p' \
    -e 's/.*frame #\([0-9]*\): 0x[0-9a-f]* veskaroom\.exe`\(.*\)/#\1 \2/p' |
  grep -v ' _start' | indent
note "frames of the C library's start-up below main left out"

label "upload received by the collector" "$out/collector/0001"
sed -e 's/^path /POST to /' -e 's/^file \([^ ]*\) \(.*\)/file part \1: \2/' "$out/collector/0001/request.txt" | indent
sed 's/^/field /' "$out/collector/0001/fields.txt" | indent
note "platform is the launcher's own field; the client's url (where to post) and callstack_md5 (one report per call stack) are not sent"

checkpoint=$out/install/crash.checkpoint
label "upload checkpoint" "${checkpoint#"$out"/}"
{ read -r format; read -r day; read -r uploads; } <"$checkpoint"
printf 'format %s, last upload on %s (UTC), %s upload(s) that day\n' "$format" "$day" "$uploads" | indent

printf '\nDone. Everything is in %s/.\n' "$out"
