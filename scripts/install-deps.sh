#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, and only those
# that are missing; does nothing (and asks for no rights) when all are there.
set -euo pipefail

packages=(
  g++ make cmake pkg-config
  libgtest-dev libbenchmark-dev
  libx11-dev libcairo2-dev fonts-dejavu-core
  xvfb xdotool ghostscript
  python3-tifffile python3-fabio python3-skimage libfftw3-dev
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
