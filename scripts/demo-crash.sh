#!/usr/bin/env bash
# The launcher end to end, on this machine only: a scratch installation folder
# with the launcher and the substitute classroom client, and the crash-report
# collector on a loopback port. The client heartbeats, sends an address,
# crashes and asks for its upload; the launcher writes its log, the dump and
# the package, posts it to the collector and ends its run. The run happens in
# a private process namespace (scripts/isolated.sh) so that no other
# veskaroom.exe on the machine meets it. Everything stays in demo-out/crash/.
#
#   scripts/demo-crash.sh
#
# Phases that run programs live in scripts/demo-crash-run.sh; the output
# helpers in scripts/lib/report.sh. The update cycle is scripts/demo.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/report.sh

out=$PWD/demo-out/crash
echo "Veska launcher demo: a launcher run whose classroom client crashes and reports it."
echo "Everything it makes goes to $out/."

phase "Packages (scripts/install-deps.sh)"
bash scripts/install-deps.sh | indent

phase "Building the launcher, the substitute client and the crash-report collector in build/"
bash scripts/build.sh plain VeskaRoomLaunch veskaroom crash_collector | show_build_progress

phase "Installation folder"
rm -rf "$out"
mkdir -p "$out"
cmake --install build --prefix "$out/install" --component launcher >/dev/null
label "folder" "$out/install"
label "VESKALaunch.exe" "the launcher, as the shortcut and the veska:// protocol start it"
label "veskaroom.exe" "the substitute classroom client that the launcher starts and supervises"

exec bash scripts/isolated.sh bash scripts/demo-crash-run.sh "$out"
