#!/usr/bin/env bash
# Builds Tavrenic and opens its window. Without a display the window is shown
# on a virtual X display that a VNC viewer reaches on a loopback port only.
set -euo pipefail
cd "$(dirname "$0")/.."
headless=no
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  headless=yes
fi
scripts/deps.sh run
[ "$headless" = yes ] && scripts/deps.sh headless
# Whatever an earlier configuration of build/ left in its cache, the window
# is built, without the tests, and without sanitizer or fuzzing
# instrumentation.
scripts/build.sh -DTAV_BUILD_GUI=ON -DTAV_BUILD_TESTS=OFF -DTAV_FUZZ=OFF -DTAV_SANITIZE=OFF

if [ "$headless" = yes ]; then
  display=99
  while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
  port=5900
  while (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null; do port=$((port + 1)); done
  Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill "$xvfb" ${vnc:-} 2>/dev/null || true' EXIT
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
  x11vnc -display ":$display" -localhost -rfbport "$port" -forever -nopw -quiet -bg >/dev/null 2>&1
  vnc=$(pgrep -f "x11vnc -display :$display" || true)
  echo "No display found: the window is shown through VNC at 127.0.0.1:$port (connect a VNC viewer there)."
  export DISPLAY=":$display"
fi
build/src/app/tavrenic
