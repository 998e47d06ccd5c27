#!/usr/bin/env bash
# Download benchmark against nginx on 127.0.0.1, in one run:
#  - a 1 GiB package: the transfer engine (five segments) beside curl (one
#    stream) and aria2c (-x5 -s5), as throughput ratios;
#  - a 200 MiB package with nginx limiting each connection to 20 MB/s: five
#    segments beside one;
#  - the engine's peak resident memory (VmHWM).
# Each download runs ROUNDS times (default 3) and the best time counts.
#   scripts/bench-download.sh [build-folder]   (default build/)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
rounds=${ROUNDS:-3}
cmake --build "$build" --target download_bench >/dev/null
bench=$PWD/$build/bench/download/download_bench

work=$(mktemp -d /tmp/veska-bench-download-XXXXXX)
nginx_pid=""
cleanup() {
  if [ -n "$nginx_pid" ]; then kill "$nginx_pid" 2>/dev/null || true; wait "$nginx_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/root/throttled" "$work/out"
echo "== packages in $work/root"
head -c 1073741824 /dev/urandom > "$work/root/big.zip"
head -c 209715200 /dev/urandom > "$work/root/throttled/mid.zip"

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
cat > "$work/nginx.conf" <<CONF
daemon off;
master_process off;
worker_processes 1;
error_log $work/error.log warn;
pid $work/nginx.pid;
events { worker_connections 512; }
http {
  access_log off;
  client_body_temp_path $work/body;
  proxy_temp_path $work/proxy;
  fastcgi_temp_path $work/fastcgi;
  uwsgi_temp_path $work/uwsgi;
  scgi_temp_path $work/scgi;
  default_type application/octet-stream;
  sendfile on;
  server {
    listen 127.0.0.1:$port;
    root $work/root;
    location /throttled/ { limit_rate 20m; }
  }
}
CONF
nginx -p "$work" -e "$work/error.log" -c "$work/nginx.conf" &
nginx_pid=$!
for _ in $(seq 100); do
  if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then break; fi
  sleep 0.05
done

now_ns() { date +%s%N; }
# best_seconds VAR command...: runs the command ROUNDS times, keeps the best time.
best=""
timed() {
  local start end seconds
  rm -rf "$work/out"/*
  start=$(now_ns)
  "$@"
  end=$(now_ns)
  seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", (b - a) / 1e9 }')
  if [ -z "$best" ] || awk -v s="$seconds" -v b="$best" 'BEGIN { exit !(s < b) }'; then best=$seconds; fi
}
check() {
  local expected actual
  expected=$(md5sum < "$1" | cut -d' ' -f1)
  actual=$(md5sum < "$2" | cut -d' ' -f1)
  [ "$expected" = "$actual" ] || { echo "digest mismatch for $2" >&2; exit 1; }
}

big_url=http://127.0.0.1:$port/big.zip
mid_url=http://127.0.0.1:$port/throttled/mid.zip
peak=0
ours() {
  local line kib
  line=$("$bench" "$1" "$work/out/update.zip" "$2")
  kib=$(sed -n 's/.*vmhwm_kib=\([0-9]*\).*/\1/p' <<<"$line")
  if [ "$kib" -gt "$peak" ]; then peak=$kib; fi
}

echo "== 1 GiB, best of $rounds"
best=""; for _ in $(seq "$rounds"); do timed ours "$big_url" 5; done; ours_big=$best
check "$work/root/big.zip" "$work/out/update.zip"
best=""; for _ in $(seq "$rounds"); do timed curl -s -o "$work/out/curl.zip" "$big_url"; done; curl_big=$best
best=""; for _ in $(seq "$rounds"); do
  timed aria2c -q -x5 -s5 --allow-overwrite=true --auto-file-renaming=false -d "$work/out" -o aria.zip "$big_url"
done; aria_big=$best
check "$work/root/big.zip" "$work/out/aria.zip"

echo "== 200 MiB at 20 MB/s per connection, best of $rounds"
best=""; for _ in $(seq "$rounds"); do timed ours "$mid_url" 5; done; five_mid=$best
check "$work/root/throttled/mid.zip" "$work/out/update.zip"
best=""; for _ in $(seq "$rounds"); do timed ours "$mid_url" 1; done; one_mid=$best

mbps() { awk -v bytes="$1" -v s="$2" 'BEGIN { printf "%.0f", bytes / s / 1e6 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b / a }'; }
echo
printf '1 GiB unthrottled: engine(5) %ss %s MB/s | curl(1) %ss %s MB/s | aria2c(-x5 -s5) %ss %s MB/s\n' \
  "$ours_big" "$(mbps 1073741824 "$ours_big")" "$curl_big" "$(mbps 1073741824 "$curl_big")" \
  "$aria_big" "$(mbps 1073741824 "$aria_big")"
printf '  throughput ratio engine/curl   = %s (target >= 1.00)\n' "$(ratio "$ours_big" "$curl_big")"
printf '  throughput ratio engine/aria2c = %s (target >= 1.00)\n' "$(ratio "$ours_big" "$aria_big")"
printf '200 MiB at 20 MB/s per connection: five segments %ss, one segment %ss\n' "$five_mid" "$one_mid"
printf '  throughput ratio five/one      = %s (target >= 4.5)\n' "$(ratio "$five_mid" "$one_mid")"
printf 'peak resident memory of the engine (VmHWM) = %s KiB (target < 65536)\n' "$peak"
