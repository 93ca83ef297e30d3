#!/usr/bin/env bash
# Installs the Debian packages that building, playing and testing Empty Streets need, and only
# those that are missing: a machine that has them all pays one dpkg query and nothing more.
set -euo pipefail

packages=(
  g++ cmake make pkg-config
  freeglut3-dev libgl-dev libx11-dev    # the window, OpenGL and the X11 layer beneath FreeGLUT
  console-data                          # the console fonts the glyph tables are generated from
  googletest libgtest-dev libbenchmark-dev
  xvfb xauth libxtst-dev openbox wmctrl faketime   # real-window tests
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg -s "$p" 2>/dev/null | grep -q '^Status: install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
