#!/usr/bin/env bash
# Builds everything with warnings as errors and runs every test: the unit,
# integration and GUI tests (offscreen), then each fuzz target briefly on its
# seed corpus under ASan and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
export QT_QPA_PLATFORM=offscreen
scripts/build.sh -DTAV_WERROR=ON
(cd build && ctest --output-on-failure -j"$(nproc)" --timeout 600)

# Fuzz targets need clang's libFuzzer runtime.
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTAV_FUZZ=ON -DTAV_BUILD_GUI=OFF -DTAV_BUILD_TESTS=OFF -DTAV_BUILD_BENCH=OFF \
  -DTAV_WERROR=ON >/dev/null
cmake --build build-fuzz -j"$(nproc)"
(cd build-fuzz && ctest --output-on-failure -L fuzz --timeout 600)
