#!/usr/bin/env bash
# The installed layout and the Debian package, checked without installing anything on this machine:
# cmake --install into a scratch prefix must give both programs, a valid desktop entry and the icon; cpack -G DEB
# must give a package with those files under /usr and the dependencies the window needs at run time.
#
#   bash tests/packaging/package_check.sh [BUILD_DIR]      (default: build, already built)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:-build}")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
problems=0
problem() { echo "package_check: FAIL: $*"; problems=$((problems + 1)); }

cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
for file in bin/celshift bin/celshift-cli share/applications/celshift.desktop \
  share/icons/hicolor/scalable/apps/celshift.svg; do
  [[ -f $scratch/prefix/$file ]] || problem "cmake --install gives no $file"
done
for program in celshift celshift-cli; do
  [[ -x $scratch/prefix/bin/$program ]] || problem "bin/$program is not executable"
done
"$scratch/prefix/bin/celshift-cli" --help >/dev/null || problem "the installed celshift-cli --help fails"

entry=$scratch/prefix/share/applications/celshift.desktop
desktop-file-validate "$entry" >"$scratch/validate.txt" 2>&1 || problem "desktop-file-validate: $(cat "$scratch/validate.txt")"
for key in 'Name=Celshift' 'Name\[ja\]=' 'Comment=' 'Comment\[ja\]=' 'Categories=' 'Exec=celshift$' 'Icon=celshift$'; do
  grep -q "^$key" "$entry" || problem "the desktop entry has no line ^$key"
done
# The icon must be a drawing that a renderer accepts, not only a file of that name.
if command -v rsvg-convert >/dev/null; then
  rsvg-convert -w 48 -h 48 "$scratch/prefix/share/icons/hicolor/scalable/apps/celshift.svg" -o "$scratch/icon.png" \
    || problem "the icon does not render"
else
  python3 -c 'import sys, xml.etree.ElementTree as t; r = t.parse(sys.argv[1]).getroot(); sys.exit(r.tag != "{http://www.w3.org/2000/svg}svg")' \
    "$scratch/prefix/share/icons/hicolor/scalable/apps/celshift.svg" || problem "the icon is not an SVG drawing"
fi

(cd "$build" && cpack -G DEB -B "$scratch/deb" >"$scratch/cpack.txt" 2>&1) || { cat "$scratch/cpack.txt"; problem "cpack -G DEB failed"; }
deb=$(find "$scratch/deb" -maxdepth 1 -name 'celshift_*.deb' | head -n 1)
if [[ -z $deb ]]; then
  problem "cpack made no celshift_*.deb"
else
  contents=$(dpkg-deb -c "$deb")
  for file in ./usr/bin/celshift ./usr/bin/celshift-cli ./usr/share/applications/celshift.desktop \
    ./usr/share/icons/hicolor/scalable/apps/celshift.svg; do
    grep -q " $file\$" <<<"$contents" || problem "the package lacks $file"
  done
  depends=$(dpkg-deb -f "$deb" Depends)
  # From dpkg-shlibdeps (the libraries) and from the CMake list (what is loaded at run time, and the font).
  for package in libqt6widgets6 libicu72 libstdc++6 qt6-qpa-plugins fonts-ipafont-gothic; do
    grep -q "\\b$package\\b" <<<"$depends" || problem "the package's Depends lacks $package: $depends"
  done
  [[ -n $(dpkg-deb -f "$deb" Maintainer) ]] || problem "the package names no maintainer"
  echo "package_check: $(basename "$deb"), Depends: $depends"
fi
((problems == 0)) || exit 1
echo "package_check: passed"
