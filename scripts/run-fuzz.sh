#!/usr/bin/env bash
# Runs each fuzz target of a built fuzz directory for a number of seconds,
# a few at a time (each target is one process on one core). A target's output
# is printed whole when it ends, so that parallel runs stay readable; the run
# fails when any target finds something.
# Usage: run-fuzz.sh FUZZ_DIR SECONDS JOBS TARGET...
set -euo pipefail
dir=$1 seconds=$2 jobs=$3
shift 3

run_one() {
  local dir=$1 seconds=$2 target=$3 len=4096 status=0
  # The project file holds embedded meshes and long camera lists; the
  # calibration readers refuse files by their size against their camera
  # count, which inputs of a few kilobytes never reach.
  case "$target" in
    project_file | anipose | caliscope | opencv_pair | colmap) len=262144 ;;
  esac
  mkdir -p "$dir/corpus-$target"
  "$dir/fuzz_$target" -max_total_time="$seconds" -max_len="$len" -print_final_stats=1 \
    -artifact_prefix="$dir/$target-" "$dir/corpus-$target" "tests/fuzz/corpus/$target" \
    > "$dir/fuzz_$target.log" 2>&1 || status=$?
  echo "== fuzz_$target for $seconds s: exit $status"
  # A finding's report is printed whole, a clean run's last lines (its stats).
  if [ "$status" -ne 0 ]; then cat "$dir/fuzz_$target.log"; else tail -n 12 "$dir/fuzz_$target.log"; fi
  return "$status"
}
export -f run_one

printf '%s\n' "$@" | xargs -P "$jobs" -I{} bash -c 'run_one "$@"' _ "$dir" "$seconds" {}
