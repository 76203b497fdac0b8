#!/usr/bin/env bash
# The screen sweep: every screen at 1280x720, 1366x768, 1280x1024, 1920x1080 and 2560x1440 in both
# languages, written to build/sweep/<size>-<lang>/*.png; fails when a check fails (a text outside its
# box, a control outside the client area or over another, a button without a body).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build >/dev/null
cmake --build build -j "$(nproc)" --target test_sweep ftd2xx
rm -rf build/sweep
VESSAMOR_SWEEP_SIZES="${VESSAMOR_SWEEP_SIZES:-1280x720,1366x768,1280x1024,1920x1080,2560x1440}" \
  VESSAMOR_SWEEP_DIR="$PWD/build/sweep" build/tests/test_sweep
