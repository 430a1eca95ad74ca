#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, and only those
# that are missing; does nothing (and asks for no rights) when all are there.
set -euo pipefail

packages=(
  g++ make cmake pkg-config
  libgtest-dev libbenchmark-dev
  libx11-dev libcairo2-dev libfreetype-dev fonts-dejavu-core
  xvfb xdotool ghostscript
  python3-tifffile python3-fabio python3-skimage libfftw3-dev
  clang libclang-rt-14-dev
  groff-base man-db
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

# A machine that is installing its updates holds apt's locks: wait for them
# (up to LOCK_WAIT seconds) instead of failing. apt itself waits for the dpkg
# lock (DPkg::Lock::Timeout) but not for the lock of its package lists, which
# `apt-get update` takes, so a refusal for a lock is also tried again here.
lock_wait=${LOCK_WAIT:-900}
apt_get() {
  local deadline=$((SECONDS + lock_wait)) log
  log=$(mktemp)
  until $sudo apt-get -o DPkg::Lock::Timeout="$lock_wait" "$@" 2>"$log"; do
    cat "$log" >&2
    if ! grep -q 'Could not get lock' "$log" || [ $SECONDS -ge $deadline ]; then
      rm -f "$log"
      return 1
    fi
    echo "apt is busy (another package manager holds its lock); trying again in 10 s"
    sleep 10
  done
  cat "$log" >&2
  rm -f "$log"
}
apt_get update -q
apt_get install -y -q --no-install-recommends "${missing[@]}"
