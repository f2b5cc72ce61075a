#!/usr/bin/env bash
# Builds everything with warnings as errors and runs every test: each fuzz
# target briefly on its seed corpus under ASan and UBSan, every suite that
# needs no display under ASan and UBSan, then the whole unit, integration and
# GUI (offscreen) test set.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

# Fuzz targets need clang's libFuzzer runtime.
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTAV_FUZZ=ON -DTAV_BUILD_GUI=OFF -DTAV_BUILD_TESTS=OFF -DTAV_BUILD_BENCH=OFF \
  -DTAV_SANITIZE=OFF -DTAV_WERROR=ON >/dev/null
cmake --build build-fuzz -j"$jobs"
(cd build-fuzz && ctest --output-on-failure --no-tests=error -L fuzz -j"$jobs" --timeout 600)

# Every suite that needs no display, under ASan and UBSan: hostile peers at
# every step of the handshakes and tunnels, decoders fed broken input, hostile
# pages, and the views drawn on the fixed-metrics device must not crash or
# leak.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAV_BUILD_GUI=OFF \
  -DTAV_BUILD_TESTS=ON -DTAV_BUILD_BENCH=OFF -DTAV_FUZZ=OFF -DTAV_WERROR=ON -DTAV_SANITIZE=ON >/dev/null
sanitized=(util net tls http textview html platform widgets)
cmake --build build-asan -j"$jobs" --target "${sanitized[@]/%/_tests}"
for suite in "${sanitized[@]}"; do
  echo "== ${suite}_tests under ASan and UBSan"
  build-asan/tests/$suite/${suite}_tests --gtest_brief=1
done

# build/ is shared with scripts/run.sh, which turns the tests off there: the
# options this set needs are given every time instead of taken from the
# cache, and an empty set is a failure, not a pass.
scripts/build.sh -DTAV_WERROR=ON -DTAV_BUILD_TESTS=ON -DTAV_BUILD_GUI=ON -DTAV_BUILD_BENCH=ON \
  -DTAV_FUZZ=OFF -DTAV_SANITIZE=OFF
(cd build && ctest --output-on-failure --no-tests=error -j"$jobs" --timeout 600)
