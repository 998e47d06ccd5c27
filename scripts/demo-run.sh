#!/usr/bin/env bash
# The update demo's run phases, started by scripts/demo.sh (in a private
# process namespace where one can be had) with the demo's output folder, which
# holds the installation folder.
#   scripts/demo-run.sh OUT
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/report.sh

out=$1
install=$out/install
mkdir -p "$out/runtime" "$out/machine" "$out/data" "$out/site" "$out/nginx"
chmod 700 "$out/runtime"
export XDG_DATA_HOME=$out/data XDG_RUNTIME_DIR=$out/runtime VESKA_MACHINE_DIR=$out/machine
# No display: each window closes with this answer as a person would close it
# (1: its confirm button), and writes what it shows on standard error.
export VESKA_WINDOW_ANSWER=1 VESKA_PROMPT_ANSWER=cancel LANGUAGE=en_US.UTF-8
unset DISPLAY WAYLAND_DISPLAY

# field NAME LINE: the text of control NAME in a "window: ..." line.
field() {
  sed -n "s/.* $1=\"\([^\"]*\)\".*/\1/p" <<<"$2"
}

# describe_windows: the updater's window lines (standard input) in plain words.
describe_windows() {
  local line
  while IFS= read -r line; do
    case "$line" in
      "window: class=qel_updater_tips_wnd_class_name "*)
        label "box" "\"$(field tipsLabel "$line")\" [$(field confirmButton "$line")] - its button pressed" ;;
      "window: class=qel_updater_wnd_class_name "*" answer="*)
        label "progress window" "\"$(field tipsLabel "$line")\" - closed by the user" ;;
      "window: class=qel_updater_wnd_class_name caption="*)
        label "progress window" "shown" ;;
      "window: class=qel_updater_wnd_class_name "*)
        label "progress" "$(field tipsLabel "$line")" ;;
      "window: class=qel_updater_launch_wnd_class_name "*)
        label "launch window" "\"$(field tipsLabel "$line")\" - closed with its button" ;;
      duilib:*)
        label "windows" "$line" ;;
    esac
  done
}

# wait_for SECONDS COMMAND...: polls COMMAND until it succeeds; fails after SECONDS.
wait_for() {
  local limit=$1
  shift
  for _ in $(seq $((limit * 10))); do
    if "$@"; then return 0; fi
    sleep 0.1
  done
  return 1
}

recorded() {  # recorded FILE TEXT: the client's record holds a line starting with TEXT
  grep -q "^$2" "$1" 2>/dev/null
}

no_updater_runs() {
  ! pgrep -x Updater.exe >/dev/null
}

# make_package VERSION: a package of the new client, with a bulky asset so
# that it downloads over five ranges; prints its MD5.
make_package() {
  local version=$1 folder=$out/package-$1
  mkdir -p "$folder/media"
  cp "$install/veskaroom.exe" "$install/veska.exe" "$folder/"
  echo "$version" >"$folder/version.txt"
  cp "$out/lesson-assets.bin" "$folder/media/"
  (cd "$folder" && zip -q -r "$out/site/veska-$version.zip" .)
  md5sum "$out/site/veska-$version.zip" | cut -d' ' -f1
}

start_nginx() {
  local attempt
  for attempt in $(seq 10); do
    port=$((20000 + RANDOM % 20000))
    cat >"$out/nginx/nginx.conf" <<CONF
daemon off;
master_process off;
worker_processes 1;
error_log $out/nginx/error.log warn;
pid $out/nginx/nginx.pid;
events { worker_connections 64; }
http {
  log_format ranges '\$request_method \$uri \$http_range \$status \$body_bytes_sent';
  access_log $out/nginx/access.log ranges;
  client_body_temp_path $out/nginx/body;
  proxy_temp_path $out/nginx/proxy;
  fastcgi_temp_path $out/nginx/fastcgi;
  uwsgi_temp_path $out/nginx/uwsgi;
  scgi_temp_path $out/nginx/scgi;
  default_type application/octet-stream;
  server {
    listen 127.0.0.1:$port;
    root $out/site;
    # 1 MB/s per connection, so that the progress can be watched.
    limit_rate 1m;
  }
}
CONF
    nginx -p "$out/nginx" -e "$out/nginx/error.log" -c "$out/nginx/nginx.conf" &
    nginx_pid=$!
    if wait_for 5 bash -c "exec 3<>/dev/tcp/127.0.0.1/$port" 2>/dev/null; then return 0; fi
    kill "$nginx_pid" 2>/dev/null || true
  done
  fail "nginx did not start; see $out/nginx/error.log"
}

phase "Starting"
if [ "${VESKA_ISOLATED:-no}" = yes ]; then
  label "process namespace" "private: the demo sees and ends only its own programs"
else
  label "process namespace" "none: the demo shares the process list with the whole machine"
  # The updater stops veska.exe and virazerur.exe wherever they run; the
  # launcher would take another veskaroom.exe for a running client.
  for name in veskaroom.exe veska.exe virazerur.exe VESKALaunch.exe Updater.exe; do
    if pids=$(pgrep -x "$name"); then
      fail "another $name runs on this machine (pid ${pids//$'\n'/, }); end it, or run the demo where a private process namespace can be had"
    fi
  done
