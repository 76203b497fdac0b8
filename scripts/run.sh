#!/usr/bin/env bash
# Builds the program and starts it; without an installed FTDI driver it runs on the simulated sensor bus.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
cmake -S . -B build "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"

if [ ! -x build/vessamor ]; then
  echo "Everything is built; the program's window is not part of this build yet."
  exit 0
fi
if ! /sbin/ldconfig -p 2>/dev/null | grep -q 'libftd2xx\.so'; then
  echo "No FTDI driver installed: using the simulated sensor bus."
  export LD_LIBRARY_PATH="$PWD/build/sim${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
fi
exec build/vessamor "$@"
