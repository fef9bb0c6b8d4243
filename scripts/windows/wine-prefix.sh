#!/usr/bin/env bash
# Makes (once) a 64-bit Wine prefix in the cache folder with Japanese font substitutes, so that the window's
# texts draw as text and not as boxes. Prints the prefix on its last line.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=${CELSHIFT_CACHE:-/var/cache/celshift-build}
wine=/usr/lib/wine/wine64
key=$( { cat "$here/japanese-fonts.reg"; dpkg-query -W -f='${Version}' wine64; } | sha256sum | cut -c1-12)
prefix=$cache/wine-$key
if [[ -f $prefix/.complete ]]; then
  echo "$prefix"
  exit 0
fi
rm -rf "$prefix"
mkdir -p "$prefix"
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
"$wine" wineboot --init >/dev/null 2>&1
"$wine" regedit /S "$(cd "$here" && pwd)/japanese-fonts.reg" >/dev/null 2>&1
/usr/lib/wine/wineserver -w
touch "$prefix/.complete"
echo "$prefix"
