#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need,
# only when one of them is missing. Nothing else is downloaded.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools libqt6svg6-dev qt6-multimedia-dev
  libsqlite3-dev libical-dev libssl-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  xvfb xauth
  khard
  radicale vdirsyncer
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
