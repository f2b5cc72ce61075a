#!/usr/bin/env bash
# Configures and builds the project into build/ (or $TAV_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${TAV_BUILD_DIR:-build}
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
