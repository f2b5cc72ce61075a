#!/usr/bin/env bash
# Builds Tavrenic and opens its window. Without a display the window is
# served through Qt's VNC platform on a loopback port.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh run
scripts/build.sh -DTAV_BUILD_TESTS=OFF
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  port=5900
  while (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null; do port=$((port + 1)); done
  echo "No display found: the window is served by VNC at 127.0.0.1:$port (connect a VNC viewer there)."
  export QT_QPA_PLATFORM="vnc:addr=127.0.0.1:port=$port"
fi
exec build/src/app/tavrenic
