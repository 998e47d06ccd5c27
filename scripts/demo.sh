#!/usr/bin/env bash
# The system's main job end to end, on this machine only: nginx on a loopback
# port serves update packages; a scratch installation folder holds the
# launcher, the classroom client (our substitute), and the updater with its
# two components in temp/. The running client orders a forced update: the
# updater downloads the package over five ranges, checks it, stops the client,
# installs the package, registers its installer component and starts the
# launcher, which starts the new client. Then an update that is not forced:
# the package waits in temp/ until the launcher's next start applies it.
# No display is needed: the windows are answered as a person would, and what
# they show is read from the updater's standard error. The run happens in a
# private process namespace (scripts/isolated.sh). Everything stays in
# demo-out/update/.
#
#   scripts/demo.sh
#
# Phases that run programs live in scripts/demo-run.sh; the output helpers in
# scripts/lib/report.sh. The launcher's crash reporting is scripts/demo-crash.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/report.sh

out=$PWD/demo-out/update
echo "Veska update demo: a forced update installed at once, then one left for the launcher's next start."
echo "Everything it makes goes to $out/."

phase "Packages (scripts/install-deps.sh)"
bash scripts/install-deps.sh | indent

phase "Building the launcher, the updater with its components and the substitute client in build/"
bash scripts/build.sh plain VeskaRoomLaunch veskaroom veskaUpdater zlib_component install_qel_app |
  show_build_progress

phase "Installation folder"
rm -rf "$out"
mkdir -p "$out"
cmake --install build --prefix "$out/install" --component launcher >/dev/null
cmake --install build --prefix "$out/install" --component updater >/dev/null
cp "$out/install/veskaroom.exe" "$out/install/veska.exe"
echo "8.6.6" >"$out/install/version.txt"
label "folder" "$out/install"
label "VESKALaunch.exe" "the launcher"
label "veskaroom.exe, veska.exe" "the classroom client (the substitute): the launcher starts veskaroom.exe; veska.exe is the running client the updater stops"
label "version.txt" "8.6.6, the version the client reports"
label "temp/Updater.exe" "the updater, with its components temp/zlib.dll (unpacking) and temp/InstallQelApp.dll (installer registration)"

exec bash scripts/isolated.sh bash scripts/demo-run.sh "$out"
