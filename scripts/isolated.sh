#!/usr/bin/env bash
# Runs a command in a private process namespace (util-linux unshare): the
# command and its children see only each other in /proc, so the programs that
# the launcher, the updater and the tests find and end by name
# ("veskaroom.exe", "veska.exe", ...) are always their own, never those of
# another run or of a user on this machine. Everything left running in the
# namespace ends with the command, and with this script if it is stopped.
#
# As root the namespace needs nothing more; other users get it through a user
# namespace mapping them to themselves. Where neither works, the command runs
# as it is, after one line on standard error saying why.
#
#   scripts/isolated.sh COMMAND [ARGS...]
#
# The command finds VESKA_ISOLATED=yes (private namespace) or no in its
# environment.
set -euo pipefail

if [ $# -eq 0 ]; then
  echo "usage: $0 COMMAND [ARGS...]" >&2
  exit 2
fi

namespace=(unshare --pid --fork --mount-proc --kill-child)
if [ "$EUID" -ne 0 ]; then namespace+=(--map-current-user); fi

reason=""
if ! command -v unshare >/dev/null 2>&1; then
  reason="unshare (util-linux) is not installed"
elif ! probe=$("${namespace[@]}" true 2>&1); then
  reason="${probe:-unshare failed}"
fi

if [ -z "$reason" ]; then
  VESKA_ISOLATED=yes exec "${namespace[@]}" "$@"
fi
echo "isolated: no private process namespace (${reason//$'\n'/ }); programs are found and ended by name machine-wide" >&2
VESKA_ISOLATED=no exec "$@"
