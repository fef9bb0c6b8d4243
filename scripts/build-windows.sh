#!/usr/bin/env bash
# The Windows build: installs what is missing, builds Qt 6 and (for the tests) GoogleTest for Windows into the
# cache folder if they are not there yet, then cross-builds celshift.exe and celshift-cli.exe with mingw-w64
# and packs them with their DLLs into out/celshift-windows/ and out/celshift-windows.zip.
#   --tests   also builds the Windows test suites and runs them under Wine (headless), checks that
#             celshift-cli.exe converts the example scenario byte for byte as the Linux build does, and drives
#             celshift.exe from the zip under Wine on a virtual X display as a person would
#             (tests/e2e/windows_e2e.sh); exits non-zero on any failure.
# CELSHIFT_CACHE overrides the cache folder /var/cache/celshift-build. Run as root on Debian 12.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
run_tests=0
for argument in "$@"; do
  case $argument in
    --tests) run_tests=1 ;;
    *) echo "usage: $0 [--tests]" >&2; exit 2 ;;
  esac
done
export CELSHIFT_CACHE=${CELSHIFT_CACHE:-/var/cache/celshift-build}
mkdir -p "$CELSHIFT_CACHE"
jobs=$(nproc)
toolchain=$root/cmake/mingw-w64-x86_64.cmake
build=$root/build-windows
started=$SECONDS
step_started=$SECONDS
step() {
  echo "== $1 (after $((SECONDS - started)) s)"
  step_started=$SECONDS
}
step_done() { echo "   took $((SECONDS - step_started)) s"; }

step "Packages for the Windows build"
packages=(
  cmake ninja-build dpkg-dev zip unzip
  g++-mingw-w64-x86-64-posix wine64
  xvfb openbox xdotool x11-utils imagemagick
  qt6-base-dev-tools qt6-translations-l10n libsimpleini-dev googletest
  fonts-ipafont-gothic
)
bash scripts/install-deps.sh "${packages[@]}"
step_done

step "Qt 6 for Windows (cache: $CELSHIFT_CACHE)"
qt=$(bash scripts/windows/build-qt.sh "$toolchain" | tail -n 1)
step_done
prefixes=$qt
if ((run_tests)); then
  step "GoogleTest for Windows"
  googletest=$(bash scripts/windows/build-googletest.sh "$toolchain" | tail -n 1)
  prefixes="$qt;$googletest"
  step_done
fi

step "Cross-building the program$( ((run_tests)) && echo ' and its tests')"
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_PREFIX_PATH="$prefixes" -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCELSHIFT_BUILD_BENCH=OFF -DCELSHIFT_BUILD_TESTS=$( ((run_tests)) && echo ON || echo OFF) >/dev/null
targets=(celshift celshift-cli)
((run_tests)) && targets+=(transform_tests platform_tests run_tests cli_tests window_tests settings_location_tests)
nice -n 10 cmake --build "$build" -j"$jobs" --target "${targets[@]}"
step_done

step "Packing out/celshift-windows"
bash scripts/windows/pack.sh "$build/bin" "$qt" "$root/out/celshift-windows"
step_done

if ((run_tests)); then
  step "Windows tests under Wine"
  prefix=$(bash scripts/windows/wine-prefix.sh | tail -n 1)
  export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  # The tests find Qt's and the compiler's DLLs through WINEPATH; Qt finds its plugins beside Qt6Core.dll.
  export WINEPATH="$(/usr/lib/wine/wine64 winepath -w "$qt/bin" 2>/dev/null);$(/usr/lib/wine/wine64 winepath -w "$root/out/celshift-windows" 2>/dev/null)"
  # Wine hands variables that begin with QT_ to the program only when they are spelled WINEQT_... here.
  # Qt Test writes to the debugger instead of standard output unless it is told that there is a console.
  export WINEQT_QPA_PLATFORM=offscreen WINEQT_LOGGING_TO_CONSOLE=1
  /usr/lib/wine/wineserver -p10 >/dev/null 2>&1 || true  # one server for all tests, not one per test
  status=0
  ctest --test-dir "$build" --output-on-failure -j"$jobs" || status=$?
  step_done
  step "celshift-cli.exe against the Linux build on the example scenario"
  bash scripts/windows/compare-with-linux.sh out/celshift-windows || status=1
  /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  step_done
  step "celshift.exe from the zip under Wine on Xvfb and openbox, driven with xdotool"
  cmake --build build -j"$jobs" --target generate-scenario >/dev/null
  # Every wait in it is bounded; the limit only guards against a tool that blocks.
  timeout --kill-after=10 900 bash tests/e2e/windows_e2e.sh out/celshift-windows.zip build || status=1
  step_done
  echo "== Windows build and tests took $((SECONDS - started)) s"
  exit $status
fi
echo "== Windows build took $((SECONDS - started)) s: out/celshift-windows.zip"
