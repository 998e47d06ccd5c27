#!/usr/bin/env bash
# Installs every build, test and demo dependency from Debian 12's packages.
# Run as root (or with sudo available).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git file
  libuv1-dev libcurl4-openssl-dev libminizip-dev zlib1g-dev
  libgtk-3-dev libx11-dev libacl1-dev libsqlite3-dev libsystemd-dev libcap-dev libpci-dev pci.ids libssl3
  libgtest-dev libgmock-dev libbenchmark-dev libspdlog-dev libcpp-httplib-dev libcli11-dev
  nginx-light openssl lldb curl aria2 zip unzip xvfb xauth xdotool fonts-wqy-microhei
  gcc-mingw-w64-i686-win32 gcc-mingw-w64-x86-64-win32
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 acl dbus python3-dbusmock
  clang-14 libclang-rt-14-dev
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi
echo "install-deps: installing ${missing[*]}"
as_root apt-get update -qq
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
