#!/usr/bin/env bash
# Builds the fuzz flavour and runs each libFuzzer target for a bounded time,
# one after the other, starting from its seed corpus (fuzz/corpus/<name>/).
#   scripts/fuzz.sh [--seconds N] [--keep-corpus DIR] [NAME...]
# NAME is a target without "_fuzzer"; without names, every target. Each run
# prints one line: executions, executions per second, seconds, findings. A
# finding (crash, hang, leak, broken property, memory limit) keeps its input
# in fuzz-out/<name>/ and fails the script. --keep-corpus DIR grows each
# target's corpus in DIR/<name>/ and starts from it the next time (the seeds
# in the repository stay as they are).
set -euo pipefail
caller=$PWD
cd "$(dirname "$0")/.."

seconds=60
keep=""
names=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds=$2; shift 2 ;;
    --seconds=*) seconds=${1#*=}; shift ;;
    --keep-corpus) keep=$2; shift 2 ;;
    --keep-corpus=*) keep=${1#*=}; shift ;;
    -h|--help) awk 'NR > 1 && !/^#/ { exit } NR > 1 { sub(/^# ?/, ""); print }' "$0"; exit 0 ;;
    -*) echo "fuzz.sh: unknown option $1" >&2; exit 2 ;;
    *) names+=("$1"); shift ;;
  esac
done
case "$keep" in ''|/*) ;; *) keep=$caller/$keep ;; esac
case "$seconds" in ''|*[!0-9]*) echo "fuzz.sh: --seconds needs a whole number" >&2; exit 2 ;; esac

bash scripts/install-deps.sh >&2
bash scripts/build.sh fuzz fuzzers >&2
dir=build-fuzz
if [ ${#names[@]} -eq 0 ]; then
  for source in fuzz/*_fuzzer.cpp; do
    name=$(basename "$source" _fuzzer.cpp)
    names+=("$name")
  done
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/veska-fuzz-run-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/tmp"

status=0
for name in "${names[@]}"; do
  binary=$dir/fuzz/${name}_fuzzer
  if [ ! -x "$binary" ]; then
    echo "fuzz.sh: no target $name" >&2
    exit 2
  fi
  corpus=${keep:-$scratch/corpus}/$name
  mkdir -p "$corpus" "fuzz-out/$name"
  log=$scratch/$name.log
  # -timeout: one input taking longer is a hang; -rss_limit_mb: memory that
  # grows past it is a finding. In a process namespace of its own: the
  # launcher's code ends programs by name.
  set +e
  TMPDIR=$scratch/tmp nice -n 10 bash scripts/isolated.sh "$binary" "$corpus" "fuzz/corpus/$name" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="fuzz-out/$name/" >"$log" 2>&1
  code=$?
  set -e
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
  if [ "$code" -ne 0 ]; then
    status=1
    cp "$log" "fuzz-out/$name/run.log"
  fi
  # A finding leaves its input behind; a target that stopped without one
  # never fuzzed (a missing corpus, a bad option) and says why.
  findings=$(grep -c 'Test unit written to' "$log" || true)
  if [ "$code" -ne 0 ] && [ "$findings" -eq 0 ]; then
    echo "fuzz $name: did not run (exit $code):"
    grep -v '^INFO:' "$log" | tail -n 3 | sed 's/^/  /'
    continue
  fi
  echo "fuzz $name: ${execs:-?} executions, ${speed:-?} exec/s, ${seconds} s, findings: $findings"
  if [ "$code" -ne 0 ]; then
    grep -E 'ERROR|runtime error|property broken|SUMMARY|Test unit written' "$log" | head -n 8 | sed 's/^/  /'
  fi
  rmdir "fuzz-out/$name" 2>/dev/null || true
done
rmdir fuzz-out 2>/dev/null || true
exit "$status"
