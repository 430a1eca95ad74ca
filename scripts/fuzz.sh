#!/usr/bin/env bash
# Runs every fuzz target of a build for a bounded time on a copy of its seed
# corpus (the committed corpus is never changed by a run). A crash stops the
# run with the target's report and the input that caused it under out/fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?build directory}
seconds=${FUZZ_SECONDS:-20}
mkdir -p out/fuzz
status=0
for program in "$build"/fuzz/zyt_fuzz_*; do
  [ -x "$program" ] || continue
  name=${program##*/zyt_fuzz_}
  work=$(mktemp -d)
  cp -r "fuzz/corpus/$name/." "$work/" 2>/dev/null || true
  echo "fuzz $name: ${seconds} s"
  if ! "$program" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="out/fuzz/$name-" -print_final_stats=0 "$work" \
      > "out/fuzz/$name.log" 2>&1; then
    echo "fuzz $name FAILED:"
    tail -40 "out/fuzz/$name.log"
    status=1
  fi
  rm -rf "$work"
done
exit $status
