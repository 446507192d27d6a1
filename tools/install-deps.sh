#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the run need.
# Idempotent: only missing packages are installed.
set -euo pipefail
pkgs=(
  build-essential cmake ninja-build ccache pkg-config clang lld libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libpng-dev libssl-dev libfreetype-dev libpixman-1-dev libsdl2-dev libasound2-dev
  libegl-dev libgles-dev libegl-mesa0 libgl1-mesa-dri
  fonts-dejavu-core fonts-liberation fonts-liberation2 coreutils xxd python3 binutils
  tcpdump tshark
)
missing=()
for p in "${pkgs[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
