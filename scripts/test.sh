#!/usr/bin/env bash
# Builds everything and runs every test; then the display-free code again under
# AddressSanitizer + UndefinedBehaviorSanitizer (with float-to-integer overflow checks, which GCC's
# "undefined" leaves out), the threaded tests under ThreadSanitizer, and the program itself under
# AddressSanitizer + UndefinedBehaviorSanitizer, linked with link-time optimisation and
# -Werror=odr, walked for about a minute under Xvfb (scripts/walk.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)

echo "== build and test"
cmake -S . -B build "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs")

echo "== display-free code under AddressSanitizer and UndefinedBehaviorSanitizer (float casts checked)"
# -O1 and line tables only: the build stays short, the reports keep their lines.
cmake -S . -B build-asan "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" \
  -DVESSAMOR_DISPLAY_FREE_ONLY=ON -DVESSAMOR_SANITIZE=address,undefined,float-cast-overflow -DVESSAMOR_BUILD_BENCH=OFF
cmake --build build-asan -j "$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j "$jobs")

echo "== threaded tests under ThreadSanitizer"
cmake -S . -B build-tsan "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" \
  -DVESSAMOR_DISPLAY_FREE_ONLY=ON -DVESSAMOR_SANITIZE=thread -DVESSAMOR_BUILD_BENCH=OFF
cmake --build build-tsan -j "$jobs" --target threaded_tests
# The end-to-end tests of the assembled window drive its real workers: their races show here.
(cd build-tsan && TSAN_OPTIONS=halt_on_error=1 \
  ctest --output-on-failure -j "$jobs" -L threaded --no-tests=ignore)

echo "== the program under AddressSanitizer and UndefinedBehaviorSanitizer, one definition per name (LTO, -Werror=odr), walked under Xvfb"
# -O1 and line tables only: the link-time optimisation of the whole program stays short.
cmake -S . -B build-asan-app "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" \
  -DVESSAMOR_SANITIZE=address,undefined,float-cast-overflow -DVESSAMOR_BUILD_BENCH=OFF -DVESSAMOR_ODR_CHECK=ON
cmake --build build-asan-app -j "$jobs" --target vessamor ftd2xx
bash scripts/walk.sh build-asan-app

if command -v clang++ >/dev/null; then
  echo "== record reader and path text under libFuzzer (clang), a short run of each from its seeds"
  CC=clang CXX=clang++ cmake -S . -B build-fuzz "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" \
    -DVESSAMOR_DISPLAY_FREE_ONLY=ON -DVESSAMOR_SANITIZE=address,undefined -DVESSAMOR_FUZZ=ON -DVESSAMOR_BUILD_BENCH=OFF
  cmake --build build-fuzz -j "$jobs" --target record_reader_fuzzer path_text_fuzzer
  mkdir -p build-fuzz/artifacts
  # What the fuzzers write (new inputs, logs, a crashing input) stays out of the source tree.
  for target in record_reader:fuzz/corpus path_text:fuzz/path_text_corpus; do
    fuzz_work=$(mktemp -d)
    build-fuzz/fuzz/${target%%:*}_fuzzer -max_total_time=10 -artifact_prefix=build-fuzz/artifacts/ "$fuzz_work" "${target#*:}"
    rm -rf "$fuzz_work"
  done
fi
