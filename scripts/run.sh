#!/usr/bin/env bash
# Starts the program: in its window when there is a display, otherwise a short
# headless demonstration from an event script, kept apart from your own
# defaults file.
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:?program}
shift
if [ -n "${DISPLAY:-}" ]; then
  exec "$program" "$@"
fi
rm -rf out/demo
mkdir -p out/demo/home
echo "No display: running a demonstration from scripts/demo.events, headless."
HOME="$PWD/out/demo/home" "$program" --headless --events scripts/demo.events \
  --snapshots out/demo/snapshots "$@"
echo
echo "Demonstration done:"
echo "  pages shown while input was awaited: out/demo/snapshots/page_*.png"
echo "  the parameter file written:          out/demo/recon.par"
echo "  the defaults file it remembered:     out/demo/home/.zyt.def"
