#!/usr/bin/env bash
# Builds GoogleTest from Debian's sources (/usr/src/googletest) with the Windows cross toolchain into a
# cache folder keyed by the package version and the toolchain file. Prints the install prefix on its last line.
# Usage: build-googletest.sh TOOLCHAIN_FILE     (CELSHIFT_CACHE overrides /var/cache/celshift-build)
set -euo pipefail

toolchain=$(realpath "$1")
cache=${CELSHIFT_CACHE:-/var/cache/celshift-build}
jobs=${CELSHIFT_JOBS:-2}
version=$(dpkg-query -W -f='${Version}' googletest)
key=$(cat "$toolchain" | sha256sum | cut -c1-12)
prefix=$cache/googletest-$version-mingw-$key
if [[ -f $prefix/.complete ]]; then
  echo "GoogleTest for Windows: reusing $prefix" >&2
  echo "$prefix"
  exit 0
fi

work=$(mktemp -d "$cache/work-googletest-XXXXXX")
trap 'rm -rf "$work"' EXIT
echo "GoogleTest for Windows: building into $prefix" >&2
cmake -S /usr/src/googletest -B "$work" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" -Dgtest_disable_pthreads=OFF >"$work/configure.log" 2>&1 \
  || { tail -30 "$work/configure.log" >&2; exit 1; }
nice -n 10 cmake --build "$work" -j "$jobs" >"$work/build.log" 2>&1 || { tail -30 "$work/build.log" >&2; exit 1; }
cmake --install "$work" >/dev/null
touch "$prefix/.complete"
echo "$prefix"