fi
head -c $((24 * 1024 * 1024)) /dev/urandom >"$out/lesson-assets.bin"
md5_870=$(make_package 8.7.0)
md5_880=$(make_package 8.8.0)
start_nginx
tail_pid=""
trap 'kill $nginx_pid $tail_pid 2>/dev/null || true' EXIT
label "package server" "nginx on http://127.0.0.1:$port/, 1 MB/s per connection"
label "packages" "veska-8.7.0.zip and veska-8.8.0.zip, $(($(stat -c %s "$out/site/veska-8.7.0.zip") / 1048576)) MiB each: the client, its version.txt and a lesson asset"

# watch_updater: the updater's windows, as they come, until it has ended.
watch_updater() {
  tail -n +1 -f "$out/updater.err" 2>/dev/null | describe_windows &
  tail_pid=$!
}
stop_watching() {
  sleep 0.3
  kill "$tail_pid" 2>/dev/null || true
  wait "$tail_pid" 2>/dev/null || true
  tail_pid=""
}

phase "A forced update: the running client (8.6.6) orders version 8.7.0"
order="-url=http://127.0.0.1:$port/veska-8.7.0.zip -md5=$md5_870 -forcedupdate=1 -newver=8.7.0"
order+=" \"-prompt=1. Whiteboard for several writers*2. Sound stays on when the network changes\""
order+=" \"-pagecallparam=--record=$out/client-after.txt --script=exit_request\""
label "client" "veska.exe, recording into client-before.txt, starts temp/Updater.exe with:"
printf '%s\n' "$order" | indent
: >"$out/updater.err"
watch_updater
"$install/veska.exe" "--record=$out/client-before.txt" "--script=update:$order" \
  >"$out/client.out" 2>>"$out/updater.err" &
client_pid=$!
set +e
# (bash's own word on the client's end, "Killed", is left out)
{ wait "$client_pid"; } 2>/dev/null
client_code=$?
set -e
wait_for 90 recorded "$out/client-after.txt" "exit" || fail "the launcher did not start the new client within 90 s; see $out/updater.err"
wait_for 30 no_updater_runs || fail "the updater was still running after the launcher's start"
stop_watching

phase "What the forced update did"
label "client before" "version $(sed -n 's/^version //p' "$out/client-before.txt"), ended with exit code $client_code (137: stopped by the updater)"
label "requests nginx answered" "method, path, range, status, bytes"
indent <"$out/nginx/access.log"
note "the first three requests learn the size, the final address and whether ranges work; then five ranges in parallel"
label "installed" "version.txt in the installation folder now says $(cat "$install/version.txt")"
label "installer registration" "$(tail -n 1 "$out/data/trvo/installer_registrations.txt")"
note "InstallQelApp.dll's self-registration writes this line into the updater's data folder"
label "client after" "version $(sed -n 's/^version //p' "$out/client-after.txt"), started by the launcher, which the updater started; it asked the launcher to end"
label "temp/" "$(cd "$install/temp" && ls | tr '\n' ' ')"
note "the launcher removed the updater and the package it left behind"

phase "An update that is not forced: the client (8.7.0) orders version 8.8.0"
cmake --install build --prefix "$install" --component updater >/dev/null
note "the launcher removes temp/Updater.exe at each start; the client puts it back before it starts it (here: cmake --install --component updater)"
order="-url=http://127.0.0.1:$port/veska-8.8.0.zip -md5=$md5_880 -forcedupdate=0 -newver=8.8.0"
: >"$out/nginx/access.log"
: >"$out/updater.err"
watch_updater
set +e
timeout 90 "$install/veska.exe" "--record=$out/client-waiting.txt" "--script=update:$order,quit:0" \
  >"$out/client.out" 2>>"$out/updater.err"
client_code=$?
set -e
stop_watching
[ "$client_code" -eq 0 ] || fail "the client ended with $client_code; see $out/client-waiting.txt and $out/updater.err"
label "client" "$(grep '^update ended' "$out/client-waiting.txt"), then it quit; it still says version $(cat "$install/version.txt")"
label "waiting in temp/" "update.zip, $(stat -c %s "$install/temp/update.zip") bytes, MD5 $(md5sum "$install/temp/update.zip" | cut -d' ' -f1)"

phase "The launcher's next start applies it"
set +e
timeout 60 "$install/VESKALaunch.exe" "--record=$out/client-next.txt" --script=exit_request \
  >"$out/launcher.out" 2>"$out/launcher.err"
code=$?
set -e
[ "$code" -eq 0 ] || fail "the launcher ended with $code; see $out/launcher.err"
label "client" "version $(sed -n 's/^version //p' "$out/client-next.txt"), started by the launcher after it unpacked the package"
label "installed" "version.txt says $(cat "$install/version.txt"); temp/ holds: $(cd "$install/temp" && ls | tr '\n' ' ')"

label "logs" "updater: $out/data/trvo/logs/Updater, launcher: $out/data/trvo/logs/zerozedev"
printf '\nDone. Everything is in %s/.\n' "$out"
