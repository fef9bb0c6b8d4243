#!/usr/bin/env bash
# Builds Qt 6 (Core, Gui, Widgets, Test; the windows and offscreen platform plugins) for 64-bit Windows
# from Debian's own qt6-base source, with the host's Qt tools, into a cache folder outside the repository.
# The folder's name is keyed by the Qt version and a hash of the configure flags, the source fix and the
# toolchain file, so a second run on the same machine reuses it. Prints the install prefix on its last line.
# Usage: build-qt.sh TOOLCHAIN_FILE     (CELSHIFT_CACHE overrides /var/cache/celshift-build)
set -euo pipefail

toolchain=$(realpath "$1")
cache=${CELSHIFT_CACHE:-/var/cache/celshift-build}
here=$(cd "$(dirname "$0")" && pwd)
jobs=${CELSHIFT_JOBS:-2}

qt_version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools | sed 's/+.*//')
flags=(
  -DQT_HOST_PATH=/usr
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DCMAKE_BUILD_TYPE=Release
  -DBUILD_SHARED_LIBS=ON
  -DQT_BUILD_EXAMPLES=OFF
  -DQT_BUILD_TESTS=OFF
  -DFEATURE_dbus=OFF -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_xml=OFF
  -DFEATURE_concurrent=OFF -DFEATURE_printsupport=OFF -DFEATURE_opengl=OFF -DFEATURE_vulkan=OFF
  # Debian's repacked tarball has no 3rdparty/wintab.
  -DFEATURE_tabletevent=OFF
)
key=$( { printf '%s\n' "${flags[@]}"; cat "$here/qt-no-opengl.patch" "$toolchain"; } | sha256sum | cut -c1-12)
prefix=$cache/qt-$qt_version-mingw-$key
if [[ -f $prefix/.complete ]]; then
  echo "Qt for Windows: reusing $prefix" >&2
  echo "$prefix"
  exit 0
fi

work=$cache/work-qt-$qt_version-$key
mkdir -p "$work"
cd "$work"
if [[ ! -d src ]]; then
  # apt-get source needs a deb-src line; add one for the Debian source the machine already uses.
  # Machines list their sources either in the deb822 form (debian.sources) or as one-line entries
  # (sources.list, as debootstrap writes it).
  if ! apt-get source --print-uris qt6-base >/dev/null 2>&1; then
    if [[ -f /etc/apt/sources.list.d/debian.sources ]]; then
      sed -n '/^Types: deb$/,/^$/p' /etc/apt/sources.list.d/debian.sources | sed 's/^Types: deb$/Types: deb-src/' \
        >/etc/apt/sources.list.d/celshift-deb-src.sources
    else
      lines=$({ cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null || true; } |
        sed -n 's/^deb \(.*\)$/deb-src \1/p')
      printf '%s\n' "$lines" >/etc/apt/sources.list.d/celshift-deb-src.list
    fi
    [[ -s /etc/apt/sources.list.d/celshift-deb-src.sources || -s /etc/apt/sources.list.d/celshift-deb-src.list ]] \
      || { echo "build-qt.sh: no Debian source found to add a deb-src line for" >&2; exit 1; }
    apt-get update -qq
  fi
  rm -rf download && mkdir download
  (cd download && apt-get source -qq --download-only "qt6-base=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)" \
    && dpkg-source -x ./*.dsc ../src-unpacked >/dev/null)
  patch -d src-unpacked -p1 <"$here/qt-no-opengl.patch" >/dev/null
  mv src-unpacked src
  rm -rf download
fi

echo "Qt for Windows: configuring in $work/build" >&2
cmake -S src -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" \
  "${flags[@]}" >configure.log 2>&1 || { tail -40 configure.log >&2; exit 1; }
echo "Qt for Windows: building (nice 15, $jobs jobs; log $work/build.log)" >&2
nice -n 15 cmake --build build -j "$jobs" >build.log 2>&1 || { tail -40 build.log >&2; exit 1; }
cmake --install build >install.log 2>&1 || { tail -40 install.log >&2; exit 1; }
touch "$prefix/.complete"
cd / && rm -rf "$work"
echo "$prefix"
