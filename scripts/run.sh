#!/usr/bin/env bash
# Starts the program: in its window when there is a display, otherwise a
# demonstration of a whole projection route, headless, on a generated
# series, kept apart from your own defaults file.
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:?program}
phantom=${2:?phantom program}
shift 2
if [ -n "${DISPLAY:-}" ]; then
  exec "$program" "$@"
fi
rm -rf out/demo
mkdir -p out/demo/home
echo "No display: a demonstration, headless, from scripts/demo.events."
echo "Writing a synthetic projection series (256 x 256 pixels, 180 projections) ..."
"$phantom" --size 256 --projections 180 --axis 130.3 --output out/demo/series > /dev/null
sed "s|@SERIES@|$PWD/out/demo/series|g" scripts/demo.events > out/demo/demo.events
HOME="$PWD/out/demo/home" "$program" --headless --events out/demo/demo.events \
  --snapshots out/demo/snapshots "$@" | tee out/demo/console.txt
found=$(sed -n 's/^ROTATION_AXIS_POSITION = *\([-0-9.]*\).*/\1/p' out/demo/recon.par)
truth=$(sed -n 's/.*position \([-0-9.]*\) on the middle line.*/\1/p' out/demo/series/proj_truth.txt)
echo
echo "Demonstration done:"
echo "  rotation axis found:  $found pixels (the series was made with $truth)"
echo "  the parameter file:   out/demo/recon.par"
echo "  pages shown while input was awaited: out/demo/snapshots/page_*.png"
echo "  the spy-glass, the rubber band, the axis graph and the test slices: out/demo/*.png"
echo "  the defaults file it remembered: out/demo/home/.zyt.def"
