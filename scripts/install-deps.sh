#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, or the packages named as arguments, if any
# is missing. Run as root.
set -euo pipefail

packages=("$@")
((${#packages[@]})) || packages=(
  g++ cmake make pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  clang-14 libclang-rt-14-dev
  qt6-base-dev qt6-translations-l10n libsimpleini-dev libicu-dev
  fonts-ipafont-gothic
  hyperfine time python3
  xvfb xauth openbox xdotool x11-utils x11-xserver-utils imagemagick
  dpkg-dev file desktop-file-utils librsvg2-bin lintian help2man
  fusefat dosfstools fuse
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
