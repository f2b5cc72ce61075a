#!/usr/bin/env bash
# Installs the Debian packages the build, the window and the tests need,
# skipping those already present. fonts-wqy-microhei is the fallback face
# for CJK glyphs the fixed fonts lack, fonts-noto-color-emoji the face of
# emoji. Usage: scripts/deps.sh [run|headless|test]
set -euo pipefail
what=${1:-test}

packages=(g++ cmake make ninja-build pkg-config zlib1g-dev qt6-base-dev qt6-svg-dev qt6-qpa-plugins
          libgtest-dev libssl3 fonts-liberation fonts-wine fonts-wqy-microhei
          fonts-noto-color-emoji)
if [ "$what" = headless ]; then
  packages=(xvfb x11vnc)
fi
if [ "$what" = test ]; then
  packages+=(nginx curl gzip clang libclang-rt-14-dev procps dante-server openssl tinyproxy)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
