#!/usr/bin/env bash
# Runs every benchmark five times and prints, per benchmark, the median of the five repetitions of
# its time, of each ratio to its yardstick and of each one's wall-clock and CPU milliseconds, with
# their spread (lowest and highest repetition), and what the benchmark says its yardstick shares.
#
#   scripts/bench.sh [BUILD_DIR] [FILTER]      (BUILD_DIR: build; FILTER: a benchmark name regex)
#
# The Qt benchmarks need a display: without DISPLAY an Xvfb of 1920x1080 is started for them; the
# start-up benchmark starts an Xvfb of each size it names itself (from display number
# VESSAMOR_BENCH_FIRST_DISPLAY on, where that is set).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
filter=${2:-.}
out=$build/bench-results
mkdir -p "$out"

xvfb_pid=""
cleanup() { if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi; }
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  number=90
  while [ -e "/tmp/.X$number-lock" ]; do number=$((number + 1)); done
  Xvfb ":$number" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=:$number
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
fi

for program in "$build"/bench/bench_*; do
  [ -x "$program" ] && [ -f "bench/$(basename "$program").cpp" ] || continue
  name=$(basename "$program")
  echo "== $name" >&2
  display=$DISPLAY
  [ "$name" = bench_startup_qt ] && display=""
  DISPLAY=$display "$program" --benchmark_filter="$filter" --benchmark_repetitions=5 --benchmark_format=json \
    --benchmark_out="$out/$name.json" --benchmark_out_format=json >/dev/null 2>"$out/$name.log" ||
    echo "   $name failed: see $out/$name.log" >&2
done

python3 - "$out" <<'PY'
import json, pathlib, statistics, sys
for path in sorted(pathlib.Path(sys.argv[1]).glob("*.json")):
    try:
        runs = json.loads(path.read_text())["benchmarks"]
    except (ValueError, KeyError):
        continue
    groups = {}
    for run in runs:
        if run.get("run_type") == "iteration" and "error_occurred" not in run:
            groups.setdefault(run["run_name"], []).append(run)
    for name, reps in groups.items():
        unit = reps[0].get("time_unit", "ns")
        cells = []
        times = [r["real_time"] for r in reps]
        cells.append(f"time {statistics.median(times):.4g} {unit} [{min(times):.4g}..{max(times):.4g}]")
        for key in sorted(reps[0]):
            if (key.startswith("ratio") and not key.endswith(("_min", "_max"))) or key.endswith(("_wall_ms", "_cpu_ms")):
                values = [r[key] for r in reps if key in r]
                cells.append(f"{key} {statistics.median(values):.3g} [{min(values):.3g}..{max(values):.3g}]")
        label = reps[0].get("label", "")
        print(f"{path.stem}  {name}  n={len(reps)}  " + "  ".join(cells) + (f"  ({label})" if label else ""))
PY
