#!/usr/bin/env bash
# Builds everything with warnings as errors and runs every test: each fuzz
# target briefly on its seed corpus under ASan and UBSan, the network-facing
# suites under ASan and UBSan, then the whole unit, integration and GUI
# (offscreen) test set.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

# Fuzz targets need clang's libFuzzer runtime.
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTAV_FUZZ=ON -DTAV_BUILD_GUI=OFF -DTAV_BUILD_TESTS=OFF -DTAV_BUILD_BENCH=OFF \
  -DTAV_WERROR=ON >/dev/null
cmake --build build-fuzz -j"$jobs"
(cd build-fuzz && ctest --output-on-failure -L fuzz -j"$jobs" --timeout 600)

# Hostile peers at every step of the handshakes and tunnels, and hostile
# pages, must not crash or leak.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAV_BUILD_GUI=OFF \
  -DTAV_BUILD_BENCH=OFF -DTAV_WERROR=ON \
  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build build-asan -j"$jobs" --target net_tests tls_tests http_tests html_tests
for suite in net tls http html; do
  echo "== ${suite}_tests under ASan and UBSan"
  build-asan/tests/$suite/${suite}_tests --gtest_brief=1
done

scripts/build.sh -DTAV_WERROR=ON
(cd build && ctest --output-on-failure -j"$jobs" --timeout 600)
